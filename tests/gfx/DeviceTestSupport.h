// What the device's pixel tests share: a fixture with a device over a test context, the
// vertex of 2D drawing and helpers that draw in clip space with identity matrices.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/Device.h"
#include "support/GlTestContext.h"

namespace vesk::gfx::testing {

// Position, colour, one texture coordinate set (XYZ | DIFFUSE | TEX1).
struct ScreenVertex {
  float x, y, z;
  std::uint32_t color;
  float u, v;
};
inline constexpr std::uint32_t kScreenFvf = FVF_XYZ | FVF_DIFFUSE | FVF_TEX1;

// Position and normal (XYZ | NORMAL).
struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
};
inline constexpr std::uint32_t kLitFvf = FVF_XYZ | FVF_NORMAL;

class DeviceTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kWidth = 64, kHeight = 48;

  void SetUp() override;
  void TearDown() override { device.reset(); }

  // Identity transforms, no lighting, no culling, no depth test, no texture: what is drawn
  // keeps its vertex colours.
  void plainStates();
  // A quad from (left, top) to (right, bottom) in clip space (y up), as a triangle strip drawn
  // clockwise, with texture coordinates (0, 0) at the top left and (1, 1) at the bottom right.
  void drawQuad(float left, float top, float right, float bottom, float z, std::uint32_t color);
  void drawFullQuad(std::uint32_t color, float z = 0) { drawQuad(-1, 1, 1, -1, z, color); }

  std::vector<std::uint32_t> pixels() { return vesk::test::readBackBuffer(*device); }
  static std::uint32_t at(const std::vector<std::uint32_t>& image, std::uint32_t x, std::uint32_t y,
                          std::uint32_t width = kWidth) {
    return image.at(static_cast<std::size_t>(y) * width + x);
  }

  vesk::test::GlTestContext context;
  Owned<Device> device;
};

// EXPECT that a pixel is near a colour, naming the place on failure.
#define EXPECT_PIXEL(image, x, y, expected, ...)                                         \
  do {                                                                                   \
    std::uint32_t vkActual = DeviceTest::at((image), (x), (y));                          \
    EXPECT_TRUE(vesk::test::colorNear(vkActual, (expected)__VA_OPT__(, ) __VA_ARGS__))   \
        << "pixel (" << (x) << ", " << (y) << ") is " << vesk::test::colorText(vkActual) \
        << ", expected " << vesk::test::colorText(expected);                             \
  } while (false)

// Row-vector transforms for placing test geometry.
inline Matrix translation(float x, float y, float z) {
  Matrix m;
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

inline Matrix scaling(float x, float y, float z) {
  Matrix m;
  m.m[0][0] = x;
  m.m[1][1] = y;
  m.m[2][2] = z;
  return m;
}

}  // namespace vesk::gfx::testing
