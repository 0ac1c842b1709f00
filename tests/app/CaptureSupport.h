// Running vesk-capture on a script in a temporary folder and reading the frames it wrote.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include "authoring/SceneWriter.h"

#include "support/TestSupport.h"

namespace vesk::test {

constexpr int kCaptureWidth = 160, kCaptureHeight = 120;

// Runs the tool on show.txt in `dir` at 160 × 120 and 25 fps, writing every `every`th frame
// until `until` ms into the folder `out`; its exit code, or -1 when it did not end within
// `limit`.
int captureFrames(const TempDir& dir, const char* until, int every, std::chrono::seconds limit,
                  const std::string& out = "frames");
inline int captureEveryFrame(const TempDir& dir, const char* until, std::chrono::seconds limit) {
  return captureFrames(dir, until, 1, limit);
}
// The frame written for show time `ms` into the folder `out`.
std::filesystem::path framePath(const TempDir& dir, int ms, const std::string& out = "frames");
// All the pixels of a frame as 0xRRGGBB, top row first; empty when it cannot be read.
std::vector<std::uint32_t> framePixels(const std::filesystem::path& png);

struct Rgb {
  int r = -1, g = -1, b = -1;
};

// The pixel at (x, y) counted from the top left; -1s when the picture cannot be read.
Rgb pixelAt(const std::filesystem::path& png, int x, int y);
::testing::AssertionResult near(Rgb actual, Rgb expected, int tolerance = 6);

// A picture of `size` made by ImageMagick's `convert` from `spec`, in data/textures.
void picture(const TempDir& dir, const std::string& name, const std::string& spec,
             const std::string& size = "64x64");
// A written scene file under data/.
void scene(const TempDir& dir, const std::string& file, const SceneFile& content);

}  // namespace vesk::test
