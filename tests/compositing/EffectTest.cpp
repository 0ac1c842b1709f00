// Layer effects, drawn for real: fade, flash, cross fade through the stencil buffer and
// motion blur through two render targets; and the checks of their events.
#include <gtest/gtest.h>

#include "CompositingFixture.h"
#include "compositing/EffectFade.h"
#include "compositing/SpecialEffect.h"

namespace vesk::test {
namespace {

using Strings = std::vector<std::string>;
using gfx::RenderState;

class EffectTest : public CompositingTest {
 protected:
  void SetUp() override {
    CompositingTest::SetUp();
    viewport = &newViewport();
  }
  // A layer showing a new picture of one colour in slot 0.
  Layer& layerOf(Argb colour) {
    solidPicture("picture", colour);
    showPicture(*viewport, 0, "picture");
    return *viewport->layer(0);
  }
  std::int32_t sendEffect(Event event) { return send(*viewport, std::move(event)); }

  Viewport* viewport = nullptr;
};

TEST_F(EffectTest, FadeReachesHalfAlphaHalfWayAndLeavesTheFinalAlpha) {
  Layer& layer = layerOf(kWhite);
  ASSERT_EQ(sendEffect(Event("", 29).addInt(0).addFloat(2).addFloat(0).addFloat(1)),
            VK_EVENT_PROCESSED);
  frame(1500);  // the first frame: alpha 0
  EXPECT_PIXEL(10, 10, kBlack);
  frame(2500);
  EXPECT_PIXEL(10, 10, 0xFF808080u);
  EXPECT_FLOAT_EQ(layer.alpha(), 0.5f);
  frame(3600);
  EXPECT_PIXEL(10, 10, kWhite);
  ASSERT_NE(layer.effect(), nullptr);
  EXPECT_TRUE(layer.effect()->finished());
  frame(3700);
  EXPECT_EQ(layer.effect(), nullptr);
  EXPECT_FLOAT_EQ(layer.alpha(), 1.0f);
  EXPECT_PIXEL(10, 10, kWhite);
}

TEST_F(EffectTest, FadeOfDurationZeroEndsAtItsFirstFrame) {
  Layer& layer = layerOf(kWhite);
  sendEffect(Event("", 29).addInt(0).addFloat(0).addFloat(1).addFloat(0.25f));
  frame(1500);
  EXPECT_PIXEL(10, 10, 0xFF3F3F3Fu);
  EXPECT_TRUE(layer.effect()->finished());
  frame(1600);
  EXPECT_EQ(layer.effect(), nullptr);
  EXPECT_FLOAT_EQ(layer.alpha(), 0.25f);
}

TEST_F(EffectTest, FlashOverlayStartsAt191AndIsGoneFromNineSixteenths) {
  Layer& layer = layerOf(kRed);
  sendEffect(Event("", 30).addInt(0).addFloat(1.6f));
  // White at 191 over red.
  frame(2000);
  EXPECT_PIXEL(10, 10, 0xFFFFBFBFu);
  frame(2000 + 900);  // t = 0.5625
  EXPECT_PIXEL(10, 10, kRed, 0);
  frame(3500);
  EXPECT_PIXEL(10, 10, kRed, 0);
  // The frame where the time runs out shows the overlay once more; then the flash is gone.
  frame(3700);
  EXPECT_PIXEL(10, 10, 0xFFFFBFBFu);
  EXPECT_TRUE(layer.effect()->finished());
  frame(3800);
  EXPECT_EQ(layer.effect(), nullptr);
  EXPECT_PIXEL(10, 10, kRed, 0);
}

// Black, grey (128) and white bands from left to right: mask alpha 0, 128 and 255.
class CrossFadeTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    writePicture("mask.bmp", 24, [](unsigned x) -> Argb {
      return x < 8 ? kBlack : x < 16 ? 0xFF808080u : kWhite;
    });
    layerOf(kWhite);
  }
  // Which bands show the layer in the last frame.
  std::vector<bool> shown() {
    std::vector<bool> result;
    for (int x : {8, 32, 56})
      result.push_back(at(x, 20) == kWhite);
    return result;
  }
};

TEST_F(CrossFadeTest, RisingFadeHidesTheDarkPartsFirst) {
  ASSERT_EQ(
      sendEffect(Event("", 31).addInt(0).addFloat(2).addString("mask.bmp").addBool(true).addInt(1)),
      VK_EVENT_PROCESSED);
  frame(1500);  // threshold 0
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, true}));
  EXPECT_PIXEL(8, 20, kBlack, 0);
  frame(2700);  // threshold 153
  EXPECT_EQ(shown(), (std::vector<bool>{false, false, true}));
  frame(3600);  // threshold 255: nothing, and the effect is over
  EXPECT_EQ(shown(), (std::vector<bool>{false, false, false}));
  frame(3700);  // the plain layer
  EXPECT_EQ(shown(), (std::vector<bool>{true, true, true}));
  gfx::Device& d = *DXObject::device();
  EXPECT_EQ(d.renderState(RenderState::StencilEnable), 0u);
  EXPECT_EQ(d.renderState(RenderState::StencilFunc),
            static_cast<std::uint32_t>(gfx::Compare::Always));
  EXPECT_EQ(d.renderState(RenderState::StencilRef), 0u);
  EXPECT_EQ(d.renderState(RenderState::AlphaTestEnable), 0u);
}

TEST_F(CrossFadeTest, FallingFadeShowsTheBrightPartsFirst) {
  sendEffect(Event("", 31).addInt(0).addFloat(2).addString("mask.bmp").addBool(false).addInt(0));
  frame(1500);  // threshold 255
  EXPECT_EQ(shown(), (std::vector<bool>{false, false, false}));
  frame(2700);  // threshold 102
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, true}));
  frame(3600);  // threshold 0
  EXPECT_EQ(shown(), (std::vector<bool>{false, true, true}));
}

TEST_F(EffectTest, MotionBlurLeavesATrailOfThePreviousFrames) {
  // An animated picture: red in even seconds, blue in odd ones.
  writePicture("trail.bmp", 4, [](unsigned) { return kRed; });
  writePicture("1trail.bmp", 4, [](unsigned) { return kBlue; });
  picture("animated", "trail.bmp", 2, 1.0f);
  showPicture(*viewport, 0, "animated");
  Layer& layer = *viewport->layer(0);

  // Strength 0: the plain layer, no trace of the frame before.
  sendEffect(Event("", 32).addInt(0).addFloat(0));
  frame(2000);
  EXPECT_PIXEL(10, 10, kRed);
  frame(3000);
  EXPECT_PIXEL(10, 10, kBlue);

  // Strength 0.5: the picture comes out of a black past; after a change of picture half of
  // the old one remains, then a quarter.
  sendEffect(Event("", 32).addInt(0).addFloat(0.5f));
  frame(4000);
  EXPECT_PIXEL(10, 10, 0xFF800000u);
  for (int ms = 4100; ms < 5000; ms += 100)
    frame(ms);
  EXPECT_PIXEL(10, 10, kRed, 3);
  frame(5000);
  EXPECT_PIXEL(10, 10, 0xFF800080u, 3);
  frame(5100);
  EXPECT_PIXEL(10, 10, 0xFF4000C0u, 3);
  EXPECT_FALSE(layer.effect()->finished());
  sendEffect(Event("", 28).addInt(0));
  EXPECT_EQ(layer.effect(), nullptr);
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(EffectTest, EffectEventsCheckTheirParameters) {
  layerOf(kWhite);
  writePicture("mask.bmp", 4, [](unsigned) { return kWhite; });
  auto fog = [](int slot, float time, float entry, float length) {
    return Event("", 34)
        .addInt(slot)
        .addFloat(time)
        .addFloat(entry)
        .addFloat(length)
        .addBool(true)
        .addFloat(0)
        .addFloat(0)
        .addFloat(1);
  };
  struct Case {
    Event event;
    const char* error;  // null: accepted
  };
  const Case cases[] = {
      {Event("", 29).addInt(4).addFloat(1).addFloat(0).addFloat(1),
       "Fade effect error : invalid num layer"},
      {Event("", 29).addInt(0).addFloat(60.01f).addFloat(0).addFloat(1),
       "Fade effect error : invalid fade time (must be in [0..60sec])"},
      {Event("", 29).addInt(0).addFloat(-0.01f).addFloat(0).addFloat(1),
       "Fade effect error : invalid fade time (must be in [0..60sec])"},
      {Event("", 29).addInt(0).addFloat(1).addFloat(1.01f).addFloat(1),
       "Fade effect error : invalid initial alpha (must be in [0..1])"},
      {Event("", 29).addInt(0).addFloat(1).addFloat(0).addFloat(-0.01f),
       "Fade effect error : invalid final alpha (must be in [0..1])"},
      {Event("", 29).addInt(0).addFloat(60).addFloat(0).addFloat(1), nullptr},
      {Event("", 29).addInt(0).addFloat(0).addFloat(1).addFloat(0), nullptr},
      {Event("", 30).addInt(-1).addFloat(1), "Flash effect error : invalid num layer"},
      {Event("", 30).addInt(0).addFloat(61),
       "Flash effect error : invalid flash time (must be in [0..60sec])"},
      {Event("", 30).addInt(0).addFloat(60), nullptr},
      {Event("", 31).addInt(4).addFloat(1).addString("mask.bmp").addBool(true).addInt(0),
       "Cross fade effect error : invalid num layer"},
      {Event("", 31).addInt(0).addFloat(60.5f).addString("mask.bmp").addBool(true).addInt(0),
       "Cross fade effect error : invalid fade time (must be in [0..60sec])"},
      {Event("", 31).addInt(0).addFloat(1).addString("mask.bmp").addBool(true).addInt(3),
       "Cross fade effect error : invalid cross fade function (must be 0, 1 or 2)"},
      {Event("", 31).addInt(0).addFloat(1).addString("mask.bmp").addBool(true).addInt(-1),
       "Cross fade effect error : invalid cross fade function (must be 0, 1 or 2)"},
      {Event("", 31).addInt(0).addFloat(60).addString("mask.bmp").addBool(true).addInt(2), nullptr},
      {Event("", 32).addInt(4).addFloat(0.5f), "Motion blur effect error : invalid num layer"},
      {Event("", 32).addInt(0).addFloat(0.91f),
       "Motion blur effect error : invalid blur strengh (must be in [0..0.9]"},
      {Event("", 32).addInt(0).addFloat(-0.1f),
       "Motion blur effect error : invalid blur strengh (must be in [0..0.9]"},
      {Event("", 32).addInt(0).addFloat(0.9f), nullptr},
      {Event("", 33).addInt(4).addString("s").addString("c").addFloat(1),
       "3DS effect error: invalid num layer"},
      {fog(4, 10, 2, 5), "Fog effect error : invalid num layer"},
      {fog(0, -0.5f, 0, 0), "Fog effect error : invalid fog time (must be > 0 sec)"},
      {fog(0, 7, 2, 5),
       "Fog effect error : invalid fog length (fogTime must be > entryLength+fogLength)"},
      {fog(0, 7.01f, 2, 5), nullptr},
  };
  for (const Case& c : cases) {
    presenter.clear();
    viewport->layer(0)->setEffect(nullptr);
    EXPECT_EQ(sendEffect(c.event), VK_EVENT_PROCESSED);
    if (c.error) {
      EXPECT_EQ(presenter.errors(), Strings{c.error}) << c.event.getCode();
      EXPECT_EQ(viewport->layer(0)->effect(), nullptr) << c.error;
    } else {
      EXPECT_TRUE(presenter.errors().empty()) << c.event.getCode();
      EXPECT_NE(viewport->layer(0)->effect(), nullptr) << c.event.getCode();
    }
  }
}

TEST_F(EffectTest, EffectOnAnEmptySlotIsReportedAndIgnored) {
  EXPECT_EQ(sendEffect(Event("", 29).addInt(2).addFloat(1).addFloat(0).addFloat(1)),
            VK_EVENT_PROCESSED);
  EXPECT_EQ(sendEffect(Event("", 28).addInt(2)), VK_EVENT_PROCESSED);
  EXPECT_EQ(presenter.diagnoses(),
            (Strings{"Assertion failed :\n_layers[numLayer] != NULL\nFade effect error : no "
                     "layer in slot 2 of viewport 0"}));
  EXPECT_TRUE(presenter.errors().empty());
}

TEST_F(EffectTest, EndPictureFadesInOverTheLastLayerInTwoSeconds) {
  layerOf(kRed);
  solidPicture("end", kBlue);
  viewport->setVisible(false);
  viewport->showEndPicture();
  EXPECT_TRUE(viewport->visible());
  frame(2000);
  EXPECT_PIXEL(10, 10, kRed);
  frame(3000);
  EXPECT_PIXEL(10, 10, 0xFF800080u);
  frame(4100);
  EXPECT_PIXEL(10, 10, kBlue);
}

}  // namespace
}  // namespace vesk::test
