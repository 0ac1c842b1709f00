// Which cells raise cues, what they report and when, on the synchronous mixing path.
#include <gtest/gtest.h>

#include <thread>

#include "events/MusicEvents.h"
#include "sound/SoundModules.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

struct Heard {
  std::uint32_t module;
  std::uint32_t data;
  std::uint64_t frame;
  bool operator==(const Heard&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Heard& h) {
  return out << "{module " << h.module << ", note " << (h.data & 0xFFFF) << ", volume "
             << (h.data >> 16) << ", frame " << h.frame << "}";
}

class CueNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    sound.init(SoundOutput::Manual);
    sound.setCueObserver([this](const CueReport& cue) {
      heard.push_back({cue.module, cue.data, cue.frame});
    });
  }
  void TearDown() override { Sound::destroyInstance(); }

  // Plays the module and mixes `frames` frames in blocks of `block`.
  std::uint32_t play(const XmModule& module, std::uint64_t frames, std::size_t block = 1000,
                     bool loop = true) {
    const std::uint32_t handle = load(sound, module, loop);
    EXPECT_NE(handle, 0u);
    sound.moduleSetCallback(handle, &SyncRecorder::callback, &syncs);
    sound.modulePlay(handle);
    mix(frames, block);
    return handle;
  }
  void mix(std::uint64_t frames, std::size_t block = 1000) {
    std::vector<std::int16_t> out(block * 2);
    while (frames > 0) {
      const std::size_t count = frames < block ? frames : block;
      sound.renderFrames(out.data(), count);
      frames -= count;
    }
  }
  static std::uint64_t rowFrame(std::uint64_t ticks) { return ticks * kTickFrames; }

  RecordingPresenter shown;
  Sound& sound = Sound::getInstance();
  std::vector<Heard> heard;
  SyncRecorder syncs;
};

TEST_F(CueNotes, KnownRowsReportTheirNotesInOrderAtTheTickTheyAreHeard) {
  XmModule module = cueModule(16);
  XmPattern& p = module.patterns[0];
  p.at(0, 0) = {37, kCue, 0, 0, 0};  // C-3: note 36, the sample's default volume
  p.at(3, 2) = {49, kCue, xmSetVolume(20), 0, 0};
  p.at(3, 1) = {1, kCue, xmSetVolume(64), 0, 0};         // C-0, same row: channel order
  p.at(10, 3) = {96, kCue, xmSetVolume(0), 0x08, 0x40};  // B-7, with an effect
  const std::uint32_t m = play(module, rowFrame(16 * 6));

  const std::vector<Heard> expected{{m, cueData(37, kCueDefaultVolume), rowFrame(0)},
                                    {m, cueData(1, 64), rowFrame(3 * 6)},
                                    {m, cueData(49, 20), rowFrame(3 * 6)},
                                    {m, cueData(96, 0), rowFrame(10 * 6)}};
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(syncs.data(), (std::vector<std::uint32_t>{cueData(37, 33), cueData(1, 64),
                                                      cueData(49, 20), cueData(96, 0)}));
  // The callback's data gives the show's cue codes: volume + 64 × note.
  EXPECT_EQ(MusicEvents::cueCode(syncs.data()[0]), 33 + 64 * 36);
  EXPECT_EQ(MusicEvents::cueCode(syncs.data()[3]), 64 * 95);
  for (const SyncRecorder::Received& r : syncs.received()) {
    EXPECT_EQ(r.channel, m);
    EXPECT_EQ(r.thread, std::this_thread::get_id());  // raised inside renderFrames
  }
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(CueNotes, OnlyInstrumentFifteenNotesAreCues) {
  XmModule module = cueModule(16);
  XmPattern& p = module.patterns[0];
  p.at(0, 0) = {37, kTone, 0, 0, 0};              // another instrument
  p.at(1, 1) = {37, 14, 0, 0, 0};                 // an empty instrument
  p.at(2, 2) = {kXmKeyOff, kCue, 0, 0, 0};        // key-off with the cue instrument
  p.at(3, 3) = {0, kCue, xmSetVolume(10), 0, 0};  // instrument without a note
  p.at(4, 0) = {25, kCue, 0, 0, 0};               // the one cue
  p.at(5, 0) = {37, 0, 0, 0, 0};                  // a note on the cue's channel, no instrument
  p.at(6, 0) = {0, 0, xmSetVolume(40), 0, 0};     // a volume alone
  p.at(7, 0) = {0, 0, 0, 0x0E, 0x90 | 1};         // a retrigger alone
  play(module, rowFrame(16 * 6));
  EXPECT_EQ(heard, (std::vector<Heard>{{1, cueData(25, kCueDefaultVolume), rowFrame(4 * 6)}}));
}

TEST_F(CueNotes, VolumeComesFromTheVolumeColumnElseFromTheSampleTheNotePlays) {
  XmModule module = cueModule(8);
  // The cue instrument plays sample 0 (volume 10) below C-4 and sample 1 (volume 50) from C-4.
  XmInstrument& cue = module.instruments[kCue - 1];
  cue.samples.push_back(cue.samples[0]);
  cue.samples[0].volume = 10;
  cue.samples[1].volume = 50;
  for (std::size_t key = 48; key < 96; ++key)
    cue.keymap[key] = 1;
  XmPattern& p = module.patterns[0];
  p.at(0, 0) = {48, kCue, 0, 0, 0};               // B-3: sample 0
  p.at(1, 0) = {49, kCue, 0, 0, 0};               // C-4: sample 1
  p.at(2, 0) = {49, kCue, 0x60 | 2, 0, 0};        // a volume slide is no volume
  p.at(3, 0) = {49, kCue, 0xC0 | 8, 0, 0};        // nor a panning
  p.at(4, 0) = {49, kCue, xmSetVolume(0), 0, 0};  // volume 0 is a volume
  p.at(5, 0) = {48, kCue, xmSetVolume(64), 0, 0};
  p.at(6, 0) = {48, kCue, 0, 0x0C, 5};  // the volume effect does not count
  const std::uint32_t m = play(module, rowFrame(8 * 6));
  std::vector<std::uint32_t> volumes;
  for (const Heard& h : heard)
    volumes.push_back(h.data >> 16);
  EXPECT_EQ(volumes, (std::vector<std::uint32_t>{10, 50, 50, 50, 0, 64, 10}));

  // A cue instrument without samples has no default volume to report.
  XmModule bare = cueModule(2);
  bare.instruments[kCue - 1] = XmInstrument{};
  bare.patterns[0].at(0, 0) = {13, kCue, 0, 0, 0};
  bare.patterns[0].at(1, 0) = {13, kCue, xmSetVolume(7), 0, 0};
  sound.channelStop(m);
  heard.clear();
  const std::uint32_t b = play(bare, rowFrame(2 * 6));
  ASSERT_NE(b, m);
  EXPECT_EQ(heard, (std::vector<Heard>{{b, cueData(13, 0), sound.renderedFrames() - rowFrame(12)},
                                       {b, cueData(13, 7), sound.renderedFrames() - rowFrame(6)}}));
}

TEST_F(CueNotes, JumpsLoopsAndDelaysAreFollowedAsTheyAreHeard) {
  XmModule module = cueModule(6, 2);
  module.speed = 2;
  module.patterns.emplace_back(4, 2);
  module.orders = {0, 1};
  XmPattern& p = module.patterns[0];
  p.at(0, 0) = {1, kCue, 0, 0, 0};
  p.at(1, 0) = {2, kCue, 0, 0x0E, 0xE1};             // the row lasts twice as long
  p.at(2, 0) = {3, kCue, 0, 0x0E, 0x60};             // loop start
  p.at(3, 0) = {4, kCue, 0, 0x0E, 0x61};             // back once to the loop start
  p.at(4, 0) = {5, kCue, 0, 0x0D, 0x02};             // on to row 2 of the next pattern
  p.at(5, 0) = {6, kCue, 0, 0, 0};                   // skipped
  module.patterns[1].at(0, 1) = {7, kCue, 0, 0, 0};  // skipped
  module.patterns[1].at(2, 1) = {8, kCue, 0, 0, 0};
  const std::uint32_t m = play(module, rowFrame(40), 777, /*loop=*/false);

  std::vector<std::pair<std::uint32_t, std::uint64_t>> notesAndTicks;
  for (const Heard& h : heard)
    notesAndTicks.emplace_back(h.data & 0xFFFF, h.frame / kTickFrames);
  using Pairs = std::vector<std::pair<std::uint32_t, std::uint64_t>>;
  EXPECT_EQ(notesAndTicks,
            (Pairs{{0, 0}, {1, 2}, {2, 6}, {3, 8}, {2, 10}, {3, 12}, {4, 14}, {7, 16}}));
  // Played once: the song ends after pattern 1's last row.
  EXPECT_TRUE(sound.moduleEnded(m));
}

TEST_F(CueNotes, ModulesPlayingTogetherReportTheirOwnCuesInTimeOrder) {
  XmModule a = cueModule(8);
  a.patterns[0].at(0, 0) = {13, kCue, 0, 0, 0};
  a.patterns[0].at(4, 0) = {14, kCue, 0, 0, 0};
  XmModule b = cueModule(8);
  b.speed = 3;
  b.patterns[0].at(0, 0) = {25, kCue, 0, 0, 0};
  b.patterns[0].at(4, 0) = {26, kCue, 0, 0, 0};  // tick 12, before a's row 4 at tick 24
  const std::uint32_t first = load(sound, a);
  const std::uint32_t second = load(sound, b);
  sound.modulePlay(first);
  sound.modulePlay(second);
  mix(rowFrame(30));
  EXPECT_EQ(heard, (std::vector<Heard>{{first, cueData(13, 33), 0},
                                       {second, cueData(25, 33), 0},
                                       {second, cueData(26, 33), rowFrame(12)},
                                       {first, cueData(14, 33), rowFrame(24)},
                                       {second, cueData(25, 33), rowFrame(24)}}));

  // A stopped module raises nothing and, played again, goes on from where it stopped.
  heard.clear();
  sound.channelStop(second);
  mix(rowFrame(18));  // up to tick 48: a's second pass starts
  sound.modulePlay(second);
  mix(rowFrame(12));
  EXPECT_EQ(heard, (std::vector<Heard>{{first, cueData(13, 33), rowFrame(48)},
                                       {second, cueData(26, 33), rowFrame(54)}}));
}

}  // namespace
}  // namespace vesk::test
