// The XM writer: what it refuses, and another player reading what it writes. (libxmp reading
// it back is checked with the sound tests.)
#include "authoring/XmWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "support/TestSupport.h"

namespace vesk {
namespace {

XmModule smallModule() {
  XmModule module;
  module.name = "small";
  module.channels = 2;
  module.speed = 4;
  module.bpm = 140;
  module.restart = 1;
  module.patterns.emplace_back(2, 2);
  module.patterns.emplace_back(64, 2);
  module.orders = {1, 0, 1};
  return module;
}

TEST(XmWriter, ModulesTheFormatCannotHoldAreRefused) {
  const std::vector<std::pair<const char*, std::function<void(XmModule&)>>> cases{
      {"33 channels", [](XmModule& m) { m.channels = 33; }},
      {"no orders", [](XmModule& m) { m.orders.clear(); }},
      {"an order past the patterns", [](XmModule& m) { m.orders.push_back(2); }},
      {"restart past the orders", [](XmModule& m) { m.restart = 3; }},
      {"speed 0", [](XmModule& m) { m.speed = 0; }},
      {"a pattern of another width", [](XmModule& m) { m.patterns.emplace_back(4, 3); }},
      {"a pattern of 257 rows", [](XmModule& m) { m.patterns.emplace_back(257, 2); }},
      {"note 98", [](XmModule& m) { m.patterns[0].at(1, 1).note = 98; }},
      {"a long name", [](XmModule& m) { m.name = std::string(21, 'x'); }},
      {"a sample volume of 65", [](XmModule& m) { m.instruments[0].samples[0].volume = 65; }},
      {"a loop past the end",
       [](XmModule& m) {
         XmSample& s = m.instruments[0].samples[0];
         s.loop = XmLoop::Forward;
         s.loopStart = 10;
         s.loopLength = 7;
       }},
      {"points of both widths", [](XmModule& m) { m.instruments[0].samples[0].pcm16 = {1}; }},
      {"a note mapped to a missing sample", [](XmModule& m) { m.instruments[0].keymap[40] = 1; }},
      {"an envelope of 13 points",
       [](XmModule& m) {
         for (std::uint16_t i = 0; i < 13; ++i)
           m.instruments[0].volumeEnvelope.points.push_back({i, 10});
       }},
      {"an envelope on without points",
       [](XmModule& m) { m.instruments[0].panningEnvelope.on = true; }},
      {"an envelope going back in time",
       [](XmModule& m) {
         m.instruments[0].volumeEnvelope.points = {{5, 1}, {5, 2}};
       }},
      {"17 samples",
       [](XmModule& m) { m.instruments[0].samples.resize(17, m.instruments[0].samples[0]); }},
  };
  for (const auto& [what, change] : cases) {
    XmModule module = smallModule();
    module.instruments = {xmCueInstrument()};
    module.instruments[0].samples[0].pcm8.resize(16);
    ASSERT_TRUE(writeXm(module)) << what;
    change(module);
    const XmResult written = writeXm(module);
    EXPECT_FALSE(written) << what;
    EXPECT_TRUE(written.bytes.empty()) << what;
  }
}

TEST(XmWriter, AnotherPlayerReadsTheModule) {
  test::TempDir dir;
  XmModule module;
  module.name = "probe";
  module.channels = 4;
  module.patterns.emplace_back(16, 4);
  module.patterns.emplace_back(32, 4);
  module.orders = {0, 1, 0};
  module.patterns[0].at(0, 0) = {37, 1, 0, 0, 0};
  module.patterns[0].at(4, 1) = {37, 15, 0, 0, 0};
  module.instruments.resize(15);
  XmSample tone;
  tone.sixteenBit = true;
  for (int i = 0; i < 200; ++i)
    tone.pcm16.push_back(i % 20 < 10 ? 6000 : -6000);
  tone.loop = XmLoop::Forward;
  tone.loopLength = 200;
  module.instruments[0].samples = {tone};
  module.instruments[0].volumeEnvelope = {true, {{0, 64}, {30, 20}}, -1, 0, 1};
  module.instruments[14] = xmCueInstrument(33);
  std::string error;
  ASSERT_TRUE(saveXm(dir / "probe.xm", module, error)) << error;

  const std::string command = "openmpt123 --info '" + (dir / "probe.xm").string() + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string info;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    info.append(buffer, got);
  ASSERT_EQ(pclose(pipe), 0) << info;
  // 64 rows of 6 ticks at 125 BPM (20 ms a tick).
  EXPECT_NE(info.find("Duration...: 00:07.680"), std::string::npos) << info;
  EXPECT_NE(info.find("Patterns...: 2\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Orders.....: 3\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Instruments: 15\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Samples....: 2\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Title......: probe"), std::string::npos) << info;
}

TEST(XmWriter, SavingWhereNoFileCanBeMadeFails) {
  test::TempDir dir;
  XmModule module = smallModule();
  std::string error;
  EXPECT_FALSE(saveXm(dir / "missing/folder/a.xm", module, error));
  EXPECT_FALSE(error.empty());
  module.channels = 0;
  EXPECT_FALSE(saveXm(dir / "a.xm", module, error));
  EXPECT_EQ(error, "0 channels; 1 to 32 fit");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.xm"));
}

}  // namespace
}  // namespace vesk
