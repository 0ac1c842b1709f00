// Viewports: where the rectangle lands on screen and which part of the pictures it shows, the
// rectangle animations, the border, the drawing order and the checks of the layer events.
#include <gtest/gtest.h>

#include "CompositingFixture.h"
#include "compositing/ImageLayer.h"
#include "compositing/ViewportEffectAnim1.h"
#include "compositing/ViewportEffectAnim2.h"

namespace vesk::test {
namespace {

using Strings = std::vector<std::string>;

// Four vertical stripes, red, green, blue, white, 8 texels each.
std::uint32_t stripe(unsigned x) {
  constexpr Argb colours[4] = {kRed, kGreen, kBlue, kWhite};
  return colours[x / 8];
}

class ViewportTest : public CompositingTest {
 protected:
  void SetUp() override {
    CompositingTest::SetUp();
    writePicture("stripes.bmp", 32, stripe);
    picture("stripes", "stripes.bmp");
  }
};

TEST_F(ViewportTest, TextureWindowFollowsTheVisiblePartOfTheRectangle) {
  Viewport& viewport = newViewport();
  showPicture(viewport, 0, "stripes");

  // Half off the left edge: the right half of the picture, in the left half of the screen.
  ASSERT_EQ(send(viewport, Event("", 17)
                               .addFloat(-0.5f)
                               .addFloat(0)
                               .addFloat(1)
                               .addFloat(1)
                               .addBool(false)
                               .addInt(1)
                               .addFloat(1)
                               .addFloat(1)
                               .addFloat(1)),
            VK_EVENT_PROCESSED);
  EXPECT_EQ(viewport.rect(), (PixelRect{-32, 0, 64, 48}));
  EXPECT_FLOAT_EQ(viewport.textureWindow().umin, 0.5f);
  EXPECT_FLOAT_EQ(viewport.textureWindow().umax, 1.0f);
  EXPECT_EQ(viewport.deviceViewport().x, 0u);
  EXPECT_EQ(viewport.deviceViewport().width, 32u);
  frame(1000);
  EXPECT_PIXEL(2, 20, kBlue);
  EXPECT_PIXEL(29, 20, kWhite);
  EXPECT_PIXEL(40, 20, kBlack);

  // Wider than the screen on both sides: exactly the middle of the picture.
  viewport.setRect(-32, 0, 128, 48, 1.0f);
  EXPECT_FLOAT_EQ(viewport.textureWindow().umin, 0.25f);
  EXPECT_FLOAT_EQ(viewport.textureWindow().umax, 0.75f);
  EXPECT_EQ(viewport.deviceViewport().width, 64u);
  frame(1000);
  EXPECT_PIXEL(3, 20, kGreen);
  EXPECT_PIXEL(28, 20, kGreen);
  EXPECT_PIXEL(36, 20, kBlue);
  EXPECT_PIXEL(60, 20, kBlue);

  // Over the bottom right corner.
  viewport.setRect(32, 24, 64, 48, 1.0f);
  EXPECT_FLOAT_EQ(viewport.textureWindow().umax, 0.5f);
  EXPECT_FLOAT_EQ(viewport.textureWindow().vmax, 0.5f);
  EXPECT_EQ(viewport.deviceViewport().x, 32u);
  EXPECT_EQ(viewport.deviceViewport().y, 24u);
  EXPECT_EQ(viewport.deviceViewport().width, 32u);
  EXPECT_EQ(viewport.deviceViewport().height, 24u);
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(ViewportTest, RectangleWhollyOffScreenDrawsNothingAndItsAnimationWaits) {
  Viewport& viewport = newViewport();
  showPicture(viewport, 0, "stripes");
  viewport.setRect(-100, 0, 64, 48, 1.0f);
  viewport.setRectEffect(make<ViewportEffectAnim1>(here(), 1.0f, PixelRect{-100, 0, 64, 48}, 1.0f,
                                                   PixelRect{0, 0, 64, 48}, 1.0f));
  EXPECT_FALSE(viewport.onScreen());
  frame(1000);
  frame(5000);
  EXPECT_PIXEL(10, 10, kBlack);
  EXPECT_EQ(viewport.rect().x, -100);

  // Brought on screen, it runs from its start, which lies off screen again: there it stays.
  viewport.setRect(-10, 0, 64, 48, 1.0f);
  frame(6000);
  frame(6500);
  EXPECT_EQ(viewport.rect().x, -100);
  EXPECT_PIXEL(10, 10, kBlack);
}

TEST_F(ViewportTest, RectangleAnimationsAndTheirAlpha) {
  Viewport& viewport = newViewport();
  // Equal rectangles: only the alpha moves.
  send(viewport, Event("", 25)
                     .addFloat(0)
                     .addFloat(0)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(0)
                     .addFloat(0)
                     .addFloat(0)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(2));
  frame(1000);
  frame(2000);
  EXPECT_EQ(viewport.rect(), (PixelRect{0, 0, 64, 48}));
  EXPECT_FLOAT_EQ(viewport.alpha(), 0.5f);

  // Event 17 sets the rectangle and puts the alpha back to 1.
  send(viewport, Event("", 17)
                     .addFloat(0.25f)
                     .addFloat(0.5f)
                     .addFloat(0.5f)
                     .addFloat(0.5f)
                     .addBool(false)
                     .addInt(1)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(1));
  EXPECT_EQ(viewport.rect(), (PixelRect{16, 24, 32, 24}));
  EXPECT_FLOAT_EQ(viewport.alpha(), 1.0f);

  // Duration 0: the end rectangle at the first step, no division by zero.
  send(viewport, Event("", 25)
                     .addFloat(0)
                     .addFloat(0)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(1)
                     .addFloat(0.5f)
                     .addFloat(0)
                     .addFloat(0.5f)
                     .addFloat(1)
                     .addFloat(0.25f)
                     .addFloat(0));
  frame(3000);
  EXPECT_EQ(viewport.rect(), (PixelRect{32, 0, 32, 48}));
  EXPECT_FLOAT_EQ(viewport.alpha(), 0.25f);
  frame(3000);
  EXPECT_EQ(viewport.rectEffect(), nullptr);
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(ViewportTest, ShakeMovesOnlyWhatHasAnAmplitudeAndFinishPutsTheRectangleBack) {
  Viewport& viewport = newViewport();
  viewport.setRect(10, 10, 40, 30, 0.8f);
  // x by up to 6 pixels (0.1 of 64) at full strength; nothing else.
  send(viewport,
       Event("", 26).addFloat(0.1f).addFloat(0).addFloat(0).addFloat(0).addFloat(0).addFloat(1));
  bool moved = false;
  for (int i = 0; i < 20; ++i) {
    viewport.rectEffect()->update(viewport);
    const PixelRect& rect = viewport.rect();
    moved = moved || rect.x != 10;
    EXPECT_LE(std::abs(rect.x - 10), 6);
    EXPECT_EQ(rect.y, 10);
    EXPECT_EQ(rect.width, 40);
    EXPECT_EQ(rect.height, 30);
    EXPECT_FLOAT_EQ(viewport.alpha(), 0.8f);
  }
  EXPECT_TRUE(moved);
  EXPECT_FALSE(viewport.rectEffect()->finished());
  viewport.setRect(13, 11, 40, 30, 0.6f);
  viewport.rectEffect()->finish(viewport);
  EXPECT_EQ(viewport.rect(), (PixelRect{10, 10, 40, 30}));
  EXPECT_FLOAT_EQ(viewport.alpha(), 0.6f);
}

TEST_F(ViewportTest, BorderLinesFollowTheRectangleEdges) {
  Viewport& viewport = newViewport();
  // (8, 8) 32 × 24, two lines of green.
  send(viewport, Event("", 17)
                     .addFloat(0.125f)
                     .addFloat(1.0f / 6)
                     .addFloat(0.5f)
                     .addFloat(0.5f)
                     .addBool(true)
                     .addInt(2)
                     .addFloat(0)
                     .addFloat(1)
                     .addFloat(0));
  frame(1000);
  for (int x : {12, 20, 35}) {
    EXPECT_PIXEL(x, 8, kGreen);
    EXPECT_PIXEL(x, 9, kGreen);
    EXPECT_PIXEL(x, 10, kBlack);
    EXPECT_PIXEL(x, 31, kGreen);
    EXPECT_PIXEL(x, 30, kGreen);
    EXPECT_PIXEL(x, 29, kBlack);
    EXPECT_PIXEL(x, 7, kBlack);
    EXPECT_PIXEL(x, 32, kBlack);
  }
  for (int y : {12, 20, 27}) {
    EXPECT_PIXEL(8, y, kGreen);
    EXPECT_PIXEL(9, y, kGreen);
    EXPECT_PIXEL(10, y, kBlack);
    EXPECT_PIXEL(39, y, kGreen);
    EXPECT_PIXEL(38, y, kGreen);
    EXPECT_PIXEL(37, y, kBlack);
  }
  // Its alpha is the viewport's.
  viewport.setRect(8, 8, 32, 24, 0.5f);
  frame(1000);
  EXPECT_PIXEL(20, 8, 0xFF008000u);
  // The states it changed are back.
  gfx::Device& d = *DXObject::device();
  EXPECT_EQ(d.renderState(gfx::RenderState::FillMode),
            static_cast<std::uint32_t>(gfx::Fill::Solid));
  EXPECT_EQ(d.textureStageState(0, gfx::StageState::ColorOp),
            static_cast<std::uint32_t>(gfx::TextureOp::Modulate));
}

TEST_F(ViewportTest, LaterViewportsDrawOverEarlierOnesAndEqualDepthsKeepIndexOrder) {
  solidPicture("red", kRed);
  solidPicture("blue", kBlue);
  Viewport& first = newViewport(0);
  Viewport& second = newViewport(1);
  EXPECT_GT(second.depth(), first.depth());
  showPicture(first, 0, "red");
  showPicture(second, 0, "blue");
  frame(1000);
  EXPECT_PIXEL(5, 5, kBlue);
  second.setDepth(first.depth());
  frame(1000);
  EXPECT_PIXEL(5, 5, kBlue);
  second.setDepth(first.depth() - 1);
  frame(1000);
  EXPECT_PIXEL(5, 5, kRed);
}

TEST_F(ViewportTest, LayersComeAndGoByEvent) {
  solidPicture("red", kRed);
  Viewport& viewport = newViewport();
  showPicture(viewport, 1, "red", 0.5f);
  showPicture(viewport, 2, "stripes");
  ASSERT_NE(viewport.layer(1), nullptr);
  EXPECT_FLOAT_EQ(viewport.layer(1)->alpha(), 0.5f);

  // Layers are removed by picture name, and only image layers answer to a picture's name.
  viewport.removeLayersShowingScene("red");
  EXPECT_NE(viewport.layer(1), nullptr);
  viewport.removeLayersShowingPicture("red");
  EXPECT_EQ(viewport.layer(1), nullptr);
  EXPECT_NE(viewport.layer(2), nullptr);

  EXPECT_EQ(send(viewport, Event("", 24).addInt(2)), VK_EVENT_PROCESSED);
  EXPECT_EQ(viewport.layer(2), nullptr);
  showPicture(viewport, 3, "stripes");
  EXPECT_EQ(send(viewport, Event("", 20)), VK_EVENT_PROCESSED);
  EXPECT_EQ(viewport.layer(3), nullptr);
  EXPECT_FALSE(viewport.visible());
  EXPECT_EQ(send(viewport, Event("", 18)), VK_EVENT_PROCESSED);
  EXPECT_TRUE(viewport.visible());
  EXPECT_EQ(send(viewport, Event("", 19)), VK_EVENT_PROCESSED);
  EXPECT_FALSE(viewport.visible());

  // A camera needs a scene layer in its slot.
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_EQ(send(viewport, Event("", 23).addInt(0).addString("camera")), VK_EVENT_PROCESSED);
  EXPECT_EQ(presenter.errors(),
            (Strings{"Error : trying to put a camera on a layer without a scene"}));
}

TEST_F(ViewportTest, LayerEventsRefuseWrongSlotsAlphasAndPictures) {
  Viewport& viewport = newViewport();
  struct OtherTarget : EventTarget {
  } other;
  other.setName("other");
  send(viewport, Event("", 22).addInt(4).addFloat(1).addString("stripes"));
  send(viewport, Event("", 22).addInt(0).addFloat(1.01f).addString("stripes"));
  send(viewport, Event("", 22).addInt(0).addFloat(-0.01f).addString("stripes"));
  send(viewport, Event("", 22).addInt(0).addFloat(1).addString("other"));
  send(viewport, Event("", 24).addInt(-1));
  send(viewport, Event("", 27).addInt(4));
  send(viewport, Event("", 28).addInt(4));
  EXPECT_EQ(
      presenter.errors(),
      (Strings{"invalid num layer", "invalid alpha layer", "invalid alpha layer",
               "Safe cast failed : could not cast from class vesk::EventTarget to class "
               "vesk::Graph",
               "invalid num layer", "3DS effect error: invalid num layer", "invalid num layer"}));
  for (int slot = 0; slot < kLayerCount; ++slot)
    EXPECT_EQ(viewport.layer(slot), nullptr);

  // The bounds pass.
  presenter.clear();
  send(viewport, Event("", 22).addInt(3).addFloat(0).addString("stripes"));
  send(viewport, Event("", 22).addInt(0).addFloat(1).addString("stripes"));
  EXPECT_TRUE(presenter.errors().empty());
  EXPECT_NE(viewport.layer(3), nullptr);
}

TEST_F(ViewportTest, RenderingAHiddenViewportIsAnError) {
  Viewport& viewport = newViewport();
  viewport.setVisible(false);
  viewport.render(renderer->drawContext());
  EXPECT_EQ(presenter.errors(), (Strings{"warning : viewport should be on"}));
}

}  // namespace
}  // namespace vesk::test
