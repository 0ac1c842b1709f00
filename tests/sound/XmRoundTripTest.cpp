// Modules from the XM writer as libxmp reads them: samples of both widths with their loops,
// envelopes, keymaps and default volumes.
#include <gtest/gtest.h>
#include <xmp.h>

#include <cstring>

#include "sound/SoundModules.h"

namespace vesk::test {
namespace {

class Loaded {
 public:
  explicit Loaded(const XmModule& module) {
    const XmResult written = writeXm(module);
    EXPECT_TRUE(written) << written.error;
    _context = xmp_create_context();
    _ok = xmp_load_module_from_memory(_context, written.bytes.data(),
                                      static_cast<long>(written.bytes.size())) == 0;
    if (_ok) {
      xmp_module_info info{};
      xmp_get_module_info(_context, &info);
      _module = info.mod;
    }
  }
  ~Loaded() {
    if (_ok) xmp_release_module(_context);
    xmp_free_context(_context);
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;

  bool ok() const { return _ok; }
  const xmp_module& operator*() const { return *_module; }
  const xmp_module* operator->() const { return _module; }
  const xmp_sample& sampleOf(int instrument, int sub) const {
    return _module->xxs[_module->xxi[instrument - 1].sub[sub].sid];
  }

 private:
  xmp_context _context;
  bool _ok = false;
  const xmp_module* _module = nullptr;
};

XmSample ramp8(std::size_t points) {
  XmSample sample;
  for (std::size_t i = 0; i < points; ++i)
    sample.pcm8.push_back(static_cast<std::int8_t>(i * 37 % 256 - 128));
  return sample;
}

XmSample ramp16(std::size_t points) {
  XmSample sample;
  sample.sixteenBit = true;
  for (std::size_t i = 0; i < points; ++i)
    sample.pcm16.push_back(static_cast<std::int16_t>(i * 997 % 65536 - 32768));
  return sample;
}

XmModule richModule() {
  XmModule module = cueModule(32, 6);
  module.speed = 5;
  module.bpm = 150;
  module.patterns.emplace_back(64, 6);
  module.orders = {1, 0, 1};
  module.restart = 1;

  XmInstrument& bytes = module.instruments[0];
  bytes.samples = {ramp8(100)};
  bytes.samples[0].loop = XmLoop::Forward;
  bytes.samples[0].loopStart = 10;
  bytes.samples[0].loopLength = 50;
  bytes.samples[0].volume = 40;
  bytes.samples[0].panning = 200;
  bytes.samples[0].relativeNote = 3;

  XmInstrument& words = module.instruments[1];
  words.name = "words";
  words.samples = {ramp16(300), ramp8(7)};
  words.samples[0].loop = XmLoop::PingPong;
  words.samples[0].loopStart = 100;
  words.samples[0].loopLength = 100;
  words.samples[0].volume = 64;
  words.samples[1].volume = 12;
  for (std::size_t key = 60; key < 96; ++key)
    words.keymap[key] = 1;
  words.volumeEnvelope = {true, {{0, 0}, {8, 64}, {40, 32}, {90, 0}}, 2, 1, 2};
  words.panningEnvelope = {false, {{0, 32}, {10, 40}}, -1, -1, -1};
  return module;
}

TEST(XmRoundTrip, SamplesOfBothWidthsKeepTheirPointsAndLoops) {
  const XmModule written = richModule();
  Loaded m(written);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->chn, 6);
  EXPECT_EQ(m->len, 3);
  EXPECT_EQ(m->rst, 1);
  EXPECT_EQ(m->xxp[1]->rows, 64);

  const xmp_sample& bytes = m.sampleOf(1, 0);
  EXPECT_EQ(bytes.len, 100);
  EXPECT_EQ(bytes.lps, 10);
  EXPECT_EQ(bytes.lpe, 60);
  EXPECT_EQ(bytes.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP | XMP_SAMPLE_LOOP_BIDIR),
            XMP_SAMPLE_LOOP);
  // libxmp rewrites the points after a loop's end for its interpolation: compare up to there.
  EXPECT_EQ(std::memcmp(bytes.data, written.instruments[0].samples[0].pcm8.data(), 60), 0);

  const xmp_sample& words = m.sampleOf(2, 0);
  EXPECT_EQ(words.len, 300);  // points, not bytes
  EXPECT_EQ(words.lps, 100);
  EXPECT_EQ(words.lpe, 200);
  EXPECT_EQ(words.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP | XMP_SAMPLE_LOOP_BIDIR),
            XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP | XMP_SAMPLE_LOOP_BIDIR);
  EXPECT_EQ(std::memcmp(words.data, written.instruments[1].samples[0].pcm16.data(), 400), 0);

  const xmp_sample& plain = m.sampleOf(2, 1);
  EXPECT_EQ(plain.len, 7);
  EXPECT_EQ(plain.flg & XMP_SAMPLE_LOOP, 0);
  EXPECT_EQ(std::memcmp(plain.data, written.instruments[1].samples[1].pcm8.data(), 7), 0);
}

TEST(XmRoundTrip, InstrumentsKeepTheirVolumesKeymapsAndEnvelopes) {
  Loaded m(richModule());
  ASSERT_TRUE(m.ok());
  const xmp_instrument& bytes = m->xxi[0];
  ASSERT_EQ(bytes.nsm, 1);
  EXPECT_EQ(bytes.sub[0].vol, 40);
  EXPECT_EQ(bytes.sub[0].pan, 200);
  EXPECT_EQ(bytes.sub[0].xpo, 3);
  EXPECT_EQ(bytes.aei.flg & XMP_ENVELOPE_ON, 0);

  const xmp_instrument& words = m->xxi[1];
  ASSERT_EQ(words.nsm, 2);
  EXPECT_STREQ(words.name, "words");
  EXPECT_EQ(words.sub[0].vol, 64);
  EXPECT_EQ(words.sub[1].vol, 12);
  // libxmp counts keys an octave lower than the format: the format's key k is its k + 12.
  EXPECT_EQ(words.map[12 + 59].ins, 0);
  EXPECT_EQ(words.map[12 + 60].ins, 1);
  EXPECT_EQ(words.map[12 + 95].ins, 1);
  EXPECT_EQ(words.aei.flg & (XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP),
            XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP);
  EXPECT_EQ(words.aei.npt, 4);
  EXPECT_EQ(words.aei.sus, 2);
  EXPECT_EQ(words.aei.lps, 1);
  EXPECT_EQ(words.aei.lpe, 2);
  EXPECT_EQ(words.aei.data[2], 8);
  EXPECT_EQ(words.aei.data[3], 64);
  EXPECT_EQ(words.aei.data[6], 90);
  EXPECT_EQ(words.pei.flg & XMP_ENVELOPE_ON, 0);
  EXPECT_EQ(words.pei.npt, 2);

  // The cue instrument: one silent sample with the cue notes' default volume.
  const xmp_instrument& cue = m->xxi[kCue - 1];
  ASSERT_EQ(cue.nsm, 1);
  EXPECT_EQ(cue.sub[0].vol, kCueDefaultVolume);
  const xmp_sample& silence = m.sampleOf(kCue, 0);
  for (int i = 0; i < silence.len; ++i)
    EXPECT_EQ(silence.data[i], 0);
  EXPECT_EQ(m->xxi[2].nsm, 0);  // an instrument left empty
}

}  // namespace
}  // namespace vesk::test
