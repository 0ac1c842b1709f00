#include "app/CaptureSupport.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ProcessRunner.h"
#include "base/Text.h"

namespace vesk::test {

int captureFrames(const TempDir& dir, const char* until, int every, std::chrono::seconds limit,
                  const std::string& out) {
  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--script", "show.txt", "--size", "160x120", "--fps", "25", "--until",
                        until, "--out", out, "--every", std::to_string(every)},
                       dir.path());
  return capture.wait(limit).value_or(-1);
}

Rgb pixelAt(const std::filesystem::path& png, int x, int y) {
  FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, png.c_str(), PNG_DEFAULT);
  if (!bitmap) return {};
  RGBQUAD colour{};
  const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
  FreeImage_GetPixelColor(bitmap, static_cast<unsigned>(x), static_cast<unsigned>(height - 1 - y),
                          &colour);
  FreeImage_Unload(bitmap);
  return {colour.rgbRed, colour.rgbGreen, colour.rgbBlue};
}

::testing::AssertionResult near(Rgb actual, Rgb expected, int tolerance) {
  if (std::abs(actual.r - expected.r) <= tolerance &&
      std::abs(actual.g - expected.g) <= tolerance &&
      std::abs(actual.b - expected.b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "got (" << actual.r << ", " << actual.g << ", " << actual.b << "), expected about ("
         << expected.r << ", " << expected.g << ", " << expected.b << ")";
}

void picture(const TempDir& dir, const std::string& name, const std::string& spec,
             const std::string& size) {
  int status = -1;
  runCommand("convert -size " + size + " " + spec + " '" +
                 (dir / ("data/textures/" + name)).string() + "'",
             &status);
  ASSERT_EQ(status, 0) << name;
}

void scene(const TempDir& dir, const std::string& file, const SceneFile& content) {
  std::string error;
  ASSERT_TRUE(saveScene(dir / "data" / file, content, error)) << error;
}

std::filesystem::path framePath(const TempDir& dir, int ms, const std::string& out) {
  char name[16];
  std::snprintf(name, sizeof name, "t%08d.png", ms);
  return dir / out / name;
}

std::vector<std::uint32_t> framePixels(const std::filesystem::path& png) {
  FIBITMAP* bitmap = FreeImage_Load(FIF_PNG, png.c_str(), PNG_DEFAULT);
  if (!bitmap) return {};
  const unsigned width = FreeImage_GetWidth(bitmap), height = FreeImage_GetHeight(bitmap);
  std::vector<std::uint32_t> pixels;
  pixels.reserve(std::size_t{width} * height);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      RGBQUAD colour{};
      FreeImage_GetPixelColor(bitmap, x, height - 1 - y, &colour);
      pixels.push_back(std::uint32_t{colour.rgbRed} << 16 | colour.rgbGreen << 8 | colour.rgbBlue);
    }
  }
  FreeImage_Unload(bitmap);
  return pixels;
}

}  // namespace vesk::test
