// vesk-capture on a scene that moves by itself: a skinned strip bent by an animated bone, and
// a water surface rippling from random impulses, the same in two runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CaptureSupport.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

constexpr int kWidth = kCaptureWidth, kHeight = kCaptureHeight;

bool isRed(std::uint32_t pixel) {
  return (pixel >> 16) > 200 && (pixel & 0xFFFF) < 0x1010;
}

SceneNode nodeAt(std::string name, std::int32_t handle, SceneVector position,
                 SceneNode::Record record = SceneBone{}) {
  return {std::move(name), handle, position, {}, {1, 1, 1}, std::move(record), {}};
}

// Seen from (0, -10, 0): a red strip from x = -2 to 2, z = -0.5 to 0.5, whose left and middle
// vertices follow the bone "Root" at the origin and whose right ones follow "Tip" at (2, 0, 0);
// behind it, low in the picture, a blue water surface facing the camera, 8 wide. The skin's
// own place plays no part: drawn there, the strip would be out of sight.
SceneFile livingScene() {
  SceneFile file;
  file.root.name = "living";
  file.root.handle = 1;
  SceneMaterial glowing = sceneColourMaterial({0, 0, 0});
  glowing.specular = {0, 0, 0};
  glowing.selfIllumination = {1, 0, 0};
  file.materials = {glowing, sceneColourMaterial({0.2f, 0.5f, 1})};

  SceneSkin strip;
  for (float x : {-2.0f, 0.0f, 2.0f}) {
    for (float z : {-0.5f, 0.5f}) {
      strip.mesh.vertices.push_back({{x, 0, z}, {}, {}});
      strip.links.push_back(
          {x < 1 ? SceneSkinLink{2, {x, 0, z}, 1} : SceneSkinLink{3, {0, 0, z}, 1}});
    }
  }
  // Both windings, so that the strip is seen whichever way it faces.
  for (std::uint32_t v : {0u, 2u}) {
    strip.mesh.faces.insert(
        strip.mesh.faces.end(),
        {{v, v + 1, v + 2}, {v + 1, v + 3, v + 2}, {v, v + 2, v + 1}, {v + 1, v + 2, v + 3}});
  }

  SceneWater surface{8, 1.5f, 0.004f, 1.5f, 0.5f, 0.98f, {}, 1};
  surface.corners = {SceneVector{-4, 1, -3}, {4, 1, -3}, {-4, 1, -1.5f}, {4, 1, -1.5f}};

  file.root.children = {nodeAt("Root", 2, {}),
                        nodeAt("Tip", 3, {2, 0, 0}),
                        nodeAt("Strip", 4, {0, 0, 10}, strip),
                        nodeAt("Water", 5, {}, surface),
                        scenePointLight("Light", 6, {0, -8, -1}),
                        sceneCameraLookingAt("Camera", 7, {0, -10, 0}, {0, 0, 0})};
  return file;
}

constexpr const char* kScript = R"(# a bending strip over rippling water
at 0 CORE 1 s:"data\\living.pod"
at 1 living 54 s:"data\\bend.pab"
at 2 DEFVIEWPORT 21 i:0 f:1 s:"living"
at 3 living 53
at 4 living.bend 38
at 5 living.Water 36
)";

TEST(LivingSceneCapture, AStripBendsWithItsBoneOverWaterThatRipplesTheSameEachRun) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "impulsion.jpg", "radial-gradient:white-black", "16x16");
  picture(dir, "impulsion2.jpg", "radial-gradient:white-black", "16x16");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  std::string error;
  ASSERT_TRUE(saveScene(dir / "data/living.pod", livingScene(), error)) << error;
  AnimationFile bend;
  bend.controllers.push_back(
      {.keyTimes = {0, 0.4f}, .record = AnimNodeController{3, {{2, 0, 0}, {2, 0, 2}}, {}, {}}});
  ASSERT_TRUE(saveAnimation(dir / "data/bend.pab", bend, error)) << error;
  writeFile(dir / "show.txt", kScript);

  ASSERT_EQ(captureFrames(dir, "800", 1, 300s, "first"), 0) << readFile(dir / "Log.txt");
  const auto frame = [&](const char* folder, int ms) {
    return framePixels(framePath(dir, ms, folder));
  };
  const std::vector<std::uint32_t> straight = frame("first", 40), bent = frame("first", 720);
  ASSERT_EQ(straight.size(), std::size_t{kWidth * kHeight});
  ASSERT_EQ(bent.size(), std::size_t{kWidth * kHeight});
  auto at = [](const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<std::size_t>(y * kWidth + x)];
  };
  // The left half stays where it was; near the tip the strip has left its place and risen.
  EXPECT_TRUE(isRed(at(straight, 60, 60)));
  EXPECT_TRUE(isRed(at(bent, 60, 60)));
  EXPECT_TRUE(isRed(at(straight, 109, 60)));
  EXPECT_FALSE(isRed(at(bent, 109, 60)));
  EXPECT_FALSE(isRed(at(straight, 109, 34)));
  EXPECT_TRUE(isRed(at(bent, 109, 34)));

  // The water's rows change from one frame to the next.
  const std::vector<std::uint32_t> before = frame("first", 600), after = frame("first", 640);
  int changed = 0;
  for (int y = 100; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x)
      changed += at(before, x, y) != at(after, x, y);
  }
  EXPECT_GT(changed, 0);

  // A second run gives the same bytes, frame for frame.
  ASSERT_EQ(captureFrames(dir, "800", 1, 300s, "second"), 0) << readFile(dir / "Log.txt");
  int frames = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "first")) {
    ++frames;
    EXPECT_EQ(readFile(entry.path()), readFile(dir / "second" / entry.path().filename()))
        << entry.path().filename();
  }
  EXPECT_EQ(frames, 21);
  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
