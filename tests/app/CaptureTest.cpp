// vesk-capture renders a text script offscreen on a manual clock: pictures in viewports with
// borders, a rectangle animation, each layer effect and scenes, checked a few pixels at a time.
#include <FreeImage.h>

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "app/CaptureSupport.h"
#include "app/ProcessRunner.h"
#include "authoring/SceneExamples.h"
#include "base/Text.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

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

  ASSERT_EQ(captureEveryFrame(dir, "2100", 240s), 0) << readFile(dir / "Log.txt");
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

// The largest green value in a rectangle of a frame (the lines of a wireframe pass are thin).
int greenestIn(const std::filesystem::path& png, int x0, int y0, int x1, int y1) {
  int most = -1;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x)
      most = std::max(most, pixelAt(png, x, y).g);
  }
  return most;
}

// Scenes in three quarters of a 160 × 120 screen over black:
// - top left: "box", a red cube seen through the camera event 23 chose (its first camera is
//   twice as far), a green wireframe pass fading in from 1 s to 2 s; unloaded at 2.7 s;
// - top right: "foggy", a white cube in blue vertex fog for 2 s (in 0.5 s, stays 0.5 s, out
//   in 1 s), over a background as grey as the fog is thick; its cube is hidden at 2.4 s;
// - bottom right: "box" again, put by the 3DS effect on the geometry of "screen", a cube seen
//   from twice as far; "screen" is unloaded at 2.6 s, which takes the effect off the layer.
constexpr const char* kSceneScript = R"(# scenes in viewports
at 0 CORE 1 s:"data\\box.pod"
at 1 CORE 1 s:"data\\foggy.pod"
at 2 CORE 1 s:"data\\screen.pod"
at 4 DEFVIEWPORT 17 f:0 f:0 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 5 DEFVIEWPORT 21 i:0 f:1 s:"box"
at 6 DEFVIEWPORT 23 i:0 s:"box.Camera"
at 7 VIEWPORT1 17 f:0.5 f:0 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 8 VIEWPORT1 21 i:0 f:1 s:"foggy"
at 9 VIEWPORT1 34 i:0 f:2 f:0.5 f:0.5 b:true f:0 f:0 f:1
at 10 VIEWPORT1 18
at 11 VIEWPORT2 17 f:0.5 f:0.5 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 13 VIEWPORT2 21 i:0 f:1 s:"box"
at 14 VIEWPORT2 23 i:0 s:"box.Camera"
at 15 VIEWPORT2 33 i:0 s:"screen" s:"screen.Camera" f:60
at 16 VIEWPORT2 18
at 1000 box.Cube 49 f:1 f:0 f:1 f:0 f:1 f:0
at 2400 foggy.Cube 48
at 2600 CORE 2 s:"screen"
at 2700 CORE 2 s:"box"
)";

TEST(Capture, ScenesThroughTheirCamerasWithPassesFogAndThe3DSEffect) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  SceneFile box = sceneLitCube("box");
  box.root.children.insert(box.root.children.begin(),
                           sceneCameraLookingAt("Far", 5, {0, -20, 0}, {0, 0, 0}));
  scene(dir, "box.pod", box);
  SceneFile foggy = sceneLitCube("foggy", {1, 1, 1});
  std::get<SceneCamera>(foggy.root.children[2].record).environmentFar = 20;
  scene(dir, "foggy.pod", foggy);
  SceneFile screen = sceneLitCube("screen");
  screen.root.children[2] = sceneCameraLookingAt("Camera", 4, {0, -20, 0}, {0, 0, 0});
  scene(dir, "screen.pod", screen);
  writeFile(dir / "show.txt", kSceneScript);

  ASSERT_EQ(captureEveryFrame(dir, "2800", 300s), 0) << readFile(dir / "Log.txt");
  auto frame = [&](int ms) { return framePath(dir, ms); };

  // The cube lit from the front left, in the middle of its quarter, as wide as the near camera
  // sees it, black around it.
  EXPECT_TRUE(near(pixelAt(frame(960), 40, 30), {124, 0, 0}, 30));
  EXPECT_TRUE(near(pixelAt(frame(960), 33, 30), {124, 0, 0}, 30));
  EXPECT_TRUE(near(pixelAt(frame(960), 26, 30), {0, 0, 0}));
  // The wireframe pass: invisible at its start, partly there at a fifth of its time (edges
  // drawn over each other add up), whole at its end.
  EXPECT_LT(greenestIn(frame(1000), 20, 10, 60, 50), 8);
  const int fifth = greenestIn(frame(1200), 20, 10, 60, 50);
  EXPECT_GT(fifth, 40);
  EXPECT_LT(fifth, 200);
  EXPECT_GT(greenestIn(frame(2080), 20, 10, 60, 50), 240);
  // Unloaded: nothing is left in its quarter.
  EXPECT_TRUE(near(pixelAt(frame(2760), 40, 30), {0, 0, 0}));

  // Fog: the background follows the intensity (half, whole, half, gone once finished); the
  // cube turns blue as the fog thickens.
  EXPECT_TRUE(near(pixelAt(frame(280), 85, 5), {122, 122, 122}, 8));
  EXPECT_TRUE(near(pixelAt(frame(800), 85, 5), {255, 255, 255}));
  EXPECT_TRUE(near(pixelAt(frame(1560), 85, 5), {122, 122, 122}, 8));
  EXPECT_TRUE(near(pixelAt(frame(2120), 85, 5), {0, 0, 0}));
  const Rgb clear = pixelAt(frame(40), 120, 30), fogged = pixelAt(frame(800), 120, 30);
  EXPECT_GT(fogged.b, clear.b + 30);
  EXPECT_LT(fogged.r, clear.r - 30);
  // The hidden cube is gone.
  EXPECT_TRUE(near(pixelAt(frame(2480), 120, 30), {0, 0, 0}));

  // 3DS: the red cube of the layer on the small cube's front face (lit once more), nothing
  // beside it where the layer alone would show its larger cube; once "screen" is unloaded
  // the layer is drawn plainly.
  const Rgb onCube = pixelAt(frame(960), 120, 90);
  EXPECT_GT(onCube.r, 30);
  EXPECT_LT(onCube.r, 100);
  EXPECT_LT(onCube.g + onCube.b, 10);
  EXPECT_TRUE(near(pixelAt(frame(960), 113, 90), {0, 0, 0}));
  EXPECT_TRUE(near(pixelAt(frame(2640), 113, 90), {127, 0, 0}, 30));

  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
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

// One scene on the whole 160 × 120 screen, seen from 14 units in front at the height of the
// cubes' middle: a red cube on the left, an opaque green cube on the right behind a
// half-transparent white one, all on a half-transparent blue floor that becomes a mirror at
// 0.5 s. The white cube is the file's first node and its material the first one, so only the
// sorting draws it after the green cube.
TEST(Capture, SortedTransparencyAndAMirrorFloorInOneScene) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  SceneFile hall;
  hall.root.name = "hall";
  hall.root.handle = 1;
  hall.materials = {sceneColourMaterial({1, 1, 1}, 0.5f), sceneColourMaterial({1, 0, 0}),
                    sceneColourMaterial({0, 1, 0}), sceneColourMaterial({0, 0, 1}, 0.5f)};
  auto cube = [&](std::string name, std::int32_t handle, std::int32_t material, SceneVector at) {
    SceneNode node = sceneShapeNode(std::move(name), handle, sceneCube(2), material);
    node.position = at;
    hall.root.children.push_back(node);
  };
  cube("Glass", 2, 0, {2, -3, 1});
  cube("Red", 3, 1, {-2, 0, 1});
  cube("Green", 4, 2, {2, 0, 1});
  hall.root.children.push_back(sceneShapeNode("Floor", 5, sceneFloor(10), 3));
  hall.root.children.push_back(scenePointLight("Light", 6, {-4, -6, 8}));
  hall.root.children.push_back(sceneCameraLookingAt("Camera", 7, {0, -14, 1}, {0, 0, 1}));
  scene(dir, "hall.pod", hall);
  writeFile(dir / "show.txt",
            "at 0 CORE 1 s:\"data\\\\hall.pod\"\n"
            "at 1 DEFVIEWPORT 21 i:0 f:1 s:\"hall\"\n"
            "at 500 hall.Floor 51\n");

  ASSERT_EQ(captureEveryFrame(dir, "600", 240s), 0) << readFile(dir / "Log.txt");
  const std::filesystem::path before = dir / "frames/t00000480.png";
  const std::filesystem::path after = dir / "frames/t00000560.png";

  // The white cube (dimly lit from the left: about 52 grey) half over the green one: both
  // colours are in the pixel. Drawn in file order, the white cube would hide the green one.
  const Rgb blended = pixelAt(before, 110, 60);
  EXPECT_GT(blended.r, 15) << blended.r;
  EXPECT_LT(blended.r, 60) << blended.r;
  EXPECT_GT(blended.g, blended.r + 40) << blended.g;
  EXPECT_TRUE(near(blended, {blended.r, blended.g, blended.r}, 8));
  // The floor below the red cube: plain blue, then the cube's reflection through the blue.
  const Rgb plain = pixelAt(before, 50, 90), mirrored = pixelAt(after, 50, 90);
  EXPECT_LT(plain.r, 8) << plain.r;
  EXPECT_GT(plain.b, 30) << plain.b;
  EXPECT_GT(mirrored.r, 30) << mirrored.r;
  EXPECT_GT(mirrored.b, 30) << mirrored.b;
  EXPECT_TRUE(near(pixelAt(after, 110, 60), blended));

  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
