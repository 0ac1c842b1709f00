#include "world/material/Material.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "authoring/SceneWriter.h"
#include "base/ShowClock.h"
#include "world/material/MaterialDeviceTest.h"
#include "world/material/PicturePrefetch.h"
#include "world/material/WireframeShader.h"

namespace vesk {
namespace {

using gfx::RenderState;
using gfx::StageState;

std::uint32_t word(auto value) {
  return static_cast<std::uint32_t>(value);
}
SceneTexture map(const char* file, std::int32_t channel = 1) {
  return SceneTexture{false, file, false, 0, 0, channel};
}

class MaterialTest : public test::MaterialDeviceTest {
 protected:
  void SetUp() override {
    MaterialDeviceTest::SetUp();
    for (const char* name : {"d.bmp", "l.bmp", "t.bmp", "e.bmp"})
      savePlain(name, 0xFF808080);
  }
  void TearDown() override {
    ShowClock::set(0);
    MaterialDeviceTest::TearDown();
  }

  // The record as written by the scene writer, cut after `keep` bytes.
  static BinaryInput input(const SceneMaterial& record, std::size_t keep = SIZE_MAX) {
    std::vector<std::uint8_t> bytes;
    ByteOutput out(bytes);
    writeMaterial(out, record);
    bytes.resize(std::min(keep, bytes.size()));
    Bytes data = allocateBytes(bytes.size());
    std::memcpy(data.get(), bytes.data(), bytes.size());
    return BinaryInput(std::move(data), bytes.size(), "material.pod");
  }
  Owned<Material> load(const SceneMaterial& record, bool expectLoaded = true) {
    auto material = make<Material>(here(), 0u);
    BinaryInput in = input(record);
    EXPECT_EQ(material->load(in), expectLoaded);
    return material;
  }
  std::vector<int> kinds(const SceneMaterial& record) {
    std::vector<int> result;
    auto material = load(record);
    for (const auto& texture : material->textures())
      result.push_back(texture->kind());
    return result;
  }
};

TEST_F(MaterialTest, ScalesSpecularAndGlossiness) {
  SceneMaterial record;
  record.specular = {1, 0.5f, 0};
  record.specularLevel = 0.5f;
  record.glossiness = 0.25f;
  auto material = load(record);
  EXPECT_EQ(material->values().specular, (ColorValue{0.5f, 0.25f, 0, 1}));
  EXPECT_FLOAT_EQ(material->values().power, 32);
}

TEST_F(MaterialTest, EachMapTakesItsKindAndTheTransparencyMapReplacesTheDiffuseMap) {
  SceneMaterial record;
  record.diffuseMaps = {map("d.bmp"), map("l.bmp", 2)};
  EXPECT_EQ(kinds(record), (std::vector<int>{VK_DIFFUSE, VK_LIGHTMAP}));
  record.diffuseMaps.pop_back();
  record.transparencyMap = map("t.bmp");
  record.environmentMap = map("e.bmp");
  EXPECT_EQ(kinds(record), (std::vector<int>{VK_TRANSPARENT, VK_ENVIRONMENT}));
  record.diffuseMaps.clear();  // nothing to merge: the transparency map stays
  record.environmentMap.reset();
  record.additiveEnvironmentMap = map("e.bmp");
  EXPECT_EQ(kinds(record), (std::vector<int>{VK_TRANSPARENT, VK_ADDITIVE_ENVIRONMENT}));
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(MaterialTest, SortsTranslucentAndBlendedMaterialsOnly) {
  SceneMaterial opaque, translucent, transparent, additive;
  opaque.diffuseMaps = {map("d.bmp")};
  opaque.environmentMap = map("e.bmp");
  translucent.opacity = 0.5f;
  transparent.transparencyMap = map("t.bmp");
  additive.diffuseMaps = {map("d.bmp")};
  additive.additiveEnvironmentMap = map("e.bmp");
  EXPECT_FALSE(load(opaque)->needsSorting());
  for (const SceneMaterial* record : {&translucent, &transparent, &additive})
    EXPECT_TRUE(load(*record)->needsSorting());
}

TEST_F(MaterialTest, RefusesBadRecords) {
  SceneMaterial three;
  three.diffuseMaps = {map("d.bmp"), map("l.bmp")};
  three.transparencyMap = map("t.bmp");
  load(three, false);
  EXPECT_EQ(presenter.errors().back(), "Material: multitexturing using more than 2 textures");

  SceneMaterial incoherent;
  incoherent.diffuseMaps = {SceneTexture{false, "d.bmp", true, 4, 1, 1}};
  load(incoherent, false);
  EXPECT_EQ(presenter.errors().back(),
            "Problem while loading complex textures : animation parameters are not coherent");

  auto material = make<Material>(here(), 0u);
  BinaryInput truncated = input(SceneMaterial{}, 60);
  EXPECT_FALSE(material->load(truncated));
  EXPECT_EQ(presenter.errors().back(), "Error : file material.pod is corrupt or truncated");
}

TEST_F(MaterialTest, PassesOverDiffuseMapsPastTheSecond) {
  SceneMaterial record;
  record.diffuseMaps = {map("d.bmp"), map("l.bmp"), map("t.bmp")};
  BinaryInput in = input(record);
  EXPECT_TRUE(make<Material>(here(), 0u)->load(in));
  EXPECT_EQ(in.position(), in.size());  // the next record is read from where it starts
  ASSERT_EQ(presenter.diagnoses().size(), 1u);
  EXPECT_NE(presenter.diagnoses()[0].find("No more than 2 diffuse maps"), std::string::npos);
}

TEST_F(MaterialTest, PictureRequestsAreTheTexturesLoadAsksFor) {
  savePlain("f.bmp", 0xFF808080);
  for (const char* frame : {"1f.bmp", "2f.bmp"})
    savePlain(frame, 0xFF808080);
  SceneMaterial lit, merged, animated, three;
  lit.diffuseMaps = {map("d.bmp"), map("l.bmp", 2)};
  merged.diffuseMaps = {map("d.bmp")};
  merged.transparencyMap = SceneTexture{true, "t.bmp", false, 0, 0, 1};
  merged.additiveEnvironmentMap = map("e.bmp");
  animated.environmentMap = SceneTexture{false, "f.bmp", true, 4, 3, 1};
  three.diffuseMaps = {map("d.bmp"), map("l.bmp")};
  three.transparencyMap = map("t.bmp");  // load refuses it, after the first two
  for (const SceneMaterial* record : {&lit, &merged, &animated, &three}) {
    BinaryInput in = input(*record);
    in.quiet();
    std::vector<PictureRequest> requests;
    EXPECT_EQ(Material::pictureRequests(in, requests), record != &three);
    std::set<std::string> keys, loaded;
    for (const PictureRequest& request : requests)
      keys.insert(Texture::makeKey(request.fileName, request.colourKey, request.kind, nullptr));
    auto material = make<Material>(here(), cache->addBank());
    BinaryInput again = input(*record);
    material->load(again);
    for (const auto& texture : material->textures())
      for (Texture* frame : texture->frames()) {
        std::string key = frame->key();
        if (std::size_t partner = key.find("/d.bmp/d"); partner != std::string::npos)
          key.erase(partner);  // a request does not name the partner
        loaded.insert(key);
      }
    if (record == &lit) {
      EXPECT_EQ(keys, (std::set<std::string>{"d.bmp/d", "l.bmp/l"}));
    }
    if (record == &animated) {
      EXPECT_EQ(requests.back().fileName, "2f.bmp");
    }
    if (record == &merged) loaded.insert("d.bmp/d");  // merged into the transparency map
    if (record != &three) {
      EXPECT_EQ(keys, loaded);
    }
  }
}

TEST_F(MaterialTest, BeginAndEndSetAndRestoreTheDeviceStates) {
  auto plain = load(SceneMaterial{});
  plain->setTwoSided(true);
  drawContext.currentCullMode = gfx::Cull::Clockwise;
  ASSERT_TRUE(device->setTextureStageState(0, StageState::ColorOp, word(gfx::TextureOp::Add)));
  plain->begin(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::None));
  const std::uint64_t calls = device->apiCalls();
  plain->begin(drawContext, nullptr, nullptr);  // nothing changed: the state cache answers
  EXPECT_EQ(device->apiCalls(), calls);
  plain->end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::Clockwise));
  EXPECT_EQ(device->textureStageState(0, StageState::ColorOp), word(gfx::TextureOp::Modulate));

  SceneMaterial record;
  record.diffuseMaps = {map("d.bmp")};
  record.environmentMap = map("e.bmp", 2);
  auto textured = load(record);
  textured->begin(drawContext, nullptr, nullptr);  // one-sided: culling is left alone
  EXPECT_EQ(device->renderState(RenderState::CullMode), word(gfx::Cull::Clockwise));
  EXPECT_EQ(device->textureStageState(1, StageState::ColorOp), word(gfx::TextureOp::Modulate));
  textured->end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->textureStageState(1, StageState::ColorOp), word(gfx::TextureOp::Disable));
}

TEST_F(MaterialTest, LitDiffuseColourTakesOpacityAndLayerAlpha) {
  SceneMaterial record;
  record.diffuse = {0.8f, 0.4f, 0.2f};
  record.specularLevel = 0;
  record.opacity = 0.5f;
  auto material = load(record);
  ASSERT_TRUE(device->setRenderState(RenderState::AlphaBlendEnable, 1));
  ASSERT_TRUE(device->setRenderState(RenderState::SrcBlend, word(gfx::Blend::SrcAlpha)));
  ASSERT_TRUE(device->setRenderState(RenderState::DestBlend, word(gfx::Blend::InvSrcAlpha)));
  ASSERT_TRUE(device->setRenderState(RenderState::CullMode, word(gfx::Cull::None)));
  ASSERT_TRUE(device->lightEnable(0, true));  // white, shining along +z onto the quad
  ASSERT_TRUE(device->clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, 0, 1, 0));
  struct LitVertex {
    float x, y, z, nx, ny, nz;
  } quad[4] = {{-1, 1, 0.5f, 0, 0, -1},
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

TEST_F(MaterialTest, WireframeFadesInFromItsFirstDrawing) {
  WireframeShader wireframe(2, 0, 1, 1, 0, 0);
  for (auto [ms, alpha] : {std::pair{1000, 0.0f}, {2000, 0.5f}, {5000, 1.0f}}) {
    ShowClock::set(ms);
    wireframe.begin(drawContext, nullptr, nullptr);
    EXPECT_FLOAT_EQ(wireframe.values().diffuse.a, alpha) << ms;
  }
  EXPECT_EQ(device->renderState(RenderState::FillMode), word(gfx::Fill::Wireframe));
  EXPECT_EQ(device->renderState(RenderState::ZEnable), 0u);
  wireframe.end(drawContext, nullptr, nullptr);
  EXPECT_EQ(device->renderState(RenderState::FillMode), word(gfx::Fill::Solid));
  EXPECT_EQ(device->renderState(RenderState::ZEnable), 1u);
  // No duration: the end alpha at once, never a division by zero.
  EXPECT_FLOAT_EQ(WireframeShader(0, 0.25f, 0.75f, 1, 1, 1).alphaAt(3), 0.75f);
}

}  // namespace
}  // namespace vesk
