// The vesk-cues program, run as an author runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sound/SoundModules.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// A path in single quotes, for the shell. Built by appending: for "'" + std::string, GCC 12
// at -O2 wrongly warns of an overlapping copy (-Wrestrict).
std::string quoted(const std::filesystem::path& path) {
  std::string text = "'";
  text += path.string();
  text += '\'';
  return text;
}

Outcome cues(const TempDir& dir, const std::string& arguments) {
  const std::string command =
      std::string(VESK_CUES_EXE) + " " + arguments + " 2>" + quoted(dir / "err");
  Outcome run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = readFile(dir / "err");
  return run;
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
  const Outcome run = cues(dir, file);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "0 2337 36 33\n"
            "600 3082 48 10\n"
            "1060 801 12 33\n"
            "1660 6144 95 64\n");
}

TEST_F(CuesTool, WithADurationTheModuleLoopsAsInTheShow) {
  const Outcome run = cues(dir, file + " --seconds 1.8");
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
  Outcome run = cues(dir, quoted(dir / "noise.xm"));
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
  std::string quoted = "'";
  quoted += (dir / "folder.xm").string();
  quoted += "'";
  const Outcome run = cues(dir, quoted);
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("folder.xm: a folder, not a file"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vesk::test
