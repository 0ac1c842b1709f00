#include "world/material/Material.h"

#include <gtest/gtest.h>

#include "world/material/MaterialDeviceTest.h"
#include "world/material/MaterialRecords.h"

namespace vesk {
namespace {

using gfx::RenderState;
using gfx::StageState;
using test::map;
using test::materialInput;
using test::word;

class MaterialTest : public test::MaterialDeviceTest {
 protected:
  void SetUp() override {
    MaterialDeviceTest::SetUp();
    for (const char* name : {"d.bmp", "l.bmp", "t.bmp", "e.bmp"})
      savePlain(name, 0xFF808080);
  }

  // The material read from the record, and whether it loaded.
  Owned<Material> load(const SceneMaterial& record, bool* loaded = nullptr) {
    auto material = make<Material>(here(), 0u);
    BinaryInput in = materialInput(record);
    bool ok = material->load(in);
    if (loaded) *loaded = ok;
    return material;
  }

  static std::vector<int> kinds(const Material& material) {
    std::vector<int> result;
    for (const auto& texture : material.textures())
      result.push_back(texture->kind());
    return result;
  }
};

TEST_F(MaterialTest, ReadsColoursAndPower) {
  SceneMaterial record;
  record.diffuse = {0.5f, 0.25f, 1};
  record.specular = {1, 0.5f, 0};
  record.specularLevel = 0.5f;
  record.glossiness = 0.25f;
  record.opacity = 0.75f;
  record.selfIllumination = {0.1f, 0.2f, 0.3f};
  auto material = load(record);
  const gfx::MaterialValues& values = material->values();
  EXPECT_EQ(values.diffuse, (ColorValue{0.5f, 0.25f, 1, 0.75f}));
  EXPECT_EQ(values.specular, (ColorValue{0.5f, 0.25f, 0, 1}));
  EXPECT_EQ(values.emissive, (ColorValue{0.1f, 0.2f, 0.3f, 1}));
  EXPECT_FLOAT_EQ(values.power, 32);
}

TEST_F(MaterialTest, EachMapTakesItsKindAndTheTransparencyMapReplacesTheDiffuseMap) {
  SceneMaterial twoMaps;
  twoMaps.diffuseMaps = {map("d.bmp"), map("l.bmp", 2)};
  auto material = load(twoMaps);
  EXPECT_EQ(kinds(*material), (std::vector<int>{VK_DIFFUSE, VK_LIGHTMAP}));
  EXPECT_EQ(material->textures()[1]->texCoordSet(), 1);

  SceneMaterial merged;
  merged.diffuseMaps = {map("d.bmp")};
  merged.transparencyMap = map("t.bmp");
  merged.environmentMap = map("e.bmp");
  EXPECT_EQ(kinds(*load(merged)), (std::vector<int>{VK_TRANSPARENT, VK_ENVIRONMENT}));

  SceneMaterial alone;  // no diffuse map to merge: the transparency map stays
  alone.transparencyMap = map("t.bmp");
  alone.additiveEnvironmentMap = map("e.bmp");
  EXPECT_EQ(kinds(*load(alone)), (std::vector<int>{VK_TRANSPARENT, VK_ADDITIVE_ENVIRONMENT}));
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(MaterialTest, SortsTranslucentAndBlendedMaterialsOnly) {
  SceneMaterial opaque;
  opaque.diffuseMaps = {map("d.bmp")};
  opaque.environmentMap = map("e.bmp");
  EXPECT_FALSE(load(opaque)->needsSorting());
  SceneMaterial translucent;
  translucent.opacity = 0.5f;
  EXPECT_TRUE(load(translucent)->needsSorting());
  SceneMaterial transparent;
  transparent.transparencyMap = map("t.bmp");
  EXPECT_TRUE(load(transparent)->needsSorting());
  SceneMaterial additive;
  additive.diffuseMaps = {map("d.bmp")};
  additive.additiveEnvironmentMap = map("e.bmp");
  EXPECT_TRUE(load(additive)->needsSorting());
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(MaterialTest, RefusesBadRecords) {
  SceneMaterial three;
  three.diffuseMaps = {map("d.bmp"), map("l.bmp")};
  three.transparencyMap = map("t.bmp");
  bool loaded = true;
  load(three, &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(presenter.errors().back(), "Material: multitexturing using more than 2 textures");

  SceneMaterial incoherent;
  incoherent.diffuseMaps = {map("d.bmp")};
  incoherent.diffuseMaps[0].animated = true;
  incoherent.diffuseMaps[0].frameCount = 1;
  load(incoherent, &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(presenter.errors().back(),
            "Problem while loading complex textures : animation parameters are not coherent");

  SceneMaterial record;
  record.diffuseMaps = {map("d.bmp")};
  auto material = make<Material>(here(), 0u);
  BinaryInput truncated = materialInput(record, 60);
  EXPECT_FALSE(material->load(truncated));
  EXPECT_EQ(presenter.errors().back(), "Error : file material.pod is corrupt or truncated");
}

TEST_F(MaterialTest, PassesOverDiffuseMapsPastTheSecond) {
  SceneMaterial record;
  record.diffuseMaps = {map("d.bmp"), map("l.bmp"), map("t.bmp")};
  auto material = make<Material>(here(), 0u);
  BinaryInput in = materialInput(record);
  EXPECT_TRUE(material->load(in));
  EXPECT_EQ(in.position(), in.size());  // the next record starts where it should
  EXPECT_EQ(material->textures().size(), 2u);
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_NE(presenter.diagnoses()[0].find("No more than 2 diffuse maps"), std::string::npos);
}

TEST_F(MaterialTest, BeginAndEndSetAndRestoreTheDeviceStates) {
  SceneMaterial plain;
  auto material = load(plain);
  material->setTwoSided(true);
  drawContext.currentCullMode = gfx::Cull::Clockwise;
  ASSERT_TRUE(device->setTextureStageState(0, StageState::ColorOp, word(gfx::TextureOp::Add)));
  material->begin(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::None));
  const std::uint64_t calls = device->apiCalls();
  material->begin(drawContext, nullptr, nullptr);  // nothing changed: the cache answers
  EXPECT_EQ(device->apiCalls(), calls);
  material->end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::Clockwise));
  EXPECT_EQ(device->textureStageState(0, StageState::ColorOp), word(gfx::TextureOp::Modulate));

  SceneMaterial textured;
  textured.diffuseMaps = {map("d.bmp")};
  textured.environmentMap = map("e.bmp", 2);
  auto both = load(textured);
  both->begin(drawContext, nullptr, nullptr);  // one-sided: culling is left alone
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::Clockwise));
  EXPECT_EQ(device->textureStageState(1, StageState::ColorOp), word(gfx::TextureOp::Modulate));
  EXPECT_EQ(device->textureStageState(1, StageState::TexCoordIndex), gfx::TCI_CAMERA_SPACE_NORMAL);
  both->end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->textureStageState(1, StageState::ColorOp), word(gfx::TextureOp::Disable));
  EXPECT_EQ(device->textureStageState(1, StageState::TexCoordIndex), 0u);
}

}  // namespace
}  // namespace vesk
