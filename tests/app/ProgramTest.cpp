// The program as a person meets it: a window named "Vesk", F12 for a screenshot, Escape for the
// end picture and a clean exit, and a clear failure where there is no display.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>

#include "app/ProcessRunner.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

bool waitForFile(const std::filesystem::path& path, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) > 54) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

std::uint32_t little32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// The blue, green and red bytes of the centre pixel of a bottom-up 24-bit bitmap.
void centrePixel(const std::string& bmp, int& red, int& green, int& blue) {
  const std::uint32_t width = little32(bmp, 18), height = little32(bmp, 22);
  const std::size_t row = 3 * width + width % 4;
  const std::size_t at = 54 + (height - 1 - height / 2) * row + 3 * (width / 2);
  blue = static_cast<unsigned char>(bmp[at]);
  green = static_cast<unsigned char>(bmp[at + 1]);
  red = static_cast<unsigned char>(bmp[at + 2]);
}

TEST(Program, ShowsItsWindowTakesScreenshotsAndEndsWithTheEndPicture) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  int status = -1;
  runCommand("convert -size 64x48 xc:'#FF0000' '" + (dir / "data/textures/end.jpg").string() + "'",
             &status);
  ASSERT_EQ(status, 0) << "ImageMagick makes the end picture";

  // A display of its own: the keys must reach this window and no other test's.
  PrivateDisplay display;
  ASSERT_TRUE(display.ok());
  const std::string x = "DISPLAY=" + display.name() + " ";
  ChildProcess vesk(VESK_EXE, {"--no-panel"}, dir.path(), {{"DISPLAY", display.name()}});
  std::string window = runCommand(x + "timeout 60 xdotool search --sync --onlyvisible --pid " +
                                  std::to_string(vesk.pid()) + " --name '^Vesk$' | head -1");
  while (!window.empty() && window.back() == '\n')
    window.pop_back();
  ASSERT_FALSE(window.empty()) << "a visible window named Vesk";
  std::this_thread::sleep_for(300ms);

  runCommand(x + "xdotool key --window " + window + " F12");
  ASSERT_TRUE(waitForFile(dir / "VK-IMG0.bmp", 20s));
  runCommand(x + "xdotool key --window " + window + " Escape");
  const auto escaped = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(1000ms);
  runCommand(x + "xdotool key --window " + window + " F12");

  std::optional<int> code = vesk.wait(60s);
  const auto took = std::chrono::steady_clock::now() - escaped;
  ASSERT_TRUE(code.has_value()) << "the program ends by itself after Escape";
  EXPECT_EQ(*code, 0);
  EXPECT_GE(took, 1900ms) << "the end picture fades in for two seconds first";

  // A 24-bit bitmap that other tools read, of the window's 640 × 480 back buffer.
  std::string identified =
      runCommand("identify -format '%m %w %h' '" + (dir / "VK-IMG0.bmp").string() + "' 2>&1");
  EXPECT_EQ(identified, "BMP3 640 480");  // the classic 40-byte header
  std::string first = readFile(dir / "VK-IMG0.bmp");
  ASSERT_GE(first.size(), 54u);
  EXPECT_EQ(first.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(first[28]), 24);
  EXPECT_EQ(little32(first, 2), first.size());
  int red, green, blue;
  centrePixel(first, red, green, blue);
  EXPECT_EQ(red + green + blue, 0) << "an empty show is black";

  // A second later the red end picture is fading in.
  ASSERT_TRUE(std::filesystem::exists(dir / "VK-IMG1.bmp"));
  centrePixel(readFile(dir / "VK-IMG1.bmp"), red, green, blue);
  EXPECT_GT(red, 40);
  EXPECT_LT(green, 40);

  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("Core ("), std::string::npos);
  EXPECT_NE(log.find("Diagnosis system started \n"), std::string::npos);
  EXPECT_EQ(log.find("Detected memory leaks"), std::string::npos) << log;
  const std::string ending =
      "Shuting down renderer... \nShuting down sound system... \nD\xE9mo stopped \n \nMaximum "
      "memory usage : ";
  ASSERT_NE(log.find(ending), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - 10), " bytes \n \n");
}

TEST(Program, WithoutADisplayReportsItAndExitsWithCodeOne) {
  TempDir dir;
  ChildProcess vesk(VESK_EXE, {}, dir.path(),
                    {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}});
  std::optional<int> code = vesk.wait(60s);
  ASSERT_TRUE(code.has_value()) << "no hang, no crash";
  EXPECT_EQ(*code, 1);
  EXPECT_NE(readFile(dir / "Log.txt").find("DirectX error : unable to create a D3D8 object"),
            std::string::npos);
}

}  // namespace
}  // namespace vesk::test
