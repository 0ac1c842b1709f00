// Device creation, clears, viewports, read-back and presentation.
#include <gtest/gtest.h>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

using vesk::test::colorText;

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

TEST_F(DeviceTest, StartsWithABlackBackBufferOfTheAskedSize) {
  SurfaceDesc desc = device->backBuffer()->desc();
  EXPECT_EQ(desc.width, kWidth);
  EXPECT_EQ(desc.height, kHeight);
  EXPECT_EQ(desc.format, Format::X8R8G8B8);
  EXPECT_EQ(device->renderTarget(), device->backBuffer());
  ASSERT_NE(device->depthStencilSurface(), nullptr);
  EXPECT_EQ(device->depthStencilSurface()->desc().format, Format::D24S8);
  ViewportRect viewport;
  ASSERT_TRUE(device->getViewport(viewport));
  EXPECT_EQ(viewport.width, kWidth);
  EXPECT_EQ(viewport.height, kHeight);
  auto image = pixels();
  ASSERT_EQ(image.size(), kWidth * kHeight);
  EXPECT_PIXEL(image, 0, 0, 0xFF000000u, 0, true);
  EXPECT_PIXEL(image, kWidth - 1, kHeight - 1, 0xFF000000u, 0, true);
}

TEST_F(DeviceTest, ClearIsLimitedToTheViewport) {
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kRed, 1, 0));
  ASSERT_TRUE(device->setViewport({8, 4, 16, 10, 0, 1}));
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kGreen, 1, 0));
  auto image = pixels();
  EXPECT_PIXEL(image, 8, 4, kGreen);
  EXPECT_PIXEL(image, 23, 13, kGreen);
  EXPECT_PIXEL(image, 7, 4, kRed);
  EXPECT_PIXEL(image, 8, 3, kRed);
  EXPECT_PIXEL(image, 24, 13, kRed);
  EXPECT_PIXEL(image, 23, 14, kRed);
}

TEST_F(DeviceTest, ClearWritesEvenWhereTheMasksAreOff) {
  ASSERT_TRUE(device->setRenderState(RenderState::ColorWriteEnable, 0));
  ASSERT_TRUE(device->setRenderState(RenderState::ZWriteEnable, 0));
  ASSERT_TRUE(device->setRenderState(RenderState::StencilWriteMask, 0));
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER | CLEAR_STENCIL, kBlue, 0.25f, 1));
  EXPECT_PIXEL(pixels(), 5, 5, kBlue);

  // The masks are back afterwards: a masked draw leaves the colour alone. The depth cleared
  // to 0.25 hides a quad at 0.5 and shows one at 0.2; stencil 1 passes an equal test.
  plainStates();
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kRed);
  EXPECT_PIXEL(pixels(), 5, 5, kBlue);
  ASSERT_TRUE(device->setRenderState(RenderState::ColorWriteEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 1));
  ASSERT_TRUE(
      device->setRenderState(RenderState::ZFunc, static_cast<std::uint32_t>(Compare::Less)));
  drawFullQuad(kRed, 0.5f);
  EXPECT_PIXEL(pixels(), 5, 5, kBlue);
  ASSERT_TRUE(device->setRenderState(RenderState::StencilEnable, 1));
  ASSERT_TRUE(
      device->setRenderState(RenderState::StencilFunc, static_cast<std::uint32_t>(Compare::Equal)));
  ASSERT_TRUE(device->setRenderState(RenderState::StencilRef, 1));
  drawFullQuad(kGreen, 0.2f);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 5, 5, kGreen);
}

TEST_F(DeviceTest, ClearRefusesWhatTheTargetLacks) {
  EXPECT_FALSE(device->clear(0, 0, 1, 0));
  EXPECT_FALSE(device->clear(CLEAR_ZBUFFER, 0, 2, 0));
  ASSERT_TRUE(device->setRenderTarget(device->backBuffer(), nullptr));
  EXPECT_FALSE(device->clear(CLEAR_ZBUFFER, 0, 1, 0));
  EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
  Owned<Surface> depth16 = device->createDepthStencilSurface(kWidth, kHeight, Format::D16);
  ASSERT_NE(depth16, nullptr);
  ASSERT_TRUE(device->setRenderTarget(device->backBuffer(), depth16.get()));
  EXPECT_TRUE(device->clear(CLEAR_ZBUFFER, 0, 1, 0));
  EXPECT_FALSE(device->clear(CLEAR_STENCIL, 0, 1, 0));
}

TEST_F(DeviceTest, ViewportMustLieInsideTheTarget) {
  EXPECT_FALSE(device->setViewport({60, 0, 8, 8, 0, 1}));
  EXPECT_FALSE(device->setViewport({0, 0, kWidth, kHeight + 1, 0, 1}));
  EXPECT_FALSE(device->setViewport({0, 0, 8, 8, -0.5f, 1}));
  EXPECT_TRUE(device->setViewport({0, 0, kWidth, kHeight, 0.25f, 0.75f}));
  ViewportRect viewport;
  ASSERT_TRUE(device->getViewport(viewport));
  EXPECT_EQ(viewport.minZ, 0.25f);
}

TEST_F(DeviceTest, DrawingIsConfinedToTheViewportEvenForPointsAndLines) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
  ASSERT_TRUE(device->setViewport({16, 8, 32, 24, 0, 1}));
  ASSERT_TRUE(device->beginScene());
  // Clip space fills the viewport: the top left corner of clip space is the viewport's.
  drawQuad(-1, 1, 0, 0, 0, kRed);
  // A big point at the viewport's edge would spill over it without the scissor.
  ASSERT_TRUE(device->setRenderState(RenderState::PointSize, floatState(9)));
  const ScreenVertex point{1, -1, 0, kGreen, 0, 0};
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::PointList, 1, &point, sizeof point));
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 16, 8, kRed);
  EXPECT_PIXEL(image, 31, 19, kRed);
  EXPECT_PIXEL(image, 32, 20, 0u);
  EXPECT_PIXEL(image, 15, 8, 0u);
  EXPECT_PIXEL(image, 47, 31, kGreen);
  EXPECT_PIXEL(image, 48, 31, 0u);
  EXPECT_PIXEL(image, 47, 32, 0u);
}

TEST_F(DeviceTest, ScreenshotCopiesTheBackBufferTopRowFirst) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, 1, 0, 0, 0x80FF0000);  // the top half
  ASSERT_TRUE(device->endScene());
  Owned<Surface> image = device->createImageSurface(kWidth, kHeight, Format::X8R8G8B8);
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(device->copyRects(device->backBuffer(), image.get()));
  LockedRect locked;
  ASSERT_TRUE(image->lockRect(locked, LOCK_READ_ONLY));
  ASSERT_EQ(locked.pitch, static_cast<int>(kWidth * 4));
  const auto* words = static_cast<const std::uint32_t*>(locked.bits);
  // X8R8G8B8 words: the fourth byte reads opaque whatever the buffer's alpha.
  EXPECT_EQ(words[0], 0xFFFF0000u) << colorText(words[0]);
  EXPECT_EQ(words[kWidth * (kHeight - 1)], kBlue) << colorText(words[kWidth * (kHeight - 1)]);
  EXPECT_FALSE(image->lockRect(locked, 0)) << "a second lock";
  ASSERT_TRUE(image->unlockRect());
  EXPECT_FALSE(image->unlockRect());

  Owned<Surface> small = device->createImageSurface(kWidth / 2, kHeight, Format::X8R8G8B8);
  EXPECT_FALSE(device->copyRects(device->backBuffer(), small.get()));
  EXPECT_FALSE(device->copyRects(device->backBuffer(), nullptr));
  EXPECT_FALSE(device->copyRects(device->depthStencilSurface(), image.get()));
  LockedRect none;
  EXPECT_FALSE(device->backBuffer()->lockRect(none, 0));
}

TEST_F(DeviceTest, PresentShowsTheBackBufferUprightInTheWindow) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, 0, 0, 0, kRed);  // the top left quarter
  ASSERT_TRUE(device->endScene());
  ASSERT_TRUE(device->present());
  EXPECT_EQ(context.swaps(), 1);
  int width = 0, height = 0;
  auto window = context.readWindow(width, height);
  ASSERT_EQ(window.size(), static_cast<std::size_t>(width * height));
  ASSERT_GT(width, 4);
  ASSERT_GT(height, 4);
  auto pixel = [&](int x, int y) { return window[static_cast<std::size_t>(y) * width + x]; };
  EXPECT_TRUE(vesk::test::colorNear(pixel(1, 1), kRed)) << colorText(pixel(1, 1));
  EXPECT_TRUE(vesk::test::colorNear(pixel(width - 2, 1), kBlue)) << colorText(pixel(width - 2, 1));
  EXPECT_TRUE(vesk::test::colorNear(pixel(1, height - 2), kBlue))
      << colorText(pixel(1, height - 2));

  // Presenting again (a paint request) shows the same picture; the device keeps drawing into
  // its back buffer afterwards.
  ASSERT_TRUE(device->present());
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kGreen, 1, 0));
  EXPECT_PIXEL(pixels(), 0, 0, kGreen);
}

TEST_F(DeviceTest, SwapIntervalFollowsTheScreenMode) {
  EXPECT_EQ(context.swapInterval(), 0);  // a desktop window presents at once
  device.reset();
  DeviceParams params;
  params.width = kWidth;
  params.height = kHeight;
  params.fullscreen = true;
  device = context.createDevice(params);
  // The display may refuse the vertical sync (Xvfb does); the device is made all the same.
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(context.swapInterval(), 1);
}

TEST_F(DeviceTest, GammaGoesToTheHost) {
  GammaRamp ramp;
  ASSERT_TRUE(device->getGammaRamp(ramp));
  EXPECT_EQ(ramp.red[255], 65535);
  ramp.green[3] = 77;
  ASSERT_TRUE(device->setGammaRamp(ramp));
  EXPECT_EQ(context.gammaRamp().green[3], 77);
}

TEST_F(DeviceTest, ScenesDoNotNest) {
  EXPECT_FALSE(device->endScene());
  EXPECT_TRUE(device->beginScene());
  EXPECT_FALSE(device->beginScene());
  EXPECT_TRUE(device->endScene());
  // Drawing outside a scene is refused.
  plainStates();
  const ScreenVertex point{0, 0, 0, kRed, 0, 0};
  EXPECT_FALSE(device->drawPrimitiveUP(Primitive::PointList, 1, &point, sizeof point));
}

TEST(GlDeviceCreation, RefusesAnEmptyBackBuffer) {
  vesk::test::GlTestContext context;
  ASSERT_TRUE(context.ok()) << context.error();
  EXPECT_EQ(context.createDevice(0, 10), nullptr);
  EXPECT_NE(context.createDevice(10, 10), nullptr);
}

TEST(GlDeviceCreation, WorksWithTheOffscreenDriver) {
  vesk::test::GlTestContext context(vesk::test::GlVideo::Offscreen);
  ASSERT_TRUE(context.ok()) << context.error();
  Owned<Device> device = context.createDevice(16, 16);
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kGreen, 1, 0));
  auto image = vesk::test::readBackBuffer(*device);
  ASSERT_EQ(image.size(), 256u);
  EXPECT_TRUE(vesk::test::colorNear(image[255], kGreen)) << colorText(image[255]);
}

}  // namespace
}  // namespace vesk::gfx::testing
