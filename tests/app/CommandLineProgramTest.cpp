// vesk's command line through the real program: its refusals (exit code 2 before any window),
// --help and --version, and options that reach the settings the show starts with.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/ProcessRunner.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// The program's output and exit code, run in `dir` with no display at all: a run that got as far
// as a window would fail.
std::string vesk(const TempDir& dir, const std::string& arguments, int& status) {
  return runCommand("cd '" + dir.path().string() + "' && DISPLAY= WAYLAND_DISPLAY= " VESK_EXE " " +
                        arguments + " 2>&1",
                    &status);
}

TEST(CommandLine, RefusesWrongOptionsWithTheUsageAndCodeTwo) {
  TempDir dir;
  for (const char* wrong :
       {"--bogus", "--volume 101", "--volume -1", "--volume", "--mode 640", "--mode 0x480",
        "--window --fullscreen", "--sound --no-sound", "--data /nonexistent/folder", "extra"}) {
    int status = -1;
    const std::string output = vesk(dir, wrong, status);
    EXPECT_EQ(status, 2) << wrong;
    EXPECT_NE(output.find("usage: vesk [--data DIR]"), std::string::npos) << wrong;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "Log.txt")) << "refused before start-up";

  int status = -1;
  EXPECT_EQ(vesk(dir, "--help", status).rfind("usage: vesk [--data DIR]", 0), 0u);
  EXPECT_EQ(status, 0);
  const std::string version = vesk(dir, "--version", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(version.rfind("vesk ", 0), 0u) << version;
  EXPECT_NE(version.find("\nLast built on "), std::string::npos) << version;
}

std::string logOf(const TempDir& dir) {
  return std::filesystem::exists(dir / "Log.txt") ? readFile(dir / "Log.txt") : std::string();
}

// Runs the show without the panel until it logged its settings, then stops it; the log.
std::string startedSettings(const PrivateDisplay& display, const TempDir& dir,
                            const std::vector<std::string>& arguments) {
  std::filesystem::remove(dir / "Log.txt");
  ChildProcess program(VESK_EXE, arguments, "/", {{"DISPLAY", display.name()}});
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  std::string log;
  while (std::chrono::steady_clock::now() < deadline &&
         (log = logOf(dir)).find("Initialising renderer") == std::string::npos) {
    std::this_thread::sleep_for(100ms);
  }
  program.terminate();
  return logOf(dir);
}

TEST(CommandLine, OptionsPresetThePanelAndNoPanelStartsAtOnce) {
  PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  int status = -1;
  runCommand("convert -size 8x8 xc:black '" + (dir / "data/textures/end.jpg").string() + "'",
             &status);
  ASSERT_EQ(status, 0) << "ImageMagick makes the end picture";
  std::string log = startedSettings(
      display, dir,
      {"--data", dir.path().string(), "--no-panel", "--sound", "--volume", "40", "--loop"});
  EXPECT_NE(log.find("Settings (changed): desktop window, mode 0, device 1, vertex processing "
                     "0x40, anti-aliasing off, sound on, volume 40, loop on, party version off, "
                     "gamma 0"),
            std::string::npos)
      << log;

  // The party version forces its values over the others; the display's one mode is 1024 x 768.
  log = startedSettings(display, dir,
                        {"--data", dir.path().string(), "--no-panel", "--party", "--window",
                         "--no-sound", "--mode", "1024x768"});
  EXPECT_NE(log.find("Settings (changed): full screen, mode 0, device 1, vertex processing 0x40, "
                     "anti-aliasing off, sound on, volume 100, loop off, party version on, gamma "
                     "15"),
            std::string::npos)
      << log;

  // A mode the display does not offer is refused before any window opens.
  std::filesystem::remove(dir / "Log.txt");
  ChildProcess refused(VESK_EXE, {"--data", dir.path().string(), "--mode", "640x480"}, "/",
                       {{"DISPLAY", display.name()}});
  EXPECT_EQ(refused.wait(60s).value_or(-1), 2);
  EXPECT_EQ(logOf(dir).find("Initialising renderer"), std::string::npos);
  EXPECT_EQ(logOf(dir).find("Panel: OpenGL"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
