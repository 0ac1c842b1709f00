// Animation files played by vesk-capture on written scenes, read back from the frames: a cube
// where its position keys put it, wrapping past its last key, and the same file played
// backwards after a reversal; a light turning blue on a white cube; a camera zooming out; a
// material fading out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/CaptureSupport.h"
#include "authoring/AnimationWriter.h"
#include "authoring/SceneExamples.h"

namespace vesk::test {
namespace {

using namespace std::chrono_literals;

// Four quarters of 80 × 60 pixels, each a cube scene seen from 10 units away:
// The slides start with the frame at 40 ms, which sends the events of 1 to 24 ms; tint and
// zoom with the frame at 200 ms.
// - top left "slidea" and top right "slideb" play the same file: the cube slides along x from
//   -2 to 2 in 2 s and wraps; "slideb" is turned backwards at 1 s;
// - bottom left "tint": a white cube under a light that turns from white to blue in 1.5 s;
// - bottom right "zoom": the camera's field of view opens from 45 to 90 degrees in the first
//   second, then the red cube fades out during the next one. Tint and zoom stop at their
//   last key, which is written only by a frame before it: the fade holds its last key longer.
constexpr const char* kScript = R"(# animations in four quarters
at 0 CORE 1 s:"data\\slidea.pod"
at 1 CORE 1 s:"data\\slideb.pod"
at 2 CORE 1 s:"data\\tint.pod"
at 3 CORE 1 s:"data\\zoom.pod"
at 4 DEFVIEWPORT 17 f:0 f:0 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 5 DEFVIEWPORT 21 i:0 f:1 s:"slidea"
at 6 VIEWPORT1 17 f:0.5 f:0 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 7 VIEWPORT1 21 i:0 f:1 s:"slideb"
at 8 VIEWPORT1 18
at 9 VIEWPORT2 17 f:0 f:0.5 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 10 VIEWPORT2 21 i:0 f:1 s:"tint"
at 11 VIEWPORT2 18
at 12 VIEWPORT3 17 f:0.5 f:0.5 f:0.5 f:0.5 b:false i:1 f:1 f:1 f:1
at 13 VIEWPORT3 21 i:0 f:1 s:"zoom"
at 14 VIEWPORT3 18
at 15 slidea 54 s:"data\\slide.pab"
at 16 slideb 54 s:"data\\slide.pab"
at 17 tint 54 s:"data\\tint.pab"
at 18 zoom 54 s:"data\\zoom.pab"
at 19 slidea 53
at 20 slideb 53
at 21 tint 53
at 22 zoom 53
at 23 slidea.slide 38
at 24 slideb.slide 38
at 170 tint.tint 38
at 171 zoom.zoom 38
at 1000 slideb.slide 42 b:false
)";

// The handles of the example scene.
constexpr std::int32_t kCube = 2, kLight = 3, kCamera = 4;

AnimController track(std::vector<float> times, AnimController::Record record) {
  AnimController controller;
  controller.keyTimes = std::move(times);
  controller.record = std::move(record);
  return controller;
}

void animation(const TempDir& dir, const std::string& file, const AnimationFile& content) {
  std::string error;
  ASSERT_TRUE(saveAnimation(dir / "data" / file, content, error)) << error;
}

// The first and last pixels of a row segment whose red or blue value passes `threshold`.
struct Span {
  int first = -1, last = -1;
  float centre() const { return (static_cast<float>(first + last) + 1.0f) / 2.0f; }
  int width() const { return first < 0 ? 0 : last - first + 1; }
};

Span spanIn(const std::filesystem::path& png, int y, int x0, int x1, int threshold = 20) {
  Span span;
  for (int x = x0; x < x1; ++x) {
    const Rgb pixel = pixelAt(png, x, y);
    if (std::max(pixel.r, pixel.b) <= threshold) continue;
    if (span.first < 0) span.first = x;
    span.last = x;
  }
  return span;
}

// Where the centre of the cube's front face (1 unit in front of its centre, 9 from the
// camera) lands in an 80-pixel-wide quarter starting at `left`, seen with a 45-degree view.
float screenX(int left, float x) {
  return static_cast<float>(left) + 40.0f + 40.0f * x / (9.0f * std::tan(0.785398f / 2));
}

TEST(AnimationCapture, TracksMoveTintZoomAndFadeOnTheShowClock) {
  TempDir dir;
  std::filesystem::create_directories(dir / "data/textures");
  picture(dir, "end.jpg", "xc:'#00FF00'");
  scene(dir, "slidea.pod", sceneLitCube("slidea"));
  scene(dir, "slideb.pod", sceneLitCube("slideb"));
  scene(dir, "tint.pod", sceneLitCube("tint", {1, 1, 1}));
  scene(dir, "zoom.pod", sceneLitCube("zoom"));
  animation(dir, "slide.pab",
            {VK_ANIM_LOOP_WRAP,
             {track({0, 2}, AnimNodeController{kCube, {{-2, 0, 0}, {2, 0, 0}}, {}, {}})}});
  animation(
      dir, "tint.pab",
      {VK_ANIM_LOOP_STOP, {track({0, 1.5f}, AnimLightController{kLight, {{1, 1, 1}, {0, 0, 1}}})}});
  animation(dir, "zoom.pab",
            {VK_ANIM_LOOP_STOP,
             {track({0, 1}, AnimCameraController{kCamera, {0.785398f, 1.570796f}}),
              track({0, 1, 2, 3}, AnimMaterialController{0, {1, 1, 0, 0}})}});
  writeFile(dir / "show.txt", kScript);

  // Every fourth frame: 0, 160, 320 ... ms.
  ASSERT_EQ(captureFrames(dir, "2400", 4, 300s), 0) << readFile(dir / "Log.txt");
  auto frame = [&](int ms) { return framePath(dir, ms); };

  // Track time t - 0.04 and x = -2 + 2 × track time, wrapping after 2 s: -1.12 at 0.48 s,
  // 0.8 at 1.44 s, -1.28 at 2.4 s.
  EXPECT_NEAR(spanIn(frame(480), 30, 0, 80).centre(), screenX(0, -1.12f), 2);
  EXPECT_NEAR(spanIn(frame(1440), 30, 0, 80).centre(), screenX(0, 0.8f), 2);
  EXPECT_NEAR(spanIn(frame(2400), 30, 0, 80).centre(), screenX(0, -1.28f), 2);
  // Turned at the frame of 1 s (its 40 ms already run backwards): track time 0.88 - (t - 1),
  // so back at 0.44 at 1.44 s, and wrapped from below 0 to 1.48 at 2.4 s.
  EXPECT_NEAR(spanIn(frame(480), 30, 80, 160).centre(), screenX(80, -1.12f), 2);
  EXPECT_NEAR(spanIn(frame(1440), 30, 80, 160).centre(), screenX(80, -1.12f), 2);
  EXPECT_NEAR(spanIn(frame(2400), 30, 80, 160).centre(), screenX(80, 0.96f), 2);

  // The white cube's lit face: grey under the white light, its red and green going as the
  // light turns blue.
  const Rgb white = pixelAt(frame(160), 40, 90), half = pixelAt(frame(960), 40, 90),
            blue = pixelAt(frame(1920), 40, 90);
  EXPECT_GT(white.r, 60);
  EXPECT_TRUE(near(white, {white.r, white.r, white.r}, 4));
  EXPECT_NEAR(half.r, white.r * 0.49, 8);  // 1 - 0.76 / 1.5
  EXPECT_NEAR(half.b, white.b, 4);
  EXPECT_LT(blue.r + blue.g, 16);
  EXPECT_NEAR(blue.b, white.b, 4);

  // Zooming out: the cube's width shrinks with the tangent of half the view.
  const float narrow = static_cast<float>(spanIn(frame(160), 90, 80, 160).width());
  const float wide = static_cast<float>(spanIn(frame(960), 90, 80, 160).width());
  EXPECT_NEAR(narrow, 2 * 40.0f / (9.0f * std::tan(0.785398f / 2)), 2);
  EXPECT_NEAR(wide / narrow, std::tan(0.785398f / 2) / std::tan(1.382f / 2), 0.08);
  // Fading over the black background: opacity 0.76 at 1.44 s, gone after 2.2 s.
  const Rgb opaque = pixelAt(frame(960), 120, 90), fading = pixelAt(frame(1440), 120, 90);
  EXPECT_GT(opaque.r, 60);
  EXPECT_NEAR(fading.r, opaque.r * 0.76, 10);
  EXPECT_TRUE(near(pixelAt(frame(2400), 120, 90), {0, 0, 0}, 3));

  EXPECT_EQ(readFile(dir / "Log.txt").find("Detected memory leaks"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
