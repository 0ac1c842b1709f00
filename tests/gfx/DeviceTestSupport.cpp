#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {

void DeviceTest::SetUp() {
  ASSERT_TRUE(context.ok()) << context.error();
  device = context.createDevice(kWidth, kHeight);
  ASSERT_NE(device, nullptr);
}

void DeviceTest::plainStates() {
  ASSERT_TRUE(device->setRenderState(RenderState::Lighting, 0));
  ASSERT_TRUE(
      device->setRenderState(RenderState::CullMode, static_cast<std::uint32_t>(Cull::None)));
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 0));
  ASSERT_TRUE(device->setTexture(0, nullptr));
  ASSERT_TRUE(device->setVertexFormat(kScreenFvf));
}

void DeviceTest::drawQuad(float left, float top, float right, float bottom, float z,
                          std::uint32_t color) {
  const ScreenVertex quad[4] = {{left, top, z, color, 0, 0},
                                {right, top, z, color, 1, 0},
                                {left, bottom, z, color, 0, 1},
                                {right, bottom, z, color, 1, 1}};
  ASSERT_TRUE(device->setVertexFormat(kScreenFvf));
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::TriangleStrip, 2, quad, sizeof(ScreenVertex)));
}

}  // namespace vesk::gfx::testing
