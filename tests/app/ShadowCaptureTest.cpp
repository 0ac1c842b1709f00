// Shadow volumes seen through vesk-capture: a box on a floor, lit by a light it casts its
// shadow from, beside the same scene whose light casts none. The shadow halves the floor where
// it falls, follows the light when an animation moves it, and stays when the box is hidden.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/CaptureSupport.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// A white floor of edge 10, a red box of edge 2 standing on it in the middle, a light above
// and left of the box, a black light (so that the scene has an ordinary one) and a camera in
// front, above. With `shadow` the light casts the box's shadow.
SceneFile yard(const std::string& name, bool shadow) {
  SceneFile scene;
  scene.root.name = name;
  scene.root.handle = 1;
  scene.materials = {sceneColourMaterial({1, 1, 1}), sceneColourMaterial({1, 0, 0})};
  scene.root.children.push_back(sceneShapeNode("Floor", 2, sceneFloor(5), 0));
  SceneNode box = sceneShapeNode("Box", 3, sceneCube(2), 1);
  box.position = {0, 0, 1};
  scene.root.children.push_back(box);
  SceneNode lamp = scenePointLight("Lamp", 4, {-4, 0, 6});
  if (shadow) std::get<SceneLight>(lamp.record).shadowCasters = {3};
  scene.root.children.push_back(lamp);
  scene.root.children.push_back(scenePointLight("Fill", 5, {0, 0, 10}, {0, 0, 0}));
  scene.root.children.push_back(sceneCameraLookingAt("Camera", 6, {0, -10, 12}, {0, 0, 0}));
  // Drawn last, unseen: a speck whose material leaves a fully keyed-out texture on the first
  // stage, which the darkening must not take over.
  SceneMaterial keyed = sceneColourMaterial({1, 1, 1});
  keyed.diffuseMaps.push_back({.colourKey = true, .file = "key.png"});
  scene.materials.push_back(keyed);
  SceneMesh speck = sceneCube(0.01f);
  for (SceneVertex& vertex : speck.vertices)
    vertex.uv[0] = {0.5f, 0.5f};
  speck.channels = 1;
  SceneNode hidden = sceneShapeNode("Speck", 7, speck, 2);
  hidden.position = {4, 4, 0};
  scene.root.children.push_back(hidden);
  return scene;
}

// The yard with its shadow in the left half of a 160 × 120 screen, without in the right half;
// in both the light moves from the left of the box to its right between 1 s and 1.4 s after
// the start, and the box with the shadow is hidden at 2 s.
constexpr const char* kScript = R"(# shadow beside no shadow
at 0 CORE 1 s:"data\\shade.pod"
at 1 CORE 1 s:"data\\bare.pod"
at 2 shade 54 s:"data\\move.pab"
at 3 bare 54 s:"data\\move.pab"
at 4 shade 53
at 5 bare 53
at 6 shade.move 38
at 7 bare.move 38
at 8 DEFVIEWPORT 17 f:0 f:0 f:0.5 f:1 b:false i:1 f:1 f:1 f:1
at 9 DEFVIEWPORT 21 i:0 f:1 s:"shade"
at 10 VIEWPORT1 17 f:0.5 f:0 f:0.5 f:1 b:false i:1 f:1 f:1 f:1
at 11 VIEWPORT1 21 i:0 f:1 s:"bare"
at 12 VIEWPORT1 18
at 2000 shade.Box 48
)";

TEST(ShadowCapture, BoxShadowHalvesTheFloorFollowsTheLightAndOutlivesHiding) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'", "8x8");
  picture(dir, "key.png", "xc:'#000000'", "8x8");
  std::string error;
  ASSERT_TRUE(saveScene(dir / "data/shade.pod", yard("shade", true), error)) << error;
  ASSERT_TRUE(saveScene(dir / "data/bare.pod", yard("bare", false), error)) << error;
  AnimationFile move;
  AnimController lamp;
  lamp.keyTimes = {0, 1, 1.4f};
  lamp.record = AnimNodeController{4, {{-4, 0, 6}, {-4, 0, 6}, {4, 0, 6}}, {}, {}};
  move.controllers.push_back(lamp);
  ASSERT_TRUE(saveAnimation(dir / "data/move.pab", move, error)) << error;
  writeFile(dir / "show.txt", kScript);

  ASSERT_EQ(captureEveryFrame(dir, "2300", 300s), 0) << readFile(dir / "Log.txt");
  auto frame = [&](int ms) { return framePath(dir, ms); };
  // The floor 2.3 units right of the box's middle (pixel 54, 60 of each half) and as far left
  // (pixel 26, 60): with the shadow it is half as bright as without, within rounding.
  auto expectShadow = [&](int ms, int x, bool dark) {
    const Rgb shaded = pixelAt(frame(ms), x, 60), lit = pixelAt(frame(ms), x + 80, 60);
    ASSERT_GT(lit.r, 60) << ms << " ms, x " << x;
    EXPECT_EQ(lit.r, lit.b) << ms << " ms, x " << x;  // the white floor
    const int expected = dark ? lit.r / 2 : lit.r;
    EXPECT_NEAR(shaded.r, expected, 2) << ms << " ms, x " << x;
    EXPECT_NEAR(shaded.b, expected, 2) << ms << " ms, x " << x;
  };
  // The light on the left: the shadow falls to the right.
  expectShadow(800, 54, true);
  expectShadow(800, 26, false);
  // The light moved to the right: so did the shadow.
  expectShadow(1800, 54, false);
  expectShadow(1800, 26, true);
  // The box is hidden, its shadow volume is still drawn.
  expectShadow(2200, 26, true);
  EXPECT_EQ(pixelAt(frame(2200), 40, 50).r, pixelAt(frame(2200), 40, 50).b);
  EXPECT_GT(pixelAt(frame(1800), 40, 50).r, pixelAt(frame(1800), 40, 50).b + 40);

  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
