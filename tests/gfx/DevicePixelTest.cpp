// What happens to a fragment after texturing: alpha test, stencil, blending.
#include <gtest/gtest.h>

#include "DeviceTestSupport.h"

namespace vesk::gfx::testing {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

class PixelTest : public DeviceTest {
 protected:
  bool set(RenderState state, std::uint32_t value) { return device->setRenderState(state, value); }
  template <class E>
  bool set(RenderState state, E value) {
    return device->setRenderState(state, static_cast<std::uint32_t>(value));
  }
};

TEST_F(PixelTest, AlphaTestComparesWithTheReferenceOver255) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
  ASSERT_TRUE(set(RenderState::AlphaTestEnable, 1));
  ASSERT_TRUE(set(RenderState::AlphaFunc, Compare::Greater));
  ASSERT_TRUE(set(RenderState::AlphaRef, 128));
  ASSERT_TRUE(device->beginScene());
  drawQuad(-1, 1, 0, -1, 0, 0x80FF0000);  // alpha 128: not greater
  drawQuad(0, 1, 1, -1, 0, 0x81FF0000);   // alpha 129: greater
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 10, kBlue);
  EXPECT_PIXEL(image, 50, 10, kRed);
  EXPECT_FALSE(set(RenderState::AlphaRef, 256));
}

TEST_F(PixelTest, BlendFactors) {
  plainStates();
  ASSERT_TRUE(set(RenderState::AlphaBlendEnable, 1));
  struct Case {
    Blend source, destination;
    std::uint32_t drawn, expected;
  };
  const Case cases[] = {
      {Blend::SrcAlpha, Blend::InvSrcAlpha, 0x80FF0000, 0xFF80007F},
      {Blend::One, Blend::One, 0x00FF0000, 0xFFFF00FF},
      {Blend::DestColor, Blend::Zero, 0xFFFFFF80, 0xFF000080},
      {Blend::Zero, Blend::SrcColor, 0xFF808080, 0xFF000080},
      {Blend::InvDestColor, Blend::Zero, 0xFFFFFFFF, 0xFFFFFF00},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(device->clear(CLEAR_TARGET, kBlue, 1, 0));
    ASSERT_TRUE(set(RenderState::SrcBlend, c.source));
    ASSERT_TRUE(set(RenderState::DestBlend, c.destination));
    ASSERT_TRUE(device->beginScene());
    drawFullQuad(c.drawn);
    ASSERT_TRUE(device->endScene());
    SCOPED_TRACE(static_cast<int>(c.source) * 100 + static_cast<int>(c.destination));
    EXPECT_PIXEL(pixels(), 10, 10, c.expected);
  }
  // Off: the colour replaces the target whatever the factors.
  ASSERT_TRUE(set(RenderState::AlphaBlendEnable, 0));
  ASSERT_TRUE(device->beginScene());
  drawFullQuad(0x00FF0000);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 10, 10, kRed);
}

TEST_F(PixelTest, StencilReplaceEqualNotEqualAndInvert) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_STENCIL, 0, 1, 0));
  ASSERT_TRUE(set(RenderState::StencilEnable, 1));
  ASSERT_TRUE(device->beginScene());
  // Write 1 into the left half, drawing nothing (the cross fade's mask pass): the test
  // never passes and the failing fragments replace the stencil.
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::Never));
  ASSERT_TRUE(set(RenderState::StencilRef, 1));
  ASSERT_TRUE(set(RenderState::StencilFail, StencilOp::Replace));
  drawQuad(-1, 1, 0, -1, 0, kGreen);
  ASSERT_TRUE(set(RenderState::StencilFail, StencilOp::Keep));
  // Equal to 1: only the left half.
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::Equal));
  drawQuad(-1, 1, 1, 0, 0, kRed);  // top half
  // Not equal to 1: only the right half; inverting 0 gives 0xFF there.
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::NotEqual));
  ASSERT_TRUE(set(RenderState::StencilPass, StencilOp::Invert));
  drawQuad(-1, 0, 1, -1, 0, kBlue);  // bottom half
  ASSERT_TRUE(set(RenderState::StencilPass, StencilOp::Keep));
  // The reference, the read mask and the function are separate states: 0xFF under mask 0xF0
  // equals 0xF0 under that mask, on the bottom right only.
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::Equal));
  ASSERT_TRUE(set(RenderState::StencilRef, 0xF0));
  ASSERT_TRUE(set(RenderState::StencilMask, 0xF0));
  drawFullQuad(kGreen);
  ASSERT_TRUE(device->endScene());
  auto image = pixels();
  EXPECT_PIXEL(image, 10, 10, kRed);
  EXPECT_PIXEL(image, 50, 10, 0u);
  EXPECT_PIXEL(image, 10, 40, 0u);
  EXPECT_PIXEL(image, 50, 40, kGreen);
}

TEST_F(PixelTest, StencilWriteMaskLimitsWhatIsWritten) {
  plainStates();
  ASSERT_TRUE(device->clear(CLEAR_TARGET | CLEAR_STENCIL, 0, 1, 0));
  ASSERT_TRUE(set(RenderState::StencilEnable, 1));
  ASSERT_TRUE(device->beginScene());
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::Always));
  ASSERT_TRUE(set(RenderState::StencilPass, StencilOp::Replace));
  ASSERT_TRUE(set(RenderState::StencilRef, 0xFF));
  ASSERT_TRUE(set(RenderState::StencilWriteMask, 0x0F));
  drawFullQuad(0);
  ASSERT_TRUE(set(RenderState::StencilWriteMask, 0xFF));
  ASSERT_TRUE(set(RenderState::StencilPass, StencilOp::Keep));
  ASSERT_TRUE(set(RenderState::StencilFunc, Compare::Equal));
  ASSERT_TRUE(set(RenderState::StencilRef, 0x0F));
  drawFullQuad(kRed);
  ASSERT_TRUE(device->endScene());
  EXPECT_PIXEL(pixels(), 10, 10, kRed);
}

}  // namespace
}  // namespace vesk::gfx::testing
