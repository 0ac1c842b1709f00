// What each render state accepts and starts at: one row per state, in the order of the
// enumeration. The device checks every value it is given against its row and starts from the
// rows' initial values (those of the classic device).
#pragma once

#include <array>
#include <cstdint>

#include "gfx/Device.h"

namespace vesk::gfx {

inline constexpr int kRenderStateCount = static_cast<int>(RenderState::Count);

// The values a render state accepts.
enum class StateKind {
  Bool,       // 0 or 1
  Compare,    // Compare
  Fill,       // Fill
  Shade,      // Shade
  Cull,       // Cull
  Blend,      // Blend
  StencilOp,  // StencilOp
  FogMode,    // FogMode
  Float,      // a finite float (floatState)
  Byte,       // 0 to 255
  Planes,     // a bit for each clip plane
  Any         // any word: colours, masks, references
};

struct RenderStateRow {
  RenderState state;
  StateKind kind;
  std::uint32_t initial;
};

// Row i describes the state numbered i.
const std::array<RenderStateRow, kRenderStateCount>& renderStateTable();
// The row of a state below RenderState::Count.
inline const RenderStateRow& renderStateRow(RenderState state) {
  return renderStateTable()[static_cast<std::size_t>(state)];
}

bool accepts(StateKind kind, std::uint32_t value);

}  // namespace vesk::gfx
