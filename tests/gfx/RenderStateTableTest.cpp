// The render-state table, without a context: a row for every state, in order, and the
// starting values the device and its callers rely on.
#include <gtest/gtest.h>

#include "gfx/RenderStateTable.h"

namespace vesk::gfx {
namespace {

TEST(RenderStateTable, HasOneRowPerStateInOrder) {
  const auto& table = renderStateTable();
  for (int index = 0; index < kRenderStateCount; ++index) {
    EXPECT_EQ(static_cast<int>(table[index].state), index) << "row " << index;
    EXPECT_TRUE(accepts(table[index].kind, table[index].initial)) << "row " << index;
  }
}

TEST(RenderStateTable, StartsAsTheClassicDevice) {
  auto initial = [](RenderState state) { return renderStateRow(state).initial; };
  EXPECT_EQ(initial(RenderState::CullMode), static_cast<std::uint32_t>(Cull::CounterClockwise));
  EXPECT_EQ(initial(RenderState::ZFunc), static_cast<std::uint32_t>(Compare::LessEqual));
  EXPECT_EQ(initial(RenderState::ZEnable), 1u);
  EXPECT_EQ(initial(RenderState::Lighting), 1u);
  EXPECT_EQ(initial(RenderState::DestBlend), static_cast<std::uint32_t>(Blend::Zero));
  EXPECT_EQ(initial(RenderState::StencilWriteMask), 0xFFFFFFFFu);
  EXPECT_EQ(stateFloat(initial(RenderState::PointSize)), 1.0f);
  EXPECT_EQ(stateFloat(initial(RenderState::FogEnd)), 1.0f);
}

}  // namespace
}  // namespace vesk::gfx
