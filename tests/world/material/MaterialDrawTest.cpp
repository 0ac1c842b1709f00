#include <gtest/gtest.h>

#include "base/ShowClock.h"
#include "world/material/Material.h"
#include "world/material/MaterialDeviceTest.h"
#include "world/material/MaterialRecords.h"
#include "world/material/WireframeShader.h"

namespace vesk {
namespace {

using gfx::RenderState;
using test::word;

class MaterialDrawTest : public test::MaterialDeviceTest {
 protected:
  void TearDown() override {
    ShowClock::set(0);
    MaterialDeviceTest::TearDown();
  }
};

struct LitVertex {
  float x, y, z, nx, ny, nz;
};

TEST_F(MaterialDrawTest, LitDiffuseColourTakesTheLayerAlpha) {
  SceneMaterial record;
  record.diffuse = {0.8f, 0.4f, 0.2f};
  record.specularLevel = 0;
  record.opacity = 0.5f;
  auto material = make<Material>(here(), 0u);
  BinaryInput in = test::materialInput(record);
  ASSERT_TRUE(material->load(in));

  ASSERT_TRUE(device->setRenderState(RenderState::Lighting, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::AlphaBlendEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::SrcBlend, word(gfx::Blend::SrcAlpha)));
  ASSERT_TRUE(device->setRenderState(RenderState::DestBlend, word(gfx::Blend::InvSrcAlpha)));
  ASSERT_TRUE(device->setRenderState(RenderState::CullMode, word(gfx::Cull::None)));
  ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 0));
  ASSERT_TRUE(device->lightEnable(0, true));  // white, shining along +z onto the quad
  ASSERT_TRUE(device->clear(gfx::CLEAR_TARGET, 0, 1, 0));
  const LitVertex quad[4] = {{-1, 1, 0.5f, 0, 0, -1},
                             {1, 1, 0.5f, 0, 0, -1},
                             {-1, -1, 0.5f, 0, 0, -1},
                             {1, -1, 0.5f, 0, 0, -1}};
  drawContext.layerAlpha = 0.5f;
  ASSERT_TRUE(device->beginScene());
  material->begin(drawContext, nullptr, nullptr);
  ASSERT_TRUE(device->setVertexFormat(gfx::FVF_XYZ | gfx::FVF_NORMAL));
  ASSERT_TRUE(device->drawPrimitiveUP(gfx::Primitive::TriangleStrip, 2, quad, sizeof(LitVertex)));
  material->end(drawContext, nullptr, nullptr);
  ASSERT_TRUE(device->endScene());

  // A quarter of the lit colour over black.
  std::uint32_t pixel = test::readBackBuffer(*device)[(kHeight / 2) * kWidth + kWidth / 2];
  EXPECT_NEAR((pixel >> 16) & 0xFF, 51, 2);
  EXPECT_NEAR((pixel >> 8) & 0xFF, 25, 2);
  EXPECT_NEAR(pixel & 0xFF, 13, 2);
}

TEST_F(MaterialDrawTest, WireframeFadesInFromItsFirstDrawing) {
  WireframeShader wireframe(2, 0, 1, 1, 0, 0);
  ShowClock::set(1000);
  wireframe.begin(drawContext, nullptr, nullptr);
  EXPECT_FLOAT_EQ(wireframe.values().diffuse.a, 0);
  EXPECT_EQ(device->renderState(RenderState::FillMode), word(gfx::Fill::Wireframe));
  EXPECT_EQ(device->renderState(RenderState::ZEnable), 0u);
  wireframe.end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::FillMode), word(gfx::Fill::Solid));
  EXPECT_EQ(device->renderState(RenderState::ZEnable), 1u);

  ShowClock::set(2000);
  wireframe.begin(drawContext, nullptr, nullptr);
  EXPECT_FLOAT_EQ(wireframe.values().diffuse.a, 0.5f);
  ShowClock::set(5000);
  wireframe.begin(drawContext, nullptr, nullptr);
  EXPECT_FLOAT_EQ(wireframe.values().diffuse.a, 1);
  wireframe.end(drawContext, nullptr, nullptr);

  // No duration: at the end alpha at once, never a division by zero.
  EXPECT_FLOAT_EQ(WireframeShader(0, 0.25f, 0.75f, 1, 1, 1).alphaAt(3), 0.75f);
}

}  // namespace
}  // namespace vesk
