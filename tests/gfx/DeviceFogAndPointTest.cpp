// Fog modes and point sprites.
#include <gtest/gtest.h>

#include <cstring>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kWhite = 0xFFFFFFFF;

class FogTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    plainStates();
    ASSERT_TRUE(device->setRenderState(RenderState::FogEnable, 1));
    ASSERT_TRUE(device->setRenderState(RenderState::FogColor, kGreen));
    ASSERT_TRUE(device->setRenderState(RenderState::FogStart, floatState(0)));
    ASSERT_TRUE(device->setRenderState(RenderState::FogEnd, floatState(1)));
  }
  bool modes(FogMode table, FogMode vertex) {
    return device->setRenderState(RenderState::FogTableMode, static_cast<std::uint32_t>(table)) &&
           device->setRenderState(RenderState::FogVertexMode, static_cast<std::uint32_t>(vertex));
  }
  // A red quad at eye distance 0.5; the colour at `x`, `y`.
  std::uint32_t fogged(float left = -1, float top = 1, float right = 1, float bottom = -1,
                       std::uint32_t x = kWidth / 2, std::uint32_t y = kHeight / 2) {
    EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
    EXPECT_TRUE(device->beginScene());
    drawQuad(left, top, right, bottom, 0.5f, kRed);
    EXPECT_TRUE(device->endScene());
    return at(pixels(), x, y);
  }
};

TEST_F(FogTest, LinearAndExp2FogAndTheTableModeFirst) {
  ASSERT_TRUE(modes(FogMode::Linear, FogMode::None));
  EXPECT_TRUE(vesk::test::colorNear(fogged(), 0xFF808000, 3)) << vesk::test::colorText(fogged());
  // exp(−(0.5 × 1)²) = 0.7788 of the colour
  ASSERT_TRUE(device->setRenderState(RenderState::FogDensity, floatState(1)));
  ASSERT_TRUE(modes(FogMode::Exp2, FogMode::Linear));
  EXPECT_TRUE(vesk::test::colorNear(fogged(), 0xFFC63800, 3)) << vesk::test::colorText(fogged());
  // Vertex mode when the table mode is none: exp(−0.5 × 2) = 0.3679
  ASSERT_TRUE(device->setRenderState(RenderState::FogDensity, floatState(2)));
  ASSERT_TRUE(modes(FogMode::None, FogMode::Exp));
  EXPECT_TRUE(vesk::test::colorNear(fogged(), 0xFF5EA100, 3)) << vesk::test::colorText(fogged());
  // No mode, or fog off: no fog.
  ASSERT_TRUE(modes(FogMode::None, FogMode::None));
  EXPECT_TRUE(vesk::test::colorNear(fogged(), kRed)) << vesk::test::colorText(fogged());
  ASSERT_TRUE(modes(FogMode::Linear, FogMode::None));
  ASSERT_TRUE(device->setRenderState(RenderState::FogEnable, 0));
  EXPECT_TRUE(vesk::test::colorNear(fogged(), kRed)) << vesk::test::colorText(fogged());
}

TEST_F(FogTest, RangeFogMeasuresTheDistanceToTheEye) {
  ASSERT_TRUE(modes(FogMode::None, FogMode::Linear));
  // A small quad at x 0.8: depth 0.5, distance 0.94.
  std::uint32_t plain = fogged(0.75f, 0.05f, 0.85f, -0.05f, 57, 24);
  EXPECT_TRUE(vesk::test::colorNear(plain, 0xFF808000, 3)) << vesk::test::colorText(plain);
  ASSERT_TRUE(device->setRenderState(RenderState::RangeFogEnable, 1));
  std::uint32_t range = fogged(0.75f, 0.05f, 0.85f, -0.05f, 57, 24);
  EXPECT_TRUE(vesk::test::colorNear(range, 0xFF0FF000, 6)) << vesk::test::colorText(range);
}

class PointTest : public DeviceTest {
 protected:
  // The width of the run of `color` through (x, y) along the row.
  static int runWidth(const std::vector<std::uint32_t>& image, int x, int y, std::uint32_t color) {
    int left = x, right = x;
    while (left > 0 && vesk::test::colorNear(at(image, left - 1, y), color))
      --left;
    while (right < static_cast<int>(kWidth) - 1 &&
           vesk::test::colorNear(at(image, right + 1, y), color)) {
      ++right;
    }
    return vesk::test::colorNear(at(image, x, y), color) ? right - left + 1 : 0;
  }
  std::vector<std::uint32_t> drawPoint(float z, std::uint32_t color = kRed, float x = 0) {
    const ScreenVertex point{x, 0, z, color, 0, 0};
    EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
    EXPECT_TRUE(device->beginScene());
    EXPECT_TRUE(device->drawPrimitiveUP(Primitive::PointList, 1, &point, sizeof point));
    EXPECT_TRUE(device->endScene());
    return pixels();
  }
};

TEST_F(PointTest, SpriteSizeScalesWithDistanceAndViewportHeight) {
  plainStates();
  ASSERT_TRUE(device->setRenderState(RenderState::PointSpriteEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::PointSize, floatState(8)));
  EXPECT_EQ(runWidth(drawPoint(0.5f), 32, 24, kRed), 8) << "unscaled: the size in pixels";
  // Scaled: height × size × sqrt(1 / (A + B·d + C·d²)) = 48 × 0.125 / 0.5 = 12 pixels.
  ASSERT_TRUE(device->setRenderState(RenderState::PointScaleEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::PointSize, floatState(0.125f)));
  ASSERT_TRUE(device->setRenderState(RenderState::PointScaleA, floatState(0)));
  ASSERT_TRUE(device->setRenderState(RenderState::PointScaleC, floatState(1)));
  EXPECT_EQ(runWidth(drawPoint(0.5f), 32, 24, kRed), 12);
  EXPECT_EQ(runWidth(drawPoint(0.25f), 32, 24, kRed), 24);
  // Off the centre of view the distance counts, not the depth: at x 0.6 and depth 0.5 the
  // point is 0.78 away, 7.7 pixels wide (12 by the depth), centred on column 51.
  EXPECT_NEAR(runWidth(drawPoint(0.5f, kRed, 0.6f), 51, 24, kRed), 7.7, 0.8);
  // A viewport half as high halves it: 6 pixels around the viewport's centre (16, 12).
  ASSERT_TRUE(device->setViewport({0, 0, 32, 24, 0, 1}));
  EXPECT_EQ(runWidth(drawPoint(0.5f), 16, 12, kRed), 6);
  ASSERT_TRUE(device->setRenderState(RenderState::PointSizeMin, floatState(10)));
  EXPECT_EQ(runWidth(drawPoint(0.5f), 16, 12, kRed), 10);
}

TEST_F(PointTest, SpritesAreTexturedTopRowAtTheTop) {
  plainStates();
  Owned<Texture> texture =
      device->createTexture(2, 2, 1, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
  ASSERT_NE(texture, nullptr);
  LockedRect locked;
  ASSERT_TRUE(texture->lockRect(0, locked, 0));
  const std::uint32_t texels[4] = {kRed, kGreen, kBlue, kWhite};
  std::memcpy(locked.bits, texels, 8);
  std::memcpy(static_cast<std::uint8_t*>(locked.bits) + locked.pitch, texels + 2, 8);
  ASSERT_TRUE(texture->unlockRect(0));
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(device->setRenderState(RenderState::PointSpriteEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::PointSize, floatState(16)));
  auto image = drawPoint(0.5f, kWhite);  // pixels 24 to 39, 16 to 31
  EXPECT_PIXEL(image, 26, 18, kRed);
  EXPECT_PIXEL(image, 37, 18, kGreen);
  EXPECT_PIXEL(image, 26, 29, kBlue);
  EXPECT_PIXEL(image, 37, 29, kWhite);
}

}  // namespace
}  // namespace vesk::gfx::testing
