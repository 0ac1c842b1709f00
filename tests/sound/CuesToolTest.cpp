// The vesk-cues program, run as an author runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sound/SoundModules.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

ToolRun cues(const TempDir& dir, const std::string& arguments) {
  return runTool(VESK_CUES_EXE, arguments, dir.path());
}

class CuesTool : public ::testing::Test {
 protected:
  void SetUp() override {
    // Rows of 120 ms until the tempo goes to 150 BPM at row 8 (rows of 100 ms from there).
    XmModule module = cueModule(16);
    XmPattern& p = module.patterns[0];
    p.at(0, 0) = {37, kCue, 0, 0, 0};
    p.at(0, 1) = {37, kTone, 0, 0, 0};
    p.at(5, 1) = {49, kCue, xmSetVolume(10), 0, 0};
    p.at(8, 3) = {0, 0, 0, 0x0F, 150};
    p.at(9, 0) = {13, kCue, 0, 0, 0};
    p.at(12, 2) = {kXmKeyOff, kCue, 0, 0, 0};
    p.at(15, 2) = {96, kCue, xmSetVolume(64), 0, 0};
    std::string error;
    ASSERT_TRUE(saveXm(dir / "music.xm", module, error)) << error;
  }

  TempDir dir;
  std::string file = quoted(dir / "music.xm");
};

TEST_F(CuesTool, ListsEachCueOnceThroughTheSongWithTheTimeItIsHeard) {
  const ToolRun run = cues(dir, file);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "0 2337 36 33\n"
            "600 3082 48 10\n"
            "1060 801 12 33\n"
            "1660 6144 95 64\n");
}

TEST_F(CuesTool, WithADurationTheModuleLoopsAsInTheShow) {
  const ToolRun run = cues(dir, file + " --seconds 1.8");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "0 2337 36 33\n"
            "600 3082 48 10\n"
            "1060 801 12 33\n"
            "1660 6144 95 64\n"
            "1760 2337 36 33\n");
  EXPECT_EQ(cues(dir, file + " --seconds 0.5").out, "0 2337 36 33\n");
}

TEST_F(CuesTool, WhatIsNotAModuleOrNotAUsageFails) {
  writeFile(dir / "noise.xm", std::string(500, 'x'));
  ToolRun run = cues(dir, quoted(dir / "noise.xm"));
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("is not a module"), std::string::npos) << run.err;
  run = cues(dir, quoted(dir / "missing.xm"));
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  for (const char* wrong : {"", " --seconds", " --seconds -1", " --seconds x", " --loud"}) {
    run = cues(dir, std::string(wrong).empty() ? "" : file + wrong);
    EXPECT_EQ(run.code, 2) << wrong;
    EXPECT_EQ(run.out, "") << wrong;
  }
}

TEST_F(CuesTool, AFolderIsNotReadAsAModule) {
  std::filesystem::create_directories(dir / "folder.xm");
  const ToolRun run = cues(dir, quoted(dir / "folder.xm"));
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("folder.xm: a folder, not a file"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vesk::test
