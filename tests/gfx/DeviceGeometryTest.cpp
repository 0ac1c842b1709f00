// Transforms, depth, facing, fill and shade modes, user clip planes.
#include <gtest/gtest.h>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

TEST_F(DeviceTest, WorldThenViewThenProjectionInRowVectorOrder) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
  // x in [-0.25, 0.25], moved right by the world and halved by the view: [0.125, 0.375].
  // The other order would give [0.375, 0.625]. The projection then halves y.
  ASSERT_TRUE(device->setTransform(TransformType::World, translation(0.5f, 0, 0)));
  ASSERT_TRUE(device->setTransform(TransformType::View, scaling(0.5f, 1, 1)));
  ASSERT_TRUE(device->setTransform(TransformType::Projection, scaling(1, 0.5f, 1)));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-0.25f, 1, 0.25f, -1, 0.5f, kRed);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  // Pixel columns: clip x 0.125 → 36, 0.375 → 44; rows: clip y ±0.5 → 12 and 36.
  EXPECT_PIXEL(image, 37, 24, kRed);
  EXPECT_PIXEL(image, 43, 24, kRed);
  EXPECT_PIXEL(image, 45, 24, 0u);
  EXPECT_PIXEL(image, 34, 24, 0u);
  EXPECT_PIXEL(image, 40, 13, kRed);
  EXPECT_PIXEL(image, 40, 10, 0u);
  EXPECT_PIXEL(image, 40, 38, 0u);
  Matrix back;
  ASSERT_TRUE(device->getTransform(TransformType::World, back));
  EXPECT_EQ(back.m[3][0], 0.5f);
}

TEST_F(DeviceTest, DepthRunsFromZeroToOneThroughTheViewportRange) {
  plainStates();
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 1));
  ASSERT_TRUE(
      device->setRenderState(RenderState::ZFunc, static_cast<std::uint32_t>(Compare::Less)));
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1, 0));
  ASSERT_TRUE(device->beginScene());
  // Left half: z 0 maps into [0.5, 1] at 0.5.
  ASSERT_TRUE(device->setViewport({0, 0, kWidth, kHeight, 0.5f, 1}));
  drawQuad(-1, 1, 0, -1, 0, kRed);
  ASSERT_TRUE(device->setViewport({0, 0, kWidth, kHeight, 0, 1}));
  drawQuad(-1, 1, 1, -1, 0.6f, kGreen);  // behind the red, in front of the cleared depth
  drawQuad(-1, 1, 1, 0, 0.4f, kBlue);    // top half, in front of both
  // Below z 0 lies outside the clip volume (OpenGL's usual volume would keep it).
  drawQuad(-1, 1, 1, -1, -0.1f, 0xFFFFFFFF);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 40, kRed);
  EXPECT_PIXEL(image, 50, 40, kGreen);
  EXPECT_PIXEL(image, 10, 5, kBlue);
  EXPECT_PIXEL(image, 50, 5, kBlue);
}

TEST_F(DeviceTest, ZTestOffAlsoStopsZWrites) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0, 1, 0));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 0));
  drawFullQuad(kRed, 0.2f);  // would hide the green quad if it wrote its depth
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 1));
  drawFullQuad(kGreen, 0.5f);
  ASSERT_TRUE(device->setRenderState(RenderState::ZWriteEnable, 0));
  drawFullQuad(kBlue, 0.4f);  // passes but keeps 0.5 in the depth buffer
  ASSERT_TRUE(device->setRenderState(RenderState::ZWriteEnable, 1));
  drawQuad(-1, 1, 0, -1, 0.45f, kRed);  // in front of 0.5
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 10, kRed);
  EXPECT_PIXEL(image, 50, 10, kBlue);
}

TEST_F(DeviceTest, FrontFacesAreClockwiseAndBothCullModesWork) {
  plainStates();
  // Left: clockwise as seen; right: counter-clockwise.
  const ScreenVertex clockwise[3] = {
      {-0.9f, 0.5f, 0, kRed, 0, 0}, {-0.1f, 0.5f, 0, kRed, 0, 0}, {-0.5f, -0.5f, 0, kRed, 0, 0}};
  const ScreenVertex counter[3] = {
      {0.1f, 0.5f, 0, kGreen, 0, 0}, {0.5f, -0.5f, 0, kGreen, 0, 0}, {0.9f, 0.5f, 0, kGreen, 0, 0}};
  auto drawBoth = [&](Cull cull) {
    EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
    EXPECT_TRUE(device->setRenderState(RenderState::CullMode, static_cast<std::uint32_t>(cull)));
    EXPECT_TRUE(device->beginScene());
    EXPECT_TRUE(
        device->drawPrimitiveUP(Primitive::TriangleList, 1, clockwise, sizeof(ScreenVertex)));
    EXPECT_TRUE(device->drawPrimitiveUP(Primitive::TriangleList, 1, counter, sizeof(ScreenVertex)));
    EXPECT_TRUE(device->endScene());
    return pixels();
  };
  auto image = drawBoth(Cull::CounterClockwise);
  EXPECT_PIXEL(image, 16, 20, kRed);
  EXPECT_PIXEL(image, 48, 20, 0u);
  image = drawBoth(Cull::Clockwise);
  EXPECT_PIXEL(image, 16, 20, 0u);
  EXPECT_PIXEL(image, 48, 20, kGreen);
  image = drawBoth(Cull::None);
  EXPECT_PIXEL(image, 16, 20, kRed);
  EXPECT_PIXEL(image, 48, 20, kGreen);
}

TEST_F(DeviceTest, FlatShadingTakesTheFirstVertexColour) {
  plainStates();
  ASSERT_TRUE(
      device->setRenderState(RenderState::ShadeMode, static_cast<std::uint32_t>(Shade::Flat)));
  const ScreenVertex triangle[3] = {
      {-1, 1, 0, kRed, 0, 0}, {1, 1, 0, kGreen, 0, 0}, {-1, -1, 0, kBlue, 0, 0}};
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::TriangleList, 1, triangle, sizeof(ScreenVertex)));
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 2, 2, kRed);
  EXPECT_PIXEL(image, 40, 2, kRed);
  EXPECT_PIXEL(image, 2, 30, kRed);
}

TEST_F(DeviceTest, WireframeDrawsOnlyTheEdges) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
  ASSERT_TRUE(
      device->setRenderState(RenderState::FillMode, static_cast<std::uint32_t>(Fill::Wireframe)));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-0.5f, 0.5f, 0.5f, -0.5f, 0, kRed);  // pixels 16 to 48, 12 to 36
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 32, 20, 0u);  // inside, off the diagonal
  int edge = 0;
  for (std::uint32_t x = 14; x <= 18; ++x)
    edge += at(image, x, 20) == kRed ? 1 : 0;
  EXPECT_GE(edge, 1) << "the left edge";
  EXPECT_LE(edge, 2);
}

TEST_F(DeviceTest, ClipPlanesAreGivenInWorldSpaceAndFollowTheView) {
  plainStates();
  ASSERT_TRUE(device->setClipPlane(0, {1, 0, 0, 0}));  // keeps world x >= 0
  ASSERT_TRUE(device->setRenderState(RenderState::ClipPlaneEnable, 1));
  auto drawWithView = [&](float viewX) {
    EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
    EXPECT_TRUE(device->setTransform(TransformType::View, translation(viewX, 0, 0)));
    EXPECT_TRUE(device->beginScene());
    drawQuad(-2, 1, 2, -1, 0.5f, kRed);
    EXPECT_TRUE(device->endScene());
    return pixels();
  };
  auto image = drawWithView(0.25f);  // world x 0 is clip x 0.25, pixel 40
  EXPECT_PIXEL(image, 38, 20, 0u);
  EXPECT_PIXEL(image, 42, 20, kRed);
  image = drawWithView(-0.25f);  // pixel 24
  EXPECT_PIXEL(image, 22, 20, 0u);
  EXPECT_PIXEL(image, 26, 20, kRed);
  ASSERT_TRUE(device->setRenderState(RenderState::ClipPlaneEnable, 0));
  image = drawWithView(-0.25f);
  EXPECT_PIXEL(image, 2, 20, kRed);
  EXPECT_FALSE(device->setClipPlane(kClipPlanes, {1, 0, 0, 0}));
  EXPECT_FALSE(device->setRenderState(RenderState::ClipPlaneEnable, 1u << kClipPlanes));
}

}  // namespace
}  // namespace vesk::gfx::testing
