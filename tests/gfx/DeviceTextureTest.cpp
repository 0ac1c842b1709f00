// Textures, texture stages and render-target textures.
#include <gtest/gtest.h>

#include <cstring>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kWhite = 0xFFFFFFFF;

class TextureTest : public DeviceTest {
 protected:
  // A texture whose level `level` holds `words` (top row first).
  Owned<Texture> makeTexture(std::uint32_t width, std::uint32_t height,
                             const std::vector<std::uint32_t>& words,
                             Format format = Format::A8R8G8B8, std::uint32_t levels = 1) {
    Owned<Texture> texture =
        device->createTexture(width, height, levels, USAGE_NONE, format, Pool::Managed);
    EXPECT_NE(texture, nullptr);
    if (texture) fill(*texture, 0, words);
    return texture;
  }

  void fill(Texture& texture, std::uint32_t level, const std::vector<std::uint32_t>& words) {
    SurfaceDesc desc = texture.levelDesc(level);
    LockedRect locked;
    ASSERT_TRUE(texture.lockRect(level, locked, LOCK_NONE));
    for (std::uint32_t row = 0; row < desc.height; ++row) {
      std::memcpy(static_cast<std::uint8_t*>(locked.bits) + row * locked.pitch,
                  &words[row * desc.width], desc.width * 4);
    }
    ASSERT_TRUE(texture.unlockRect(level));
  }

  void textureStates() {
    plainStates();
    ASSERT_TRUE(device->setTextureStageState(0, StageState::ColorOp,
                                             static_cast<std::uint32_t>(TextureOp::Modulate)));
    ASSERT_TRUE(device->setTextureStageState(0, StageState::MagFilter,
                                             static_cast<std::uint32_t>(TextureFilter::Point)));
    ASSERT_TRUE(device->setTextureStageState(0, StageState::MinFilter,
                                             static_cast<std::uint32_t>(TextureFilter::Point)));
  }

  bool stage(int stage, StageState state, std::uint32_t value) {
    return device->setTextureStageState(stage, state, value);
  }
  static std::uint32_t op(TextureOp value) { return static_cast<std::uint32_t>(value); }
  static std::uint32_t arg(TextureArg value) { return static_cast<std::uint32_t>(value); }

  // The four quadrants of a 2 × 2 texture.
  const std::vector<std::uint32_t> quadrants{kRed, kGreen, kBlue, kWhite};
};

TEST_F(TextureTest, TheTopRowOfATextureAppearsAtTheTopWhereVIsZero) {
  textureStates();
  auto texture = makeTexture(2, 2, quadrants);
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  // Point sprites (on in the renderer's initial states) leave other primitives alone.
  ASSERT_TRUE(device->setRenderState(RenderState::PointSpriteEnable, 1));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kWhite);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 0, 0, kRed);
  EXPECT_PIXEL(image, kWidth - 1, 0, kGreen);
  EXPECT_PIXEL(image, 0, kHeight - 1, kBlue);
  EXPECT_PIXEL(image, kWidth - 1, kHeight - 1, kWhite);
}

TEST_F(TextureTest, LevelsLockForReadingAndWriting) {
  Owned<Texture> texture =
      device->createTexture(64, 16, 0, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
  ASSERT_NE(texture, nullptr);
  ASSERT_EQ(texture->levelCount(), 7u);
  EXPECT_EQ(texture->levelDesc(6).width, 1u);
  EXPECT_EQ(texture->levelDesc(4).height, 1u);
  EXPECT_EQ(texture->surfaceLevel(7), nullptr);
  std::vector<std::uint32_t> words(4 * 1);
  for (std::uint32_t i = 0; i < words.size(); ++i)
    words[i] = 0x01020304u * (i + 1);
  fill(*texture, 4, words);
  LockedRect locked;
  ASSERT_TRUE(texture->lockRect(4, locked, LOCK_READ_ONLY));
  EXPECT_EQ(std::memcmp(locked.bits, words.data(), 16), 0);
  EXPECT_FALSE(texture->lockRect(4, locked, 0));
  ASSERT_TRUE(texture->unlockRect(4));
  EXPECT_FALSE(texture->unlockRect(4));

  EXPECT_EQ(device->createTexture(4, 4, 4, USAGE_NONE, Format::A8R8G8B8, Pool::Managed), nullptr);
  EXPECT_EQ(device->createTexture(0, 4, 1, USAGE_NONE, Format::A8R8G8B8, Pool::Managed), nullptr);
  EXPECT_EQ(device->createTexture(4, 4, 1, USAGE_NONE, Format::D24S8, Pool::Managed), nullptr);
  EXPECT_EQ(device->createTexture(4, 4, 1, USAGE_RENDER_TARGET, Format::X8R8G8B8, Pool::Managed),
            nullptr);
}

TEST_F(TextureTest, X8R8G8B8TexturesSampleOpaque) {
  textureStates();
  ASSERT_TRUE(device->setRenderState(RenderState::AlphaBlendEnable, 1));
  ASSERT_TRUE(
      device->setRenderState(RenderState::SrcBlend, static_cast<std::uint32_t>(Blend::SrcAlpha)));
  ASSERT_TRUE(device->setRenderState(RenderState::DestBlend,
                                     static_cast<std::uint32_t>(Blend::InvSrcAlpha)));
  ASSERT_TRUE(stage(0, StageState::AlphaOp, op(TextureOp::SelectArg1)));
  auto texture = makeTexture(1, 1, {0x00FF0000}, Format::X8R8G8B8);  // alpha byte 0
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kWhite);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 10, 10, kRed);
  // The level itself keeps the byte it was given.
  LockedRect locked;
  ASSERT_TRUE(texture->lockRect(0, locked, LOCK_READ_ONLY));
  EXPECT_EQ(*static_cast<const std::uint32_t*>(locked.bits), 0x00FF0000u);
  ASSERT_TRUE(texture->unlockRect(0));
}

TEST_F(TextureTest, LevelsNobodyWroteReadAndSampleAsZeros) {
  textureStates();
  Owned<Texture> texture =
      device->createTexture(2, 2, 2, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
  ASSERT_NE(texture, nullptr);
  fill(*texture, 1, {kRed});  // level 0 stays unwritten
  LockedRect locked;
  ASSERT_TRUE(texture->lockRect(0, locked, LOCK_READ_ONLY));
  EXPECT_EQ(std::vector<std::uint32_t>(static_cast<const std::uint32_t*>(locked.bits),
                                       static_cast<const std::uint32_t*>(locked.bits) + 4),
            std::vector<std::uint32_t>(4, 0));
  ASSERT_TRUE(texture->unlockRect(0));
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kWhite);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 10, 10, 0xFF000000);
}

TEST_F(TextureTest, CopiesGoIntoAndOutOfTextureLevels) {
  Owned<Surface> image = device->createImageSurface(2, 1, Format::A8R8G8B8);
  ASSERT_NE(image, nullptr);
  LockedRect locked;
  ASSERT_TRUE(image->lockRect(locked, 0));
  std::memcpy(locked.bits, std::vector<std::uint32_t>{0x80FF0000, 0x0000FF00}.data(), 8);
  ASSERT_TRUE(image->unlockRect());
  auto texture = makeTexture(2, 1, {0, 0}, Format::X8R8G8B8);
  ASSERT_TRUE(device->copyRects(image.get(), texture->surfaceLevel(0)));
  // Into X8R8G8B8 the fourth byte becomes opaque.
  EXPECT_EQ(vesk::test::readSurface(*device, texture->surfaceLevel(0)),
            (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00}));
  ASSERT_TRUE(texture->lockRect(0, locked, LOCK_READ_ONLY));
  EXPECT_FALSE(device->copyRects(image.get(), texture->surfaceLevel(0)));
  ASSERT_TRUE(texture->unlockRect(0));
}

TEST_F(TextureTest, WithoutAMipFilterOnlyLevelZeroIsSampled) {
  textureStates();
  Owned<Texture> texture =
      device->createTexture(4, 4, 3, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
  ASSERT_NE(texture, nullptr);
  fill(*texture, 0, std::vector<std::uint32_t>(16, kRed));
  fill(*texture, 1, std::vector<std::uint32_t>(4, kGreen));
  fill(*texture, 2, std::vector<std::uint32_t>(1, kBlue));
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(stage(0, StageState::MinFilter, static_cast<std::uint32_t>(TextureFilter::Linear)));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, -15.0f / 16, 13.0f / 16, 0, kWhite);  // 2 × 2 pixels: level 1's size
  ASSERT_TRUE(stage(0, StageState::MipFilter, static_cast<std::uint32_t>(TextureFilter::Point)));
  drawQuad(0, 1, 1.0f / 16, 13.0f / 16, 0, kWhite);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 0, 0, kRed);
  EXPECT_PIXEL(image, 32, 0, kGreen);
}

TEST_F(TextureTest, StagesModulateAndAddSigned) {
  textureStates();
  auto first = makeTexture(1, 1, {0xFF80FF40});
  auto second = makeTexture(1, 1, {0xFFC04080});
  ASSERT_TRUE(device->setTexture(0, first.get()));
  ASSERT_TRUE(device->setTexture(1, second.get()));
  ASSERT_TRUE(stage(0, StageState::ColorArg1, arg(TextureArg::Texture)));
  ASSERT_TRUE(stage(0, StageState::ColorArg2, arg(TextureArg::Diffuse)));
  ASSERT_TRUE(stage(1, StageState::ColorOp, op(TextureOp::Disable)));
  ASSERT_TRUE(stage(1, StageState::ColorArg1, arg(TextureArg::Texture)));
  ASSERT_TRUE(stage(1, StageState::ColorArg2, arg(TextureArg::Current)));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, 0, -1, 0, 0xFFFF80FF);  // texture × diffuse
  // The light map: the second texture added, signed, to the first stage's result.
  ASSERT_TRUE(stage(1, StageState::ColorOp, op(TextureOp::AddSigned)));
  drawQuad(0, 1, 1, -1, 0, 0xFFFF80FF);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 10, 0xFF808040u);
  // (0x80 + 0xC0 − 0x80, 0x80 + 0x40 − 0x80, 0x40 + 0x80 − 0x80)
  EXPECT_PIXEL(image, 50, 10, 0xFFC04040u);
}

TEST_F(TextureTest, ADisabledStageEndsTheCascadeAndAnEmptyStagePassesTheColour) {
  textureStates();
  auto texture = makeTexture(1, 1, {kGreen});
  ASSERT_TRUE(device->setTexture(1, texture.get()));
  ASSERT_TRUE(stage(1, StageState::ColorOp, op(TextureOp::SelectArg1)));
  ASSERT_TRUE(device->beginScene());
  // Stage 0 is on without a texture: the diffuse colour reaches stage 1, which replaces it.
  drawQuad(-1, 1, 0, -1, 0, kRed);
  // Stage 0 off: stage 1 is off too.
  ASSERT_TRUE(stage(0, StageState::ColorOp, op(TextureOp::Disable)));
  drawQuad(0, 1, 1, -1, 0, kRed);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 10, kGreen);
  EXPECT_PIXEL(image, 50, 10, kRed);
}

TEST_F(TextureTest, CameraSpaceNormalsGoThroughTheTextureMatrix) {
  textureStates();
  auto texture = makeTexture(2, 2, quadrants);
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(stage(0, StageState::TexCoordIndex, TCI_CAMERA_SPACE_NORMAL));
  ASSERT_TRUE(stage(0, StageState::TransformFlags, TTFF_COUNT2));
  Matrix environment;  // (x, y) → (0.5 + 0.5x, 0.5 − 0.5y)
  environment.m[0][0] = 0.5f;
  environment.m[1][1] = -0.5f;
  environment.m[3][0] = 0.5f;
  environment.m[3][1] = 0.5f;
  ASSERT_TRUE(device->setTransform(TransformType::Texture0, environment));
  struct NormalVertex {
    float x, y, z, nx, ny, nz;
    std::uint32_t color;
  };
  ASSERT_TRUE(device->setVertexFormat(FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE));
  auto drawWithNormal = [&](float nx, float ny) {
    const NormalVertex quad[4] = {{-1, 1, 0.5f, nx, ny, 0, kWhite},
                                  {1, 1, 0.5f, nx, ny, 0, kWhite},
                                  {-1, -1, 0.5f, nx, ny, 0, kWhite},
                                  {1, -1, 0.5f, nx, ny, 0, kWhite}};
    EXPECT_TRUE(device->beginScene());
    EXPECT_TRUE(device->drawPrimitiveUP(Primitive::TriangleStrip, 2, quad, sizeof(NormalVertex)));
    EXPECT_TRUE(device->endScene());
    return pixels();
  };
  // A normal up and left samples the top left quadrant.
  EXPECT_PIXEL(drawWithNormal(-0.8f, 0.8f), 32, 24, kRed);
  EXPECT_PIXEL(drawWithNormal(0.8f, 0.8f), 32, 24, kGreen);
  // The normal is taken in camera space: a view turned half round about z turns it too (and
  // the quad, which covers the screen either way).
  Matrix halfTurn;
  halfTurn.m[0][0] = -1;
  halfTurn.m[1][1] = -1;
  ASSERT_TRUE(device->setTransform(TransformType::View, halfTurn));
  EXPECT_PIXEL(drawWithNormal(-0.8f, 0.8f), 32, 24, kWhite);
  // Without the transform flags the matrix is left out: (u, v) = (−0.8, 0.8) after the turn
  // is (0.8, −0.8), the top right texel once wrapped.
  ASSERT_TRUE(stage(0, StageState::TransformFlags, TTFF_DISABLE));
  EXPECT_PIXEL(drawWithNormal(-0.8f, 0.8f), 32, 24, kGreen);
}

TEST_F(TextureTest, UvTexturesTakeTheMatrixTranslationFromTheThirdRow) {
  textureStates();
  auto texture = makeTexture(2, 2, quadrants);
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(stage(0, StageState::TransformFlags, TTFF_COUNT2));
  Matrix shift;  // two-component coordinates are (u, v, 1): the third row translates
  shift.m[2][0] = 0.5f;
  ASSERT_TRUE(device->setTransform(TransformType::Texture0, shift));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kWhite);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 0, 0, kGreen);
}

TEST_F(TextureTest, RenderTargetTexturesAreSampledTheSameWayUp) {
  textureStates();
  Owned<Texture> target =
      device->createTexture(32, 32, 1, USAGE_RENDER_TARGET, Format::X8R8G8B8, Pool::Default);
  ASSERT_NE(target, nullptr);
  Owned<Surface> depth = device->createDepthStencilSurface(32, 32, Format::D16);
  ASSERT_NE(depth, nullptr);
  LockedRect locked;
  EXPECT_FALSE(target->lockRect(0, locked, 0));

  Surface* backBuffer = device->renderTarget();
  Surface* backDepth = device->depthStencilSurface();
  ASSERT_TRUE(device->setRenderTarget(target->surfaceLevel(0), depth.get()));
  ViewportRect viewport;
  ASSERT_TRUE(device->getViewport(viewport));
  EXPECT_EQ(viewport.width, 32u);
  EXPECT_EQ(viewport.height, 32u);
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, kBlue, 1, 0));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, 1, 0, 0, kRed);  // the top half
  ASSERT_TRUE(device->endScene());
  auto drawn = vesk::test::readSurface(*device, target->surfaceLevel(0));
  ASSERT_EQ(drawn.size(), 32u * 32u);
  EXPECT_TRUE(vesk::test::colorNear(drawn[0], kRed)) << vesk::test::colorText(drawn[0]);
  EXPECT_TRUE(vesk::test::colorNear(drawn[32 * 31], kBlue));

  ASSERT_TRUE(device->setRenderTarget(backBuffer, backDepth));
  ASSERT_TRUE(device->getViewport(viewport));
  EXPECT_EQ(viewport.width, kWidth);
  ASSERT_TRUE(device->setTexture(0, target.get()));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kWhite);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 2, kRed);
  EXPECT_PIXEL(image, 10, kHeight - 3, kBlue);

  // A depth surface smaller than the target is refused; the target stays.
  Owned<Surface> small = device->createDepthStencilSurface(16, 16, Format::D16);
  EXPECT_FALSE(device->setRenderTarget(target->surfaceLevel(0), small.get()));
  EXPECT_EQ(device->renderTarget(), backBuffer);
  EXPECT_FALSE(device->setRenderTarget(device->depthStencilSurface(), nullptr));
}

TEST_F(TextureTest, DestroyedResourcesAreUnbound) {
  textureStates();
  Owned<Texture> target =
      device->createTexture(16, 16, 1, USAGE_RENDER_TARGET, Format::A8R8G8B8, Pool::Default);
  auto texture = makeTexture(1, 1, {kGreen});
  ASSERT_TRUE(device->setTexture(0, texture.get()));
  ASSERT_TRUE(device->setRenderTarget(target->surfaceLevel(0), nullptr));
  target.reset();
  texture.reset();
  EXPECT_EQ(device->renderTarget(), device->backBuffer());
  ViewportRect viewport;
  ASSERT_TRUE(device->getViewport(viewport));
  EXPECT_EQ(viewport.width, kWidth);
  // The stage has no texture any more: the colour passes through.
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(kRed);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 5, 5, kRed);
  EXPECT_FALSE(device->setTexture(kStageCount, nullptr));
  EXPECT_FALSE(device->setTextureStageState(0, StageState::ColorOp, 99));
}

TEST(GlDeviceLifetime, ResourcesOutlivingTheDeviceStayInert) {
  vesk::test::GlTestContext context;
  ASSERT_TRUE(context.ok()) << context.error();
  Owned<Device> device = context.createDevice(8, 8);
  ASSERT_NE(device, nullptr);
  Owned<Texture> texture =
      device->createTexture(4, 4, 1, USAGE_NONE, Format::A8R8G8B8, Pool::Managed);
  Owned<VertexBuffer> buffer = device->createVertexBuffer(64, USAGE_WRITE_ONLY, 0, Pool::Default);
  ASSERT_NE(texture, nullptr);
  ASSERT_NE(buffer, nullptr);
  device.reset();
  LockedRect locked;
  EXPECT_FALSE(texture->lockRect(0, locked, 0));
  EXPECT_EQ(buffer->lock(0, 0, 0), nullptr);
}

}  // namespace
}  // namespace vesk::gfx::testing
