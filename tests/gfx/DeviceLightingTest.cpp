// Fixed-function lighting: a point light on a quad, the material, specular, vertex colours,
// lights given in world space, the first eight enabled lights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

struct Rgb {
  float r, g, b;
};

// The classic lighting of one vertex by one point light (attenuation 1), seen by a local
// viewer at the origin: the colour as an ARGB word.
std::uint32_t litColor(Vector3 p, Vector3 n, const LightValues& light, const MaterialValues& m,
                       Rgb globalAmbient, bool specular) {
  auto normalize = [](Vector3 v) {
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return Vector3{v.x / length, v.y / length, v.z / length};
  };
  auto dot = [](Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  Vector3 l = normalize({light.position.x - p.x, light.position.y - p.y, light.position.z - p.z});
  Vector3 v = normalize({-p.x, -p.y, -p.z});
  Vector3 h = normalize({l.x + v.x, l.y + v.y, l.z + v.z});
  float diffuse = std::max(0.0f, dot(n, l));
  float shine = diffuse > 0 && specular ? std::pow(std::max(0.0f, dot(n, h)), m.power) : 0;
  auto channel = [&](float emissive, float ambient, float lightAmbient, float lightDiffuse,
                     float materialDiffuse, float lightSpecular, float materialSpecular,
                     float global) {
    float primary = emissive + global * ambient + lightAmbient * ambient +
                    lightDiffuse * materialDiffuse * diffuse;
    float value = std::min(1.0f, primary) + lightSpecular * materialSpecular * shine;
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
  };
  std::uint32_t r = channel(m.emissive.r, m.ambient.r, light.ambient.r, light.diffuse.r,
                            m.diffuse.r, light.specular.r, m.specular.r, globalAmbient.r);
  std::uint32_t g = channel(m.emissive.g, m.ambient.g, light.ambient.g, light.diffuse.g,
                            m.diffuse.g, light.specular.g, m.specular.g, globalAmbient.g);
  std::uint32_t b = channel(m.emissive.b, m.ambient.b, light.ambient.b, light.diffuse.b,
                            m.diffuse.b, light.specular.b, m.specular.b, globalAmbient.b);
  return 0xFF000000u | r << 16 | g << 8 | b;
}

class LightingTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(
        device->setRenderState(RenderState::CullMode, static_cast<std::uint32_t>(Cull::None)));
    ASSERT_TRUE(device->setRenderState(RenderState::ZEnable, 0));
    ASSERT_TRUE(device->setRenderState(RenderState::SpecularEnable, 1));
    ASSERT_TRUE(device->setRenderState(RenderState::Ambient, 0x00202020));
    light.type = LightType::Point;
    light.position = {0, 0, -0.5f};
    light.diffuse = {1, 1, 1, 1};
    light.ambient = {0.2f, 0.2f, 0.2f, 1};
    light.specular = {1, 1, 1, 1};
    light.attenuation0 = 1;
    material.diffuse = {0.8f, 0.4f, 0.2f, 1};
    material.ambient = {0.5f, 0.5f, 1, 1};
    material.specular = {0.3f, 0.3f, 0.3f, 1};
    material.emissive = {0, 0.1f, 0, 1};
    material.power = 4;
    ASSERT_TRUE(device->setMaterial(material));
    ASSERT_TRUE(device->setLight(0, light));
    ASSERT_TRUE(device->lightEnable(0, true));
  }

  // The screen-filling quad at z 0.5 facing the viewer, lit, seen through `view` after
  // `world`; the colour at its centre.
  std::uint32_t drawLitQuad(const Matrix& world = {}, const Matrix& view = {}) {
    EXPECT_TRUE(device->setTransform(TransformType::World, world));
    EXPECT_TRUE(device->setTransform(TransformType::View, view));
    const LitVertex quad[4] = {{-1, 1, 0.5f, 0, 0, -1},
                               {1, 1, 0.5f, 0, 0, -1},
                               {-1, -1, 0.5f, 0, 0, -1},
                               {1, -1, 0.5f, 0, 0, -1}};
    EXPECT_TRUE(device->clear(CLEAR_TARGET, 0, 1, 0));
    EXPECT_TRUE(device->setVertexFormat(kLitFvf));
    EXPECT_TRUE(device->beginScene());
    EXPECT_TRUE(device->drawPrimitiveUP(Primitive::TriangleStrip, 2, quad, sizeof(LitVertex)));
    EXPECT_TRUE(device->endScene());
    return at(pixels(), kWidth / 2, kHeight / 2);
  }

  std::uint32_t expected(bool specular = true) const {
    return litColor({1, 1, 0.5f}, {0, 0, -1}, light, material,
                    {32 / 255.0f, 32 / 255.0f, 32 / 255.0f}, specular);
  }

  LightValues light;
  MaterialValues material;
};

TEST_F(LightingTest, APointLightOnAMaterialWithSpecular) {
  std::uint32_t color = drawLitQuad();
  EXPECT_TRUE(vesk::test::colorNear(color, expected(), 3))
      << vesk::test::colorText(color) << " instead of " << vesk::test::colorText(expected());
  ASSERT_TRUE(device->setRenderState(RenderState::SpecularEnable, 0));
  color = drawLitQuad();
  EXPECT_TRUE(vesk::test::colorNear(color, expected(false), 3))
      << vesk::test::colorText(color) << " instead of " << vesk::test::colorText(expected(false));
}

TEST_F(LightingTest, LightsAreGivenInWorldSpace) {
  // Everything moved 1 along z in the world and the view moving it back: the same picture.
  light.position.z += 1;
  ASSERT_TRUE(device->setLight(0, light));
  light.position.z -= 1;
  std::uint32_t color = drawLitQuad(translation(0, 0, 1), translation(0, 0, -1));
  EXPECT_TRUE(vesk::test::colorNear(color, expected(), 3)) << vesk::test::colorText(color);
}

TEST_F(LightingTest, VertexColourFeedsTheDiffuseMaterialAndNoNormalMeansZero) {
  struct ColorVertex {
    float x, y, z, nx, ny, nz;
    std::uint32_t color;
  };
  const std::uint32_t green = 0xFF00FF00;
  const ColorVertex quad[4] = {{-1, 1, 0.5f, 0, 0, -1, green},
                               {1, 1, 0.5f, 0, 0, -1, green},
                               {-1, -1, 0.5f, 0, 0, -1, green},
                               {1, -1, 0.5f, 0, 0, -1, green}};
  ASSERT_TRUE(device->setVertexFormat(FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::TriangleStrip, 2, quad, sizeof(ColorVertex)));
  ASSERT_TRUE(device->endScene());
  MaterialValues fromVertex = material;
  fromVertex.diffuse = {0, 1, 0, 1};
  std::uint32_t want = litColor({1, 1, 0.5f}, {0, 0, -1}, light, fromVertex,
                                {32 / 255.0f, 32 / 255.0f, 32 / 255.0f}, true);
  EXPECT_PIXEL(pixels(), kWidth / 2, kHeight / 2, want, 3);

  // Back to the material's own diffuse once the vertices carry no colour.
  std::uint32_t color = drawLitQuad();
  EXPECT_TRUE(vesk::test::colorNear(color, expected(), 3)) << vesk::test::colorText(color);

  // Without normals only the emissive and ambient terms remain.
  const ScreenVertex bare[4] = {{-1, 1, 0.5f, 0, 0, 0},
                                {1, 1, 0.5f, 0, 0, 0},
                                {-1, -1, 0.5f, 0, 0, 0},
                                {1, -1, 0.5f, 0, 0, 0}};
  ASSERT_TRUE(device->setVertexFormat(FVF_XYZ | FVF_TEX1));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(device->drawPrimitiveUP(Primitive::TriangleStrip, 2, bare, sizeof(ScreenVertex)));
  ASSERT_TRUE(device->endScene());
  // emissive (0, 0.1, 0) + (0.2 + 0.125) × ambient (0.5, 0.5, 1)
  EXPECT_PIXEL(pixels(), kWidth / 2, kHeight / 2, 0xFF2A4053u, 3);
}

TEST_F(LightingTest, OnlyTheFirstEightEnabledLightsShine) {
  LightValues dark = light;
  dark.diffuse = dark.ambient = dark.specular = {0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(device->setLight(i, dark));
    ASSERT_TRUE(device->lightEnable(i, true));
  }
  ASSERT_TRUE(device->setLight(20, light));
  ASSERT_TRUE(device->lightEnable(20, true));  // a ninth: accepted and ignored
  material.emissive = {0, 0, 0, 1};
  ASSERT_TRUE(device->setMaterial(material));
  ASSERT_TRUE(device->setRenderState(RenderState::Ambient, 0));
  EXPECT_PIXEL(std::vector<std::uint32_t>(1, drawLitQuad()), 0, 0, 0xFF000000u);
  ASSERT_TRUE(device->lightEnable(3, false));  // now it is one of the first eight
  std::uint32_t color = drawLitQuad();
  EXPECT_GT((color >> 16) & 0xFF, 0x40u) << vesk::test::colorText(color);
}

}  // namespace
}  // namespace vesk::gfx::testing
