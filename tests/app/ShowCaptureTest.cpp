// The whole compiled-in show captured from the data the build writes, as a viewer would see
// it at a small size: from the loading pictures to the quit cue without an assertion, a fatal
// error or a leak, every section on screen, none of them black, no two of them alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CaptureSupport.h"
#include "app/ProcessRunner.h"
#include "show/ClepsydraShow.h"
#include "show/CuePlan.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

constexpr int kFps = 10, kEvery = 5;  // a frame every 100 ms, one saved every 500 ms

// The saved frame nearest to `ms`.
int savedFrameNear(std::int64_t ms) {
  const std::int64_t step = 1000 / kFps * kEvery;
  return static_cast<int>((ms + step / 2) / step * step);
}

double meanBrightness(const std::vector<std::uint32_t>& pixels) {
  double sum = 0;
  for (std::uint32_t pixel : pixels)
    sum += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
  return pixels.empty() ? 0 : sum / (3.0 * static_cast<double>(pixels.size()));
}

TEST(ShowCapture, TheWholeShowPlaysFromTheLoadingToTheQuitCue) {
  TempDir dir;
  std::filesystem::copy_file(std::filesystem::path(VESK_SHOW_DIR) / "Data.vk", dir / "Data.vk");
  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--show", "--size", "160x120", "--fps", std::to_string(kFps), "--every",
                        std::to_string(kEvery), "--out", "frames"},
                       dir.path());
  ASSERT_EQ(capture.wait(1800s).value_or(-1), 0) << readFile(dir / "Log.txt");
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_EQ(log.find("Assertion failed"), std::string::npos) << log;
  EXPECT_EQ(log.find("Detected memory leaks"), std::string::npos) << log;
  // The quit cue ended the run: the last section's last cue was received.
  const std::vector<PlannedSection> plan = cuePlan();
  EXPECT_NE(log.find("Received code " + std::to_string(plan.back().cues.back().code)),
            std::string::npos);

  // A frame a third and two thirds into every section: lit, and unlike the other sections'.
  const std::int64_t musicStart = loadingSchedule().rbegin()[1].time;
  std::vector<std::vector<std::uint32_t>> middles;
  for (std::size_t s = 0; s < plan.size(); ++s) {
    const std::int64_t start = musicStart + std::int64_t{plan[s].firstRow} * kRowMs;
    const std::int64_t length = std::int64_t{plan[s].patterns} * kRowsPerPattern * kRowMs;
    for (std::int64_t at : {start + length / 3, start + 2 * length / 3}) {
      const std::vector<std::uint32_t> pixels = framePixels(framePath(dir, savedFrameNear(at)));
      ASSERT_FALSE(pixels.empty()) << "section " << s + 1 << " at " << at << " ms";
      EXPECT_GT(meanBrightness(pixels), 4.0) << "section " << s + 1 << " at " << at << " ms";
      if (at == start + length / 3) middles.push_back(pixels);
    }
  }
  for (std::size_t a = 0; a < middles.size(); ++a)
    for (std::size_t b = a + 1; b < middles.size(); ++b)
      EXPECT_NE(middles[a], middles[b]) << "sections " << a + 1 << " and " << b + 1;
}

}  // namespace
}  // namespace vesk::test
