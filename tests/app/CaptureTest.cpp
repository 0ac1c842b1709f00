// vesk-capture renders a text script offscreen on a manual clock: pictures in viewports with
// borders, a rectangle animation and each layer effect, checked a few pixels at a time.
#include <FreeImage.h>

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/ProcessRunner.h"
#include "base/Text.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

struct Rgb {
  int r = -1, g = -1, b = -1;
};

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

::testing::AssertionResult near(Rgb actual, Rgb expected, int tolerance = 6) {
  if (std::abs(actual.r - expected.r) <= tolerance &&
      std::abs(actual.g - expected.g) <= tolerance &&
      std::abs(actual.b - expected.b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "got (" << actual.r << ", " << actual.g << ", " << actual.b << "), expected about ("
         << expected.r << ", " << expected.g << ", " << expected.b << ")";
}

void picture(const TempDir& dir, const std::string& name, const std::string& spec) {
  int status = -1;
  runCommand(
      "convert -size 64x64 " + spec + " '" + (dir / ("data/textures/" + name)).string() + "'",
      &status);
  ASSERT_EQ(status, 0) << name;
}

// A 160 × 120 screen in four quarters over a blue background: a fade (top left, with a white
// border), a flash (top right), a cross fade through a top-bright mask (bottom left) and a
// motion blur of a picture that turns from red to blue each second (bottom right); a small
// red box slides from the top-left corner to the bottom-right one in the first second.
constexpr const char* kScript = R"(# effects in four viewports
at 0 CORE 4 s:"red.png" b:false s:"red"
at 1 CORE 4 s:"blue.png" b:false s:"blue"
at 2 CORE 5 s:"turn.png" b:false i:2 f:1 s:"turn"
at 3 DEFVIEWPORT 22 i:0 f:1 s:"blue"
at 4 VIEWPORT1 17 f:0 f:0 f:0.5 f:0.5 b:true i:2 f:1 f:1 f:1
at 5 VIEWPORT1 22 i:0 f:1 s:"red"
at 6 VIEWPORT1 29 i:0 f:2 f:0 f:1
at 7 VIEWPORT1 18
at 8 VIEWPORT2 17 f:0.5 f:0 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 9 VIEWPORT2 22 i:0 f:1 s:"red"
at 10 VIEWPORT2 30 i:0 f:2
at 11 VIEWPORT2 18
at 12 VIEWPORT3 17 f:0 f:0.5 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 13 VIEWPORT3 22 i:0 f:1 s:"red"
at 14 VIEWPORT3 31 i:0 f:2 s:"mask.png" b:true i:0
at 15 VIEWPORT3 18
at 16 VIEWPORT4 17 f:0.5 f:0.5 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 17 VIEWPORT4 22 i:0 f:1 s:"turn"
at 18 VIEWPORT4 32 i:0 f:0.5
at 19 VIEWPORT4 18
at 20 VIEWPORT5 17 f:0 f:0 f:0.125 f:0.125 b:false i:1 f:1 f:1 f:1
at 21 VIEWPORT5 22 i:0 f:1 s:"red"
at 22 VIEWPORT5 25 f:0 f:0 f:0.125 f:0.125 f:1 f:0.875 f:0.875 f:0.125 f:0.125 f:1 f:1
at 23 VIEWPORT5 18
)";

TEST(Capture, DrawsPicturesViewportsAndEveryEffect) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "red.png", "xc:'#FF0000'");
  picture(dir, "blue.png", "xc:'#0000FF'");
  picture(dir, "turn.png", "xc:'#FF0000'");
  picture(dir, "1turn.png", "xc:'#0000FF'");
  picture(dir, "mask.png", "gradient:white-black");
  picture(dir, "end.jpg", "xc:'#00FF00'");  // the core's end picture
  writeFile(dir / "show.txt", kScript);

  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--script", "show.txt", "--size", "160x120", "--fps", "25", "--until",
                        "2100", "--out", "frames", "--every", "1"},
                       dir.path());
  std::optional<int> code = capture.wait(240s);
  ASSERT_TRUE(code.has_value());
  ASSERT_EQ(*code, 0) << readFile(dir / "Log.txt");
  const std::filesystem::path frames = dir / "frames";
  ASSERT_TRUE(std::filesystem::exists(frames / "t00000000.png"));
  ASSERT_TRUE(std::filesystem::exists(frames / "t00002080.png"));

  // The events at 1..23 ms go out with the frame at 40 ms, where every effect starts.
  // Fade from 0 to 1 over 2 s: half red over the blue background one second later.
  EXPECT_TRUE(near(pixelAt(frames / "t00001040.png", 40, 30), {127, 0, 128}, 8));
  // Its 2-pixel white border; the viewport keeps alpha 1 while the layer fades.
  EXPECT_TRUE(near(pixelAt(frames / "t00001040.png", 0, 30), {255, 255, 255}));
  EXPECT_TRUE(near(pixelAt(frames / "t00001040.png", 1, 30), {255, 255, 255}));

  // Flash: a white overlay at alpha 191 at its start, gone after 0.5625 of its time.
  EXPECT_TRUE(near(pixelAt(frames / "t00000040.png", 120, 30), {255, 191, 191}, 8));
  EXPECT_TRUE(near(pixelAt(frames / "t00001240.png", 120, 30), {255, 0, 0}));

  // Rising cross fade, half-way: the layer stays where the mask is brighter than half (top)
  // and is gone where it is darker (bottom), showing the background.
  EXPECT_TRUE(near(pixelAt(frames / "t00001040.png", 40, 64), {255, 0, 0}));
  EXPECT_TRUE(near(pixelAt(frames / "t00001040.png", 40, 116), {0, 0, 255}));
  // At its start almost all of the layer shows.
  EXPECT_TRUE(near(pixelAt(frames / "t00000040.png", 40, 110), {255, 0, 0}));

  // Motion blur of strength 0.5: red for the first second, then the trail of red fades into
  // blue by halves.
  EXPECT_TRUE(near(pixelAt(frames / "t00000960.png", 120, 90), {255, 0, 0}));
  Rgb trail = pixelAt(frames / "t00001000.png", 120, 90);
  EXPECT_TRUE(near(trail, {127, 0, 128}, 10));
  Rgb later = pixelAt(frames / "t00001040.png", 120, 90);
  EXPECT_TRUE(near(later, {64, 0, 191}, 10));

  // The red box slid from the top-left corner to the bottom-right one in one second.
  EXPECT_TRUE(near(pixelAt(frames / "t00000040.png", 5, 5), {255, 0, 0}));
  EXPECT_TRUE(near(pixelAt(frames / "t00001200.png", 155, 115), {255, 0, 0}));
}

TEST(Capture, MalformedScriptStopsBeforeAnyFrame) {
  TempDir dir;
  writeFile(dir / "show.txt", "at 0 CORE 4\nat x CORE 1\n");
  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--script", "show.txt", "--until", "100", "--out", "frames"}, dir.path());
  std::optional<int> code = capture.wait(60s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "frames" / "t00000000.png"));
}

TEST(Capture, AFolderIsNotAScript) {
  TempDir dir;
  std::filesystem::create_directories(dir / "show.txt");
  int status = -1;
  const std::string said = runCommand(str("cd '", dir.path().string(), "' && '", VESK_CAPTURE_EXE,
                                          "' --script show.txt --until 100 --out frames 2>&1"),
                                      &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(said.find("show.txt: cannot be read: a folder, not a file"), std::string::npos) << said;
  EXPECT_FALSE(std::filesystem::exists(dir / "frames" / "t00000000.png"));
}

// A run whose picture fails is set to end; the animation of two billion frames does not keep it
// loading (and reporting) frame after frame.
TEST(Capture, AnAnimationBeyondAnySizeIsRefusedAndTheRunEnds) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  writeFile(dir / "show.txt", "at 0 CORE 5 s:\"one.png\" b:false i:2147483647 f:1 s:\"t\"\n");
  ChildProcess capture(
      VESK_CAPTURE_EXE,
      {"--script", "show.txt", "--size", "32x24", "--until", "1000", "--out", "frames"},
      dir.path());
  std::optional<int> code = capture.wait(120s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 1);  // one.png is missing
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("one.png has 2147483647 frames; 1 to 10000 are possible"), std::string::npos)
      << log;
}

TEST(Capture, SigtermEndsTheRunInOrder) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  writeFile(dir / "show.txt", "# nothing happens\n");
  ChildProcess capture(VESK_CAPTURE_EXE,
                       {"--script", "show.txt", "--size", "32x24", "--until", "2000000000",
                        "--every", "1000000000", "--out", "frames"},
                       dir.path());
  // The first frame is written once the run is under way.
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (!std::filesystem::exists(dir / "frames" / "t00000000.png") &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  ASSERT_TRUE(std::filesystem::exists(dir / "frames" / "t00000000.png"));
  ::kill(capture.pid(), SIGTERM);
  std::optional<int> code = capture.wait(20s);
  ASSERT_TRUE(code.has_value()) << "still running, or killed by the signal";
  EXPECT_EQ(*code, 128 + SIGTERM);
  const std::string log = readFile(dir / "Log.txt");
  EXPECT_NE(log.find("Stopping on signal 15"), std::string::npos) << log;
  EXPECT_NE(log.find("D\xE9mo stopped"), std::string::npos) << log;
}

}  // namespace
}  // namespace vesk::test
