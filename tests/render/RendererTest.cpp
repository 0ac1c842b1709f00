// The renderer: usable full-screen modes, gamma ramps, the screen quad's alpha, text with its
// shadow and the screenshot's bitmap layout.
#include "render/Renderer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "events/Event.h"
#include "support/GlTestContext.h"
#include "support/TestSupport.h"

namespace vesk::test {
namespace {

class ListedDisplay : public gfx::Display {
 public:
  std::vector<gfx::DisplayMode> listed;
  std::vector<gfx::DisplayMode> modes() override { return listed; }
  gfx::DisplayMode desktopMode() override { return {640, 480, 60, gfx::Format::X8R8G8B8}; }
  void hideCursor() override {}
};

TEST(RendererModes, SixtyHertzModesWhenThereAreAnyElseEvery32BitMode) {
  RecordingPresenter shown;
  ListedDisplay display;
  const gfx::DisplayMode vga75{640, 480, 75, gfx::Format::X8R8G8B8};
  const gfx::DisplayMode vga60{640, 480, 60, gfx::Format::X8R8G8B8};
  const gfx::DisplayMode packed60{800, 600, 60, gfx::Format::R8G8B8};
  const gfx::DisplayMode big85{1024, 768, 85, gfx::Format::X8R8G8B8};
  Renderer renderer(&display);

  display.listed = {vga75, packed60, vga60, big85};
  std::vector<gfx::DisplayMode> modes;
  renderer.listModes(modes);
  EXPECT_EQ(modes, std::vector<gfx::DisplayMode>{vga60});

  display.listed = {vga75, packed60, big85};
  modes.clear();
  renderer.listModes(modes);
  EXPECT_EQ(modes, (std::vector<gfx::DisplayMode>{vga75, big85}));
}

TEST(RendererModes, NoDisplayIsReportedAsTheGraphicsInterfaceMissing) {
  RecordingPresenter shown;
  Renderer renderer(nullptr);
  EXPECT_FALSE(renderer.valid());
  EXPECT_EQ(shown.errors(),
            std::vector<std::string>{"DirectX error : unable to create a D3D8 object"});
}

class RendererTest : public ::testing::Test {
 protected:
  void make(std::uint32_t width, std::uint32_t height, bool fullscreen = false) {
    ASSERT_TRUE(context.ok());
    renderer = vesk::make<Renderer>(here(), &display);
    ASSERT_TRUE(renderer->createDevice(context, width, height, fullscreen, false));
  }
  void TearDown() override {
    if (renderer) renderer->shutdown();
  }

  TempDir dir;
  CurrentDir inDir{dir.path()};
  RecordingPresenter shown;
  GlTestContext context;
  ListedDisplay display;
  Owned<Renderer> renderer;
};

TEST_F(RendererTest, GammaMovesTheBaseRampTowardsBlackOrWhite) {
  make(32, 24, true);
  const gfx::GammaRamp base = renderer->baseGammaRamp();
  renderer->setGamma(100);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(renderer->gammaRamp().green[i], 65535);
  renderer->setGamma(-100);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(renderer->gammaRamp().red[i], 0);
  renderer->setGamma(50);
  EXPECT_EQ(renderer->gammaRamp().blue[0], 32767);
  renderer->setGamma(0);
  EXPECT_EQ(renderer->gammaRamp().red, base.red);
  // The display's own 16-bit ramp is its base: it is not shifted into garbage.
  EXPECT_EQ(base.red[255], 65535);
  EXPECT_EQ(base.red[1], 257);
  renderer->shutdown();
  gfx::GammaRamp restored;
  ASSERT_TRUE(context.getGammaRamp(restored));
  EXPECT_EQ(restored.green, base.green);
}

TEST_F(RendererTest, ScreenQuadScalesItsAlphaByTheLayerAndFadeFactors) {
  make(16, 16);
  gfx::Device& device = *DXObject::device();
  ASSERT_TRUE(device.beginScene());
  renderer->clearTarget(0xFF000000);
  VK_DX(device.setTexture(0, nullptr));
  DrawContext& context = renderer->drawContext();
  context.layerAlpha = 0.5f;
  context.fadeFactor = 0.5f;
  renderer->drawScreenQuad(context, 0xFFFFFFFF, 0, 0, 1, 1);  // alpha trunc(255 × 0.25) = 63
  ASSERT_TRUE(device.endScene());
  std::vector<std::uint32_t> pixels = readBackBuffer(device);
  EXPECT_TRUE(colorNear(pixels[8 * 16 + 8], 0xFF3F3F3F, 1)) << colorText(pixels[8 * 16 + 8]);
  // A factor above 1 saturates rather than wrapping round.
  ASSERT_TRUE(device.beginScene());
  context.layerAlpha = 2.0f;
  context.fadeFactor = 1.0f;
  renderer->drawScreenQuad(context, 0xFFFFFFFF, 0, 0, 1, 1);
  ASSERT_TRUE(device.endScene());
  pixels = readBackBuffer(device);
  EXPECT_TRUE(colorNear(pixels[8 * 16 + 8], 0xFFFFFFFF, 1)) << colorText(pixels[8 * 16 + 8]);
}

// Resources made after the renderer's shutdown must not reach its released device.
TEST_F(RendererTest, ResourcesReachTheDeviceOnlyWhileTheRendererHasOne) {
  make(16, 16);
  EXPECT_NE(DXObject::device(), nullptr);
  EXPECT_EQ(DXObject::device(), renderer->drawContext().device);
  renderer->shutdown();
  EXPECT_EQ(DXObject::device(), nullptr);
}

TEST_F(RendererTest, TextIsWhiteWithABlackShadow) {
  make(64, 32);
  gfx::Device& device = *DXObject::device();
  ASSERT_TRUE(device.beginScene());
  renderer->clearTarget(0xFF808080);
  renderer->drawText(2, 2, "HH");
  ASSERT_TRUE(device.endScene());
  std::vector<std::uint32_t> pixels = readBackBuffer(device);
  int white = 0, black = 0;
  for (std::uint32_t pixel : pixels) {
    if (colorNear(pixel, 0xFFFFFFFF, 40)) ++white;
    if ((pixel & 0xFF) < 0x50 && ((pixel >> 8) & 0xFF) < 0x50) ++black;  // well below the grey
  }
  EXPECT_GT(white, 4);
  EXPECT_GT(black, 4);
  EXPECT_TRUE(shown.errors().empty());
}

TEST_F(RendererTest, ScreenshotRowsArePaddedAndWrittenBottomUp) {
  make(641, 3);
  gfx::Device& device = *DXObject::device();
  ASSERT_TRUE(device.beginScene());
  renderer->clearTarget(0xFF102030);
  gfx::ViewportRect top{0, 0, 641, 1, 0, 1};
  ASSERT_TRUE(device.setViewport(top));
  renderer->clearTarget(0xFFA0B0C0);  // the top row only
  ASSERT_TRUE(device.endScene());
  renderer->restoreFullViewport();
  renderer->saveScreenshot("VK-IMG", 7);

  const std::string bmp = readFile(dir / "VK-IMG7.bmp");
  auto u32 = [&bmp](std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, bmp.data() + at, 4);
    return value;
  };
  const std::uint32_t size = 3 * (3 * 641 + 1);  // rows of 1923 pixel bytes and 1 zero byte
  ASSERT_EQ(bmp.size(), 54u + size);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(u32(2), 54u + size);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(18), 641u);
  EXPECT_EQ(u32(22), 3u);
  EXPECT_EQ(bmp[28], 24);
  EXPECT_EQ(u32(34), size);
  // The first row in the file is the bottom row: blue, green, red of 0x102030.
  EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0x30);
  EXPECT_EQ(static_cast<unsigned char>(bmp[55]), 0x20);
  EXPECT_EQ(static_cast<unsigned char>(bmp[56]), 0x10);
  EXPECT_EQ(bmp[54 + 1923], 0);
  const std::size_t last = 54 + 2 * 1924;
  EXPECT_EQ(static_cast<unsigned char>(bmp[last]), 0xC0);
  EXPECT_EQ(static_cast<unsigned char>(bmp[last + 2]), 0xA0);
}

TEST_F(RendererTest, AScreenshotThatCannotBeWrittenIsSkippedSilently) {
  make(8, 8);
  renderer->saveScreenshot((dir / "missing-folder" / "VK-IMG").string(), 0);
  EXPECT_TRUE(shown.errors().empty());
  EXPECT_TRUE(shown.diagnoses().empty());
}

TEST_F(RendererTest, TheRendererAnswersItsOwnEventOnly) {
  make(8, 8);
  EXPECT_EQ(renderer->processEvent(Event("RENDERER", 35)), VK_EVENT_PROCESSED);
  EXPECT_EQ(renderer->processEvent(Event("RENDERER", 36)), 0);
}

}  // namespace
}  // namespace vesk::test
