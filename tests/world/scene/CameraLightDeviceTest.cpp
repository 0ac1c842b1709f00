// Cameras and lights on a real device: the transforms a camera sets, the slot a light takes.
#include <gtest/gtest.h>

#include <cmath>

#include "support/GlTestContext.h"
#include "world/scene/NodeRecords.h"

namespace vesk::test {
namespace {

class CameraLightDeviceTest : public ::testing::Test {
 protected:
  static constexpr std::uint32_t kWidth = 640, kHeight = 480;

  void SetUp() override {
    ASSERT_TRUE(context.ok()) << context.error();
    device = context.createDevice(kWidth, kHeight);
    ASSERT_NE(device, nullptr);
    drawContext.device = device.get();
  }
  void TearDown() override {
    drawContext.device = nullptr;
    device.reset();
  }

  Matrix transform(gfx::TransformType type) {
    Matrix matrix;
    EXPECT_TRUE(device->getTransform(type, matrix));
    return matrix;
  }

  GlTestContext context;
  Owned<gfx::Device> device;
  DrawContext drawContext;
  InstalledDrawContext installed{drawContext};
  RecordingPresenter presenter;
};

TEST_F(CameraLightDeviceTest, CameraAtTheOriginSetsTheMirroredViewAndItsProjection) {
  Camera camera(nullptr);
  camera.apply(0);
  Matrix mirrored;
  mirrored.m[2][2] = -1;
  EXPECT_EQ(camera._viewMatrix, mirrored);
  EXPECT_EQ(transform(gfx::TransformType::View), mirrored);

  const Matrix projection = transform(gfx::TransformType::Projection);
  EXPECT_FLOAT_EQ(projection.m[0][0], 1 / std::tan(0.5f));
  EXPECT_FLOAT_EQ(projection.m[1][1], 1 / std::tan(0.375f));  // aspect 480 / 640
  EXPECT_FLOAT_EQ(projection.m[2][2], 100000.0f / 99999.0f);
  EXPECT_EQ(projection.m[2][3], 1);
  EXPECT_FLOAT_EQ(projection.m[3][2], -100000.0f / 99999.0f);
  EXPECT_EQ(projection.m[3][3], 0);

  // The reflection goes in front of the device's view only.
  camera._reflectionMatrix.m[1][1] = -1;
  camera.apply(0.5f);
  EXPECT_EQ(camera._viewMatrix, mirrored);
  EXPECT_EQ(transform(gfx::TransformType::View).m[1][1], -1);
  EXPECT_FLOAT_EQ(transform(gfx::TransformType::Projection).m[1][1], 1 / std::tan(0.25f));
}

TEST_F(CameraLightDeviceTest, PlacedCameraSeesItsOwnPositionAtTheViewOrigin) {
  // A camera under a moved group uses its local transform only.
  Group group(nullptr);
  group._position = {50, 0, 0};
  group.appendChild(make<Camera>(here(), nullptr));
  auto& camera = static_cast<Camera&>(*group.children()[0]);
  camera._position = {1, 2, 3};
  camera._rotation = {0.5f, 0.5f, -0.5f, 0.5f};
  group.updateWorld();
  camera.apply(0);
  const Vector3 eye = transformPoint({1, 2, 3}, camera._viewMatrix);
  EXPECT_NEAR(eye.x, 0, 1e-5f);
  EXPECT_NEAR(eye.y, 0, 1e-5f);
  EXPECT_NEAR(eye.z, 0, 1e-5f);
}

TEST_F(CameraLightDeviceTest, LightLitsItsSlotFromItsLocalPosition) {
  ASSERT_TRUE(device->setRenderState(gfx::RenderState::CullMode,
                                     static_cast<std::uint32_t>(gfx::Cull::None)));
  ASSERT_TRUE(device->setRenderState(gfx::RenderState::ZEnable, 0));
  ASSERT_TRUE(device->setRenderState(gfx::RenderState::Lighting, 1));
  gfx::MaterialValues white;
  white.diffuse = {1, 1, 1, 1};
  ASSERT_TRUE(device->setMaterial(white));

  // Nested under a group far away; it shines from its own local position all the same.
  Group group(nullptr);
  group._position = {1000, 0, 0};
  group.appendChild(make<Light>(here(), nullptr));
  auto& light = static_cast<Light&>(*group.children()[0]);
  light._position = {0, 0, -0.5f};
  light.setColour(1, 0, 0);
  group.updateWorld();
  light.setSlot(5);

  struct LitVertex {
    float x, y, z, nx, ny, nz;
  };
  const LitVertex quad[4] = {{-1, 1, 0.5f, 0, 0, -1},
                             {1, 1, 0.5f, 0, 0, -1},
                             {-1, -1, 0.5f, 0, 0, -1},
                             {1, -1, 0.5f, 0, 0, -1}};
  ASSERT_TRUE(device->clear(gfx::CLEAR_TARGET, 0, 1, 0));
  ASSERT_TRUE(device->setVertexFormat(gfx::FVF_XYZ | gfx::FVF_NORMAL));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitiveUP(gfx::Primitive::TriangleStrip, 2, quad, sizeof(LitVertex)));
  ASSERT_TRUE(device->endScene());
  const std::vector<std::uint32_t> pixels = readBackBuffer(*device);
  ASSERT_EQ(pixels.size(), std::size_t{kWidth} * kHeight);
  const std::uint32_t centre = pixels[std::size_t{kHeight / 2} * kWidth + kWidth / 2];
  // Lit per vertex: every corner sees the light at 1/sqrt(3) of full strength.
  EXPECT_TRUE(colorNear(centre, argb(255, 147, 0, 0), 3)) << colorText(centre);
}

}  // namespace
}  // namespace vesk::test
