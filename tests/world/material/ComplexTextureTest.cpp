#include "world/material/ComplexTexture.h"

#include <gtest/gtest.h>

#include <string>

#include "base/ShowClock.h"
#include "base/Text.h"
#include "events/Event.h"
#include "world/material/Graph.h"
#include "world/material/MaterialDeviceTest.h"

namespace vesk {
namespace {

using gfx::RenderState;
using gfx::StageState;
using gfx::TextureOp;

std::uint32_t op(TextureOp value) {
  return static_cast<std::uint32_t>(value);
}
std::uint32_t blend(gfx::Blend value) {
  return static_cast<std::uint32_t>(value);
}

struct QuadVertex {
  float x, y, z;
  std::uint32_t colour;
  float u, v;
};

class ComplexTextureTest : public test::MaterialDeviceTest {
 protected:
  void TearDown() override {
    ShowClock::set(0);
    MaterialDeviceTest::TearDown();
  }

  Owned<ComplexTexture> makeTexture(const std::string& name, int kind, int count = 1, float fps = 0,
                                    int channel = 1, ComplexTexture* diffuse = nullptr) {
    return make<ComplexTexture>(here(), 0u, name, channel, kind, false, count, fps, diffuse);
  }

  // Frames "name", "1name", ... each of its own red level (30 × frame number).
  void saveFrames(const std::string& name, int count) {
    for (int i = 0; i < count; ++i) {
      savePlain(i == 0 ? name : std::to_string(i) + name, 0xFF000000u | (30u * i) << 16);
    }
  }

  std::string lastDiagnosis() {
    auto all = presenter.diagnoses();
    return all.empty() ? std::string() : all.back();
  }

  // Draws a quad over the whole target with the given vertex colour, without lighting, and
  // answers the centre pixel.
  std::uint32_t drawQuad(std::uint32_t colour) {
    EXPECT_TRUE(device->setRenderState(RenderState::Lighting, 0));
    EXPECT_TRUE(
        device->setRenderState(RenderState::CullMode, static_cast<std::uint32_t>(gfx::Cull::None)));
    EXPECT_TRUE(device->setRenderState(RenderState::ZEnable, 0));
    EXPECT_TRUE(device->clear(gfx::CLEAR_TARGET, 0, 1, 0));
    const QuadVertex quad[4] = {{-1, 1, 0, colour, 0, 0},
                                {1, 1, 0, colour, 1, 0},
                                {-1, -1, 0, colour, 0, 1},
                                {1, -1, 0, colour, 1, 1}};
    EXPECT_TRUE(device->beginScene());
    EXPECT_TRUE(device->setVertexFormat(kScreenVertexFvf));
    EXPECT_TRUE(
        device->drawPrimitiveUP(gfx::Primitive::TriangleStrip, 2, quad, sizeof(QuadVertex)));
    EXPECT_TRUE(device->endScene());
    auto image = test::readBackBuffer(*device);
    return image.empty() ? 0 : image[(kHeight / 2) * kWidth + kWidth / 2];
  }
};

TEST_F(ComplexTextureTest, AnimatedFramesFollowTheShowClock) {
  saveFrames("anim.bmp", 8);
  auto texture = makeTexture("anim.bmp", VK_DIFFUSE, 8, 4.0f);
  ASSERT_EQ(texture->frames().size(), 8u);
  EXPECT_EQ(texture->frames()[2]->key(), "2anim.bmp/d");

  ShowClock::set(3300);  // trunc(3.3 × 4) = 13, 13 mod 8 = 5
  EXPECT_EQ(texture->currentFrame(), 5u);
  texture->apply(0, 0);
  EXPECT_TRUE(test::colorNear(drawQuad(0xFFFFFFFF), 0xFF000000u | 150u << 16));
  ShowClock::set(250);
  EXPECT_EQ(texture->currentFrame(), 1u);
  ShowClock::set(0);
  EXPECT_EQ(texture->currentFrame(), 0u);

  saveFrames("still.bmp", 1);
  auto still = makeTexture("still.bmp", VK_DIFFUSE, 1, 100.0f);
  ShowClock::set(3300);
  EXPECT_EQ(still->frames().size(), 1u);
  EXPECT_EQ(still->currentFrame(), 0u);
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_TRUE(presenter.diagnoses().empty());
}

TEST_F(ComplexTextureTest, ConstructionChecksReportMistakes) {
  saveFrames("f.bmp", 3);
  auto none = makeTexture("f.bmp", VK_DIFFUSE, 0);
  EXPECT_EQ(lastDiagnosis(),
            "Assertion failed :\n(numTexture!=0)\nError : num should not be 0 (but 1 or more)");
  EXPECT_EQ(none->frames().size(), 1u);

  auto still = makeTexture("f.bmp", VK_DIFFUSE);
  auto partnered = makeTexture("f.bmp", VK_LIGHTMAP, 1, 0, 1, still.get());
  EXPECT_EQ(lastDiagnosis(),
            "Assertion failed :\n(type!=VK_TRANSPARENT)? (diffuse == NULL) : true\n"
            "additionnal diffuse texture is only available for transparent texture");

  auto noRate = makeTexture("f.bmp", VK_DIFFUSE, 3, 0.0f);
  EXPECT_EQ(lastDiagnosis(),
            "Assertion failed :\n(framesPerSec!=0.f)\nError : framePerSec should not be null");
  EXPECT_EQ(noRate->currentFrame(), 0u);  // a rate of 0 stays on frame 0

  EXPECT_TRUE(presenter.errors().empty());
  auto badChannel = makeTexture("f.bmp", VK_DIFFUSE, 1, 0, 3);
  EXPECT_EQ(presenter.errors(),
            std::vector<std::string>{"Texture f.bmp uses an incorrect channel : only channels 1 "
                                     "and 2 are currently supported"});
  EXPECT_EQ(badChannel->texCoordSet(), 0);
  EXPECT_EQ(makeTexture("f.bmp", VK_DIFFUSE, 1, 0, 2)->texCoordSet(), 1);

  presenter.clear();
  clearQuitRequest();  // the fatal error above would have ended the program: no frame loads then
  auto twoFrames = makeTexture("f.bmp", VK_DIFFUSE, 2, 5.0f);
  auto mismatched = makeTexture("f.bmp", VK_TRANSPARENT, 3, 4.0f, 1, twoFrames.get());
  EXPECT_EQ(presenter.errors(),
            std::vector<std::string>{"Problem when combining two animated textures"});
}

TEST_F(ComplexTextureTest, FrameCountsBeyondAnyAnimationLoadTheFirstFrameOnly) {
  saveFrames("f.bmp", 2);
  for (int count : {-5, ComplexTexture::kMaxFrameCount + 1}) {
    presenter.clear();
    auto texture = makeTexture("f.bmp", VK_DIFFUSE, count, 1.0f);
    EXPECT_EQ(texture->frames().size(), 1u) << count;
    EXPECT_EQ(lastDiagnosis(),
              str("Assertion failed :\n(numTexture>=0)&&(numTexture<=kMaxFrameCount)\n",
                  "Error : texture f.bmp has ", count,
                  " frames; 1 to 10000 are possible, only the first is loaded"));
  }
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(ComplexTextureTest, FramesAfterAFatalErrorAreNotLoaded) {
  saveFrames("f.bmp", 2);  // frame 2 and the ones after it are missing
  auto texture = makeTexture("f.bmp", VK_DIFFUSE, 50, 1.0f);
  EXPECT_EQ(texture->frames().size(), 3u);
  EXPECT_EQ(presenter.errors(),
            (std::vector<std::string>{"Error : file data\\textures\\2f.bmp not found",
                                      "Image data\\textures\\2f.bmp not found"}));
}

TEST_F(ComplexTextureTest, TransparencyFramesMergeTheMatchingPartnerFrame) {
  saveFrames("c.bmp", 3);
  saveFrames("m.bmp", 3);
  auto colours = makeTexture("c.bmp", VK_DIFFUSE, 2, 4.0f);
  auto masks = makeTexture("m.bmp", VK_TRANSPARENT, 2, 4.0f, 1, colours.get());
  EXPECT_EQ(masks->frames()[0]->key(), "m.bmp/t/c.bmp/d");
  EXPECT_EQ(masks->frames()[1]->key(), "1m.bmp/t/1c.bmp/d");
  EXPECT_EQ(level(masks->frames()[1]->deviceTexture(), 0)[0] & 0xFFFFFF, 30u << 16);

  // A partner with fewer frames at the same rate loops: frame 2 merges its frame 0.
  auto longer = makeTexture("m.bmp", VK_TRANSPARENT, 3, 4.0f, 1, colours.get());
  EXPECT_EQ(longer->frames()[2]->key(), "2m.bmp/t/c.bmp/d");
  auto still = makeTexture("c.bmp", VK_DIFFUSE);
  auto overStill = makeTexture("m.bmp", VK_TRANSPARENT, 3, 4.0f, 1, still.get());
  EXPECT_EQ(overStill->frames()[2]->key(), "2m.bmp/t/c.bmp/d");
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(ComplexTextureTest, ApplyAndUnapplySetTheStagesForEachKind) {
  saveFrames("t.bmp", 1);
  auto stage = [&](int s, StageState state) { return device->textureStageState(s, state); };
  auto render = [&](RenderState state) { return device->renderState(state); };

  auto diffuse = makeTexture("t.bmp", VK_DIFFUSE, 1, 0, 2);
  diffuse->apply(1, 0);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::Modulate));
  EXPECT_EQ(stage(1, StageState::TexCoordIndex), 1u);
  diffuse->unapply(1, 0);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::Disable));
  EXPECT_EQ(stage(1, StageState::TexCoordIndex), 0u);

  auto light = makeTexture("t.bmp", VK_LIGHTMAP);
  light->apply(1, 0);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::AddSigned));
  light->unapply(1, 0);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::Disable));
  // The override replaces the own kind.
  diffuse->apply(0, VK_LIGHTMAP);
  EXPECT_EQ(stage(0, StageState::ColorOp), op(TextureOp::AddSigned));
  diffuse->unapply(0, VK_LIGHTMAP);
  EXPECT_EQ(stage(0, StageState::ColorOp), op(TextureOp::Modulate));

  auto environment = makeTexture("t.bmp", VK_ENVIRONMENT);
  environment->apply(1, 0);
  EXPECT_EQ(stage(1, StageState::TransformFlags), gfx::TTFF_COUNT2);
  EXPECT_EQ(stage(1, StageState::TexCoordIndex), gfx::TCI_CAMERA_SPACE_NORMAL);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::Modulate));
  Matrix matrix;
  ASSERT_TRUE(device->getTransform(gfx::TransformType::Texture1, matrix));
  EXPECT_FLOAT_EQ(matrix.m[1][1], -0.5f);
  EXPECT_FLOAT_EQ(matrix.m[3][0], 0.5f);
  environment->unapply(1, 0);
  EXPECT_EQ(stage(1, StageState::TransformFlags), gfx::TTFF_DISABLE);
  EXPECT_EQ(stage(1, StageState::TexCoordIndex), 0u);
  EXPECT_EQ(stage(1, StageState::ColorOp), op(TextureOp::Disable));

  auto additive = makeTexture("t.bmp", VK_ADDITIVE_ENVIRONMENT);
  additive->apply(0, 0);
  EXPECT_EQ(stage(0, StageState::TexCoordIndex), gfx::TCI_CAMERA_SPACE_NORMAL);
  EXPECT_EQ(render(RenderState::SrcBlend), blend(gfx::Blend::SrcColor));
  EXPECT_EQ(render(RenderState::DestBlend), blend(gfx::Blend::DestColor));
  additive->unapply(0, 0);
  EXPECT_EQ(render(RenderState::SrcBlend), blend(gfx::Blend::SrcAlpha));
  EXPECT_EQ(render(RenderState::DestBlend), blend(gfx::Blend::InvSrcAlpha));
  EXPECT_EQ(stage(0, StageState::TransformFlags), gfx::TTFF_DISABLE);

  // A texture matrix is set while applied and reset to identity by unapply.
  Matrix scale;
  scale.m[0][0] = 2;
  diffuse->setTextureMatrix(scale);
  diffuse->apply(0, 0);
  ASSERT_TRUE(device->getTransform(gfx::TransformType::Texture0, matrix));
  EXPECT_FLOAT_EQ(matrix.m[0][0], 2.0f);
  diffuse->unapply(0, 0);
  ASSERT_TRUE(device->getTransform(gfx::TransformType::Texture0, matrix));
  EXPECT_FLOAT_EQ(matrix.m[0][0], 1.0f);
  EXPECT_TRUE(presenter.errors().empty());

  diffuse->apply(2, 0);
  EXPECT_EQ(lastDiagnosis(), "Assertion failed :\n(stage <= 1)\nstage should be 0 or 1");
  auto unknown = makeTexture("t.bmp", 9);
  unknown->apply(0, 0);
  EXPECT_EQ(presenter.errors(), std::vector<std::string>{"Unrecognize texture type"});
}

TEST_F(ComplexTextureTest, LightMapOnStageZeroIsAddedSignedToTheColour) {
  savePlain("light.bmp", 0xFFC0C0C0);  // 0.75: adds 0.25
  auto light = makeTexture("light.bmp", VK_LIGHTMAP);
  light->apply(0, 0);
  // (0x40, 0x20, 0x80) + 0xC0 − 0x80 = (0x80, 0x60, 0xC0).
  std::uint32_t lit = drawQuad(0xFF402080);
  EXPECT_TRUE(test::colorNear(lit, 0xFF8060C0u, 3)) << test::colorText(lit);
  light->unapply(0, 0);
  // Modulate again: colour × 0.75.
  std::uint32_t modulated = drawQuad(0xFF402080);
  EXPECT_TRUE(test::colorNear(modulated, 0xFF301860u, 3)) << test::colorText(modulated);
}

TEST_F(ComplexTextureTest, GraphIsFoundByNameAndHandlesNoEvents) {
  savePlain("end.jpg", 0xFF808080, 8, 8, FIF_JPEG);
  Owned<Graph> graph = make<Graph>(here(), 0u, "end.jpg", 1, VK_DIFFUSE, false, 1, 0.0f, nullptr);
  graph->setName("end");
  EXPECT_EQ(safeCast<Graph>(EventTarget::find("end")), graph.get());
  EXPECT_EQ(graph->processEvent(Event("end", 1)), 0);
  auto record = theMemory().find(graph.get(), Registry::Objects);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(*record->type, typeid(Graph));
  Graph* address = graph.get();
  graph.reset();
  EXPECT_FALSE(theMemory().find(address, Registry::Objects).has_value());
  EXPECT_EQ(EventTarget::find("end"), nullptr);
  EXPECT_TRUE(presenter.errors().empty());
}

}  // namespace
}  // namespace vesk
