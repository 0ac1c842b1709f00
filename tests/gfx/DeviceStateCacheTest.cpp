// The state cache: what is already set costs no OpenGL call.
#include <gtest/gtest.h>

#include <cstring>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

class StateCacheTest : public DeviceTest {
 protected:
  // A textured, fogged quad from a vertex buffer, with the states a frame would set.
  void setStates(Texture* texture, VertexBuffer* buffer) {
    Matrix view;
    view.m[3][2] = 0.5f;
    MaterialValues material;
    material.diffuse = {1, 0, 0, 1};
    LightValues light;
    light.type = LightType::Directional;
    light.direction = {0, 0, 1};
    light.diffuse = {1, 1, 1, 1};
    EXPECT_TRUE(
        device->setRenderState(RenderState::CullMode, static_cast<std::uint32_t>(Cull::None)));
    EXPECT_TRUE(device->setRenderState(RenderState::Lighting, 0));
    EXPECT_TRUE(device->setRenderState(RenderState::AlphaBlendEnable, 1));
    EXPECT_TRUE(
        device->setRenderState(RenderState::SrcBlend, static_cast<std::uint32_t>(Blend::SrcAlpha)));
    EXPECT_TRUE(device->setRenderState(RenderState::FogEnable, 1));
    EXPECT_TRUE(device->setRenderState(RenderState::FogTableMode,
                                       static_cast<std::uint32_t>(FogMode::Linear)));
    EXPECT_TRUE(device->setRenderState(RenderState::StencilRef, 3));
    EXPECT_TRUE(device->setTextureStageState(0, StageState::MinFilter,
                                             static_cast<std::uint32_t>(TextureFilter::Linear)));
    EXPECT_TRUE(device->setTexture(0, texture));
    EXPECT_TRUE(device->setTransform(TransformType::View, view));
    EXPECT_TRUE(device->setTransform(TransformType::World, Matrix{}));
    EXPECT_TRUE(device->setMaterial(material));
    EXPECT_TRUE(device->setLight(0, light));
    EXPECT_TRUE(device->lightEnable(0, true));
    EXPECT_TRUE(device->setClipPlane(0, {0, 0, 1, 0}));
    EXPECT_TRUE(device->setViewport({0, 0, kWidth, kHeight, 0, 1}));
    EXPECT_TRUE(device->setVertexFormat(kScreenFvf));
    EXPECT_TRUE(device->setStreamSource(buffer, sizeof(ScreenVertex)));
  }

  Owned<VertexBuffer> buffer() {
    Owned<VertexBuffer> vertices =
        device->createVertexBuffer(4 * sizeof(ScreenVertex), 0, kScreenFvf, Pool::Default);
    const ScreenVertex quad[4] = {{-1, 1, 0, 0xFFFFFFFF, 0, 0},
                                  {1, 1, 0, 0xFFFFFFFF, 1, 0},
                                  {-1, -1, 0, 0xFFFFFFFF, 0, 1},
                                  {1, -1, 0, 0xFFFFFFFF, 1, 1}};
    std::memcpy(vertices->lock(0, 0, 0), quad, sizeof quad);
    EXPECT_TRUE(vertices->unlock());
    return vertices;
  }

  Owned<Texture> whiteTexture() {
    Owned<Texture> texture =
        device->createTexture(4, 4, 1, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
    LockedRect locked;
    EXPECT_TRUE(texture->lockRect(0, locked, 0));
    std::memset(locked.bits, 0xFF, 4 * 4 * 4);
    EXPECT_TRUE(texture->unlockRect(0));
    return texture;
  }

  // White, half fogged into black.
  static constexpr std::uint32_t kDrawn = 0xFF808080;
};

TEST_F(StateCacheTest, RepeatedStatesAndDrawsCostNoStateCalls) {
  Owned<Texture> texture = whiteTexture();
  Owned<VertexBuffer> vertices = buffer();
  setStates(texture.get(), vertices.get());
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitive(Primitive::TriangleStrip, 0, 2));
  std::uint64_t before = device->apiCalls();
  setStates(texture.get(), vertices.get());
  EXPECT_EQ(device->apiCalls(), before);
  // The next draw: the draw call and its error check only.
  ASSERT_TRUE(device->drawPrimitive(Primitive::TriangleStrip, 0, 2));
  EXPECT_EQ(device->apiCalls(), before + 2);
  // A change costs calls again.
  ASSERT_TRUE(device->setRenderState(RenderState::StencilRef, 4));
  EXPECT_GT(device->apiCalls(), before + 2);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 10, 10, kDrawn, 3);
}

TEST_F(StateCacheTest, SwitchedOffEverySetCostsCalls) {
  device.reset();
  DeviceParams params;
  params.width = kWidth;
  params.height = kHeight;
  params.stateCache = false;
  device = context.createDevice(params);
  ASSERT_NE(device, nullptr);
  Owned<Texture> texture = whiteTexture();
  Owned<VertexBuffer> vertices = buffer();
  setStates(texture.get(), vertices.get());
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitive(Primitive::TriangleStrip, 0, 2));
  std::uint64_t before = device->apiCalls();
  setStates(texture.get(), vertices.get());
  ASSERT_TRUE(device->drawPrimitive(Primitive::TriangleStrip, 0, 2));
  EXPECT_GT(device->apiCalls(), before + 20);
  ASSERT_TRUE(device->endScene());
  // Drawing is the same either way.
  EXPECT_PIXEL(pixels(), 10, 10, kDrawn, 3);
}

}  // namespace
}  // namespace vesk::gfx::testing
