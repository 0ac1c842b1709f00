// Sprites and particle systems captured by vesk-capture from a written scene: a sprite is as
// wide as its distance gives, off the centre of view too; sprite particles appear, rise and
// fade; two captures of the same script are the same bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/CaptureSupport.h"
#include "authoring/SceneExamples.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 160, kHeight = 120;

// The camera 10 units in front of the origin, seeing 1.6 radians across: at that depth a unit
// is 7.8 pixels up the screen. Emissive materials, so that a sprite's colour is the
// material's at the alpha of its point: white for the sprites, yellow for the particles.
SceneFile sparksScene() {
  SceneFile file;
  file.root.name = "fx";
  file.root.handle = 1;
  for (SceneColour glow : {SceneColour{1, 1, 1}, SceneColour{1, 1, 0}}) {
    SceneMaterial material;
    material.diffuse = material.ambient = material.specular = {0, 0, 0};
    material.selfIllumination = glow;
    file.materials.push_back(material);
  }
  // 2 units wide: 24 pixels at the centre; the one at x 8 is 12.8 away, 18.7 pixels wide
  // (24 if the depth were taken for the distance), centred on column 142.
  file.root.children.push_back({"Near", 2, {0, 0, 0}, {}, {1, 1, 1}, SceneSprite{2, 0}, {}});
  file.root.children.push_back({"Side", 3, {8, 0, 0}, {}, {1, 1, 1}, SceneSprite{2, 0}, {}});
  // Sparks from (-4, 0, -4) (column 49, row 91), 2 units across, 0.5-unit sprites (6 pixels)
  // living 2 s; the script sets no gravity and a speed of 2 units/s upwards.
  SceneParticles sparks{2, 0, 1, 0, 0, {}};
  sparks.classes.push_back(
      {50000, 2, 1, {"Spark", 20, {}, {}, {1, 1, 1}, SceneSprite{0.5f, 1}, {}}});
  file.root.children.push_back({"Sparks", 10, {-4, 0, -4}, {}, {1, 1, 1}, sparks, {}});
  file.root.children.push_back(scenePointLight("Light", 4, {0, -10, 10}));
  SceneNode camera = sceneCameraLookingAt("Camera", 5, {0, -10, 0}, {0, 0, 0});
  std::get<SceneCamera>(camera.record).fieldOfView = 1.6f;
  file.root.children.push_back(camera);
  return file;
}

// Emission runs from the controller's start (frame 40) until event 44 (frame 120).
constexpr const char* kScript = R"(# sprites and sparks
at 0 CORE 1 s:"data\\fx.pod"
at 1 DEFVIEWPORT 21 i:0 f:1 s:"fx"
at 2 fx 53
at 3 fx.Sparks 43 f:0 f:2 b:false
at 4 fx.Sparks 36
at 100 fx.Sparks 44 b:false
)";

// The red channel of every pixel, top row first.
std::vector<int> reds(const std::filesystem::path& png) {
  std::vector<int> values;
  for (std::uint32_t pixel : framePixels(png))
    values.push_back(static_cast<int>(pixel >> 16));
  return values;
}

// How many pixels of row `y` from `x0` to `x1` are lit (red above 128).
int litWidth(const std::vector<int>& image, int y, int x0, int x1) {
  int lit = 0;
  for (int x = x0; x < x1; ++x)
    lit += image.at(y * kWidth + x) > 128;
  return lit;
}

struct Glow {
  double total = 0;  // the red of the particles' region, summed
  double row = 0;    // its mean row, weighted by red
};
Glow sparksIn(const std::vector<int>& image) {
  Glow glow;
  double weighted = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 30; x < 66; ++x) {
      glow.total += image.at(y * kWidth + x);
      weighted += static_cast<double>(y) * image.at(y * kWidth + x);
    }
  }
  glow.row = glow.total > 0 ? weighted / glow.total : -1;
  return glow;
}

TEST(SpriteCapture, SpritesAtTheirDistanceAndSparksThatRiseAndFade) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  std::string error;
  ASSERT_TRUE(saveScene(dir / "data/fx.pod", sparksScene(), error)) << error;
  writeFile(dir / "show.txt", kScript);
  ASSERT_EQ(captureFrames(dir, "1600", 1, 300s), 0) << readFile(dir / "Log.txt");
  auto frame = [&](const char* out, int ms) { return framePath(dir, ms, out); };

  const std::vector<int> early = reds(frame("frames", 40));
  ASSERT_EQ(early.size(), std::size_t{kWidth * kHeight});
  EXPECT_EQ(early.at(60 * kWidth + 80), 255) << "the near sprite's centre, white";
  EXPECT_NEAR(litWidth(early, 60, 60, 100), 24, 1);
  EXPECT_EQ(early.at(60 * kWidth + 142), 255) << "the side sprite's centre";
  EXPECT_NEAR(litWidth(early, 60, 125, 160), 19, 1);
  EXPECT_EQ(sparksIn(reds(frame("frames", 0))).total, 0) << "no spark before the start";

  // Half a second in, the sparks are 0.45 to 0.5 s old: 0.9 units up (row 84), alpha 0.77;
  // a second later 2 units higher (row 68) at alpha 0.27.
  const Glow rising = sparksIn(reds(frame("frames", 520)));
  const Glow later = sparksIn(reds(frame("frames", 1520)));
  EXPECT_NEAR(rising.row, 84, 4);
  EXPECT_NEAR(later.row, 68, 4);
  EXPECT_LT(later.total, rising.total * 0.6);
  EXPECT_GT(later.total, 0);

  ASSERT_EQ(captureFrames(dir, "1600", 1, 300s, "again"), 0) << readFile(dir / "Log.txt");
  for (int ms : {520, 1520})
    EXPECT_EQ(readFile(frame("frames", ms)), readFile(frame("again", ms))) << ms;
  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
