// Vertex and index buffers: locks, the draws that read them, and their bounds.
#include <gtest/gtest.h>

#include <cstring>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

class BufferTest : public DeviceTest {
 protected:
  // A full-screen quad of `color` in a new vertex buffer (triangle-strip order).
  Owned<VertexBuffer> quadBuffer(std::uint32_t color) {
    Owned<VertexBuffer> buffer = device->createVertexBuffer(
        4 * sizeof(ScreenVertex), USAGE_WRITE_ONLY, kScreenFvf, Pool::Default);
    EXPECT_NE(buffer, nullptr);
    if (!buffer) return buffer;
    auto* vertices = static_cast<ScreenVertex*>(buffer->lock(0, 0, LOCK_DISCARD));
    EXPECT_NE(vertices, nullptr);
    const ScreenVertex quad[4] = {{-1, 1, 0, color, 0, 0},
                                  {1, 1, 0, color, 1, 0},
                                  {-1, -1, 0, color, 0, 1},
                                  {1, -1, 0, color, 1, 1}};
    std::memcpy(vertices, quad, sizeof quad);
    EXPECT_TRUE(buffer->unlock());
    return buffer;
  }
};

TEST_F(BufferTest, ALockWithoutDiscardKeepsTheContents) {
  plainStates();
  Owned<VertexBuffer> buffer = quadBuffer(kRed);
  // Lock only the second vertex: the bytes are those written before.
  auto* second = static_cast<ScreenVertex*>(
      buffer->lock(sizeof(ScreenVertex), sizeof(ScreenVertex), LOCK_NONE));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->x, 1.0f);
  EXPECT_EQ(second->color, kRed);
  second->color = kGreen;  // the top right corner
  ASSERT_TRUE(buffer->unlock());
  ASSERT_TRUE(device->setStreamSource(buffer.get(), sizeof(ScreenVertex)));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitive(Primitive::TriangleStrip, 0, 2));
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 0, kHeight - 1, kRed);
  EXPECT_PIXEL(image, kWidth - 1, 0, kGreen, 12);

  EXPECT_EQ(buffer->lock(0, 4 * sizeof(ScreenVertex) + 1, 0), nullptr);
  EXPECT_EQ(buffer->lock(4 * sizeof(ScreenVertex), 1, 0), nullptr);
  ASSERT_NE(buffer->lock(0, 0, 0), nullptr);
  EXPECT_EQ(buffer->lock(0, 0, 0), nullptr) << "a second lock";
  EXPECT_TRUE(buffer->unlock());
  EXPECT_FALSE(buffer->unlock());
}

TEST_F(BufferTest, IndexedDrawsAddTheBaseVertexAndStayInsideTheBuffers) {
  plainStates();
  // Two quads: red at vertices 0 to 3, blue at 4 to 7; the indices name one quad.
  Owned<VertexBuffer> buffer = device->createVertexBuffer(
      8 * sizeof(ScreenVertex), USAGE_WRITE_ONLY, kScreenFvf, Pool::Default);
  Owned<VertexBuffer> red = quadBuffer(kRed), blue = quadBuffer(kBlue);
  auto* vertices = static_cast<std::uint8_t*>(buffer->lock(0, 0, 0));
  ASSERT_NE(vertices, nullptr);
  std::memcpy(vertices, red->lock(0, 0, LOCK_READ_ONLY), 4 * sizeof(ScreenVertex));
  std::memcpy(vertices + 4 * sizeof(ScreenVertex), blue->lock(0, 0, LOCK_READ_ONLY),
              4 * sizeof(ScreenVertex));
  ASSERT_TRUE(buffer->unlock());
  Owned<IndexBuffer> indices = device->createIndexBuffer(6 * 2, USAGE_WRITE_ONLY, Pool::Default);
  ASSERT_NE(indices, nullptr);
  auto* index = static_cast<std::uint16_t*>(indices->lock(0, 0, 0));
  const std::uint16_t list[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(index, list, sizeof list);
  ASSERT_TRUE(indices->unlock());

  ASSERT_TRUE(device->setStreamSource(buffer.get(), sizeof(ScreenVertex)));
  ASSERT_TRUE(device->setIndices(indices.get(), 4));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawIndexedPrimitive(Primitive::TriangleList, 0, 4, 0, 2));
  EXPECT_PIXEL(pixels(), 5, 5, kBlue);
  // Base vertex 5 would reach vertex 8, past the buffer; 7 indices are more than there are.
  ASSERT_TRUE(device->setIndices(indices.get(), 5));
  EXPECT_FALSE(device->drawIndexedPrimitive(Primitive::TriangleList, 0, 4, 0, 2));
  ASSERT_TRUE(device->setIndices(indices.get(), 0));
  EXPECT_FALSE(device->drawIndexedPrimitive(Primitive::TriangleList, 0, 4, 1, 2));
  EXPECT_FALSE(device->drawPrimitive(Primitive::TriangleList, 6, 1));
  EXPECT_TRUE(device->drawPrimitive(Primitive::TriangleList, 5, 1));
  // Drawing from memory unsets the vertex buffer, as the classic device does.
  const ScreenVertex point{0, 0, 0, kRed, 0, 0};
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::PointList, 1, &point, sizeof point));
  EXPECT_FALSE(device->drawPrimitive(Primitive::TriangleList, 0, 1));
  ASSERT_TRUE(device->endScene());
}

TEST_F(BufferTest, ThirtyTwoBitIndicesReachPastTheSixteenBitRange) {
  plainStates();
  EXPECT_GE(device->caps().maxVertexIndex, 0xFFFFFFu);
  // 70000 vertices, all at the centre but the last four: a red quad over the right half.
  // Indices cut to 16 bits would name centre vertices and draw nothing.
  constexpr std::uint32_t kCount = 70000, kLast = kCount - 4;
  Owned<VertexBuffer> buffer = device->createVertexBuffer(
      kCount * sizeof(ScreenVertex), USAGE_WRITE_ONLY, kScreenFvf, Pool::Default);
  ASSERT_NE(buffer, nullptr);
  auto* vertices = static_cast<ScreenVertex*>(buffer->lock(0, 0, LOCK_NONE));
  ASSERT_NE(vertices, nullptr);
  vertices[kLast] = {0, 1, 0, kRed, 0, 0};
  vertices[kLast + 1] = {1, 1, 0, kRed, 0, 0};
  vertices[kLast + 2] = {0, -1, 0, kRed, 0, 0};
  vertices[kLast + 3] = {1, -1, 0, kRed, 0, 0};
  ASSERT_TRUE(buffer->unlock());
  Owned<IndexBuffer> indices =
      device->createIndexBuffer(7 * 4, USAGE_WRITE_ONLY, Format::Index32, Pool::Default);
  ASSERT_NE(indices, nullptr);
  EXPECT_EQ(indices->format(), Format::Index32);
  const std::uint32_t list[7] = {kLast,     kLast + 1, kLast + 2, kLast + 2,
                                 kLast + 1, kLast + 3, kCount};
  std::memcpy(indices->lock(0, 0, 0), list, sizeof list);
  ASSERT_TRUE(indices->unlock());

  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(device->setStreamSource(buffer.get(), sizeof(ScreenVertex)));
  ASSERT_TRUE(device->setIndices(indices.get(), 0));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawIndexedPrimitive(Primitive::TriangleList, kLast, 4, 0, 2));
  // The seventh index names a vertex past the buffer.
  EXPECT_FALSE(device->drawIndexedPrimitive(Primitive::TriangleList, kLast, 4, 1, 2));
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, kWidth - 8, kHeight / 2, kRed);
  EXPECT_PIXEL(image, 8, kHeight / 2, kBlue);
}

TEST_F(BufferTest, NullResourcesAndBadArgumentsAreRefusedWithoutHarm) {
  EXPECT_EQ(device->createVertexBuffer(0, 0, kScreenFvf, Pool::Default), nullptr);
  EXPECT_EQ(device->createIndexBuffer(1, 0, Pool::Default), nullptr);
  EXPECT_EQ(device->createIndexBuffer(2, 0, Format::Index32, Pool::Default), nullptr);
  EXPECT_EQ(device->createIndexBuffer(4, 0, Format::D16, Pool::Default), nullptr);
  EXPECT_FALSE(device->setVertexFormat(FVF_NORMAL));  // no position
  EXPECT_FALSE(device->setRenderState(RenderState::ZFunc, 0));
  EXPECT_FALSE(device->setRenderState(RenderState::FogStart, floatState(0.0f / 0.0f)));
  EXPECT_FALSE(device->setRenderState(RenderState::Count, 0));
  EXPECT_FALSE(
      device->setLight(0, LightValues{LightType::Point, {}, {}, {}, {}, {}, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(device->setStreamSource(nullptr, 0));
  EXPECT_TRUE(device->setIndices(nullptr, 0));
  EXPECT_TRUE(device->setTexture(0, nullptr));
  // No colour surface keeps the current one; no depth surface draws without one.
  EXPECT_TRUE(device->setRenderTarget(nullptr, nullptr));
  EXPECT_EQ(device->renderTarget(), device->backBuffer());
  EXPECT_EQ(device->depthStencilSurface(), nullptr);
  ASSERT_TRUE(device->setVertexFormat(kScreenFvf));
  ASSERT_TRUE(device->beginScene());
  EXPECT_FALSE(device->drawPrimitive(Primitive::TriangleList, 0, 1));
  EXPECT_FALSE(device->drawIndexedPrimitive(Primitive::TriangleList, 0, 3, 0, 1));
  EXPECT_FALSE(device->drawPrimitiveUP(Primitive::TriangleList, 1, nullptr, sizeof(ScreenVertex)));
  const ScreenVertex point{0, 0, 0, kRed, 0, 0};
  EXPECT_FALSE(device->drawPrimitiveUP(Primitive::PointList, 1, &point, 8));  // stride too small
  EXPECT_FALSE(device->drawPrimitiveUP(static_cast<Primitive>(9), 1, &point, sizeof point));
  ASSERT_TRUE(device->endScene());
}

}  // namespace
}  // namespace vesk::gfx::testing
