#include "platform/Display.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "GlPixel.h"
#include "platform/Window.h"

extern char** environ;

namespace vesk {
namespace {

// The test program started again with VESK_VIDEO_PROBE set is the child of the no-display
// tests: before any test runs it opens the video, makes the window, draws one pixel, and
// exits with what happened.
enum ProbeResult {
  kProbeDrew = 0,
  kProbeRefused = 10,
  kProbeNoWindow = 11,
  kProbeBadPixel = 12,
  kProbeNoModes = 13
};

int runProbe() {
  std::string error;
  if (!openVideo(error)) return kProbeRefused;
  if (listDisplayModes().empty()) return kProbeNoModes;
  int result = kProbeDrew;
  {
    Window window;
    if (!window.create(error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      result = kProbeNoWindow;
    } else {
      std::array<std::uint8_t, 4> pixel{};
      if (!test::clearAndRead(0.0f, 1.0f, 0.0f, 10, 10, pixel) || pixel[0] != 0 ||
          pixel[1] != 255 || pixel[2] != 0) {
        result = kProbeBadPixel;
      }
    }
  }
  closeVideo();
  return result;
}

[[maybe_unused]] const bool probeChild = [] {
  if (std::getenv("VESK_VIDEO_PROBE")) std::_Exit(runProbe());
  return false;
}();

// Runs the probe in a child without any display in its environment, plus `extra` variables.
// Answers the exit code, or -1 when the child had to be killed after the time limit.
int probeWithoutDisplay(const std::vector<std::string>& extra) {
  std::vector<std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    std::string variable = *entry;
    if (variable.starts_with("DISPLAY=") || variable.starts_with("WAYLAND_DISPLAY=") ||
        variable.starts_with("SDL_VIDEODRIVER=")) {
      continue;
    }
    variables.push_back(variable);
  }
  variables.push_back("VESK_VIDEO_PROBE=1");
  variables.insert(variables.end(), extra.begin(), extra.end());
  std::vector<char*> envp;
  for (std::string& variable : variables)
    envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  char* argv[] = {self.data(), nullptr};

  pid_t child = 0;
  if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) {
    ADD_FAILURE() << "cannot start the probe: " << std::strerror(errno);
    return -2;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!WIFEXITED(status)) return -3;
  return WEXITSTATUS(status);
}

TEST(NoDisplayTest, VideoIsRefusedWhereNothingCanBeSeen) {
  // Without a display SDL falls back to a driver that shows nothing; the show must not run
  // unseen, and must not hang either.
  EXPECT_EQ(probeWithoutDisplay({}), kProbeRefused);
  // A driver named but unable to open is refused the same way.
  EXPECT_EQ(probeWithoutDisplay({"SDL_VIDEODRIVER=x11"}), kProbeRefused);
}

TEST(NoDisplayTest, OffscreenDriverAskedForByNameDrawsWithOpenGl) {
  EXPECT_EQ(probeWithoutDisplay({"SDL_VIDEODRIVER=offscreen"}), kProbeDrew);
  EXPECT_EQ(probeWithoutDisplay({"SDL_VIDEODRIVER=wayland,Offscreen"}), kProbeDrew);
}

TEST(DisplayModeTest, TheDesktopModeIsAmongTheListedModes) {
  std::string error;
  ASSERT_TRUE(openVideo(error)) << error;
  gfx::DisplayMode desktop;
  ASSERT_TRUE(desktopDisplayMode(desktop));
  // The test server runs a 24-bit screen: 32-bit words of 8-bit channels.
  EXPECT_EQ(desktop.format, gfx::Format::X8R8G8B8);
  std::vector<gfx::DisplayMode> modes = listDisplayModes();
  ASSERT_FALSE(modes.empty());
  bool found = std::any_of(modes.begin(), modes.end(), [&](const gfx::DisplayMode& mode) {
    return mode.width == desktop.width && mode.height == desktop.height &&
           mode.format == desktop.format;
  });
  EXPECT_TRUE(found) << desktop.width << " x " << desktop.height;
  for (const gfx::DisplayMode& mode : modes) {
    EXPECT_GT(mode.width, 0u);
    EXPECT_GT(mode.height, 0u);
  }
  closeVideo();
}

TEST(DisplayModeTest, OnlyEightBitChannelsInThirtyTwoBitWordsCountAsX8R8G8B8) {
  for (Uint32 format : {SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_BGRA8888,
                        SDL_PIXELFORMAT_RGBX8888, SDL_PIXELFORMAT_BGR888}) {
    EXPECT_EQ(displayFormat(format), gfx::Format::X8R8G8B8) << SDL_GetPixelFormatName(format);
  }
  EXPECT_EQ(displayFormat(SDL_PIXELFORMAT_RGB24), gfx::Format::R8G8B8);
  // 32 bits per pixel, but ten bits a channel.
  EXPECT_EQ(displayFormat(SDL_PIXELFORMAT_ARGB2101010), gfx::Format::Unknown);
  for (Uint32 format : {SDL_PIXELFORMAT_UNKNOWN, SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_INDEX8,
                        SDL_PIXELFORMAT_YV12}) {
    EXPECT_EQ(displayFormat(format), gfx::Format::Unknown) << SDL_GetPixelFormatName(format);
  }
}

}  // namespace
}  // namespace vesk
