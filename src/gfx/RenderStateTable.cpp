#include "gfx/RenderStateTable.h"

#include <cmath>

namespace vesk::gfx {

namespace {

template <class Enum>
constexpr std::uint32_t word(Enum value) {
  return static_cast<std::uint32_t>(value);
}

using enum RenderState;
using K = StateKind;

constexpr std::array<RenderStateRow, kRenderStateCount> kTable = {{
    {ZEnable, K::Bool, 1},
    {ZWriteEnable, K::Bool, 1},
    {ZFunc, K::Compare, word(Compare::LessEqual)},
    {FillMode, K::Fill, word(Fill::Solid)},
    {ShadeMode, K::Shade, word(Shade::Gouraud)},
    {CullMode, K::Cull, word(Cull::CounterClockwise)},
    {Lighting, K::Bool, 1},
    {SpecularEnable, K::Bool, 0},
    {Ambient, K::Any, 0},
    {AlphaBlendEnable, K::Bool, 0},
    {SrcBlend, K::Blend, word(Blend::One)},
    {DestBlend, K::Blend, word(Blend::Zero)},
    {AlphaTestEnable, K::Bool, 0},
    {AlphaRef, K::Byte, 0},
    {AlphaFunc, K::Compare, word(Compare::Always)},
    {StencilEnable, K::Bool, 0},
    {StencilFail, K::StencilOp, word(StencilOp::Keep)},
    {StencilZFail, K::StencilOp, word(StencilOp::Keep)},
    {StencilPass, K::StencilOp, word(StencilOp::Keep)},
    {StencilFunc, K::Compare, word(Compare::Always)},
    {StencilRef, K::Any, 0},
    {StencilMask, K::Any, 0xFFFFFFFF},
    {StencilWriteMask, K::Any, 0xFFFFFFFF},
    {FogEnable, K::Bool, 0},
    {FogColor, K::Any, 0},
    {FogTableMode, K::FogMode, word(FogMode::None)},
    {FogVertexMode, K::FogMode, word(FogMode::None)},
    {FogStart, K::Float, floatState(0)},
    {FogEnd, K::Float, floatState(1)},
    {FogDensity, K::Float, floatState(1)},
    {RangeFogEnable, K::Bool, 0},
    {PointSpriteEnable, K::Bool, 0},
    {PointScaleEnable, K::Bool, 0},
    {PointSize, K::Float, floatState(1)},
    {PointSizeMin, K::Float, floatState(0)},
    {PointScaleA, K::Float, floatState(1)},
    {PointScaleB, K::Float, floatState(0)},
    {PointScaleC, K::Float, floatState(0)},
    {ClipPlaneEnable, K::Planes, 0},
    {ColorWriteEnable, K::Bool, 1},
}};

}  // namespace

const std::array<RenderStateRow, kRenderStateCount>& renderStateTable() {
  return kTable;
}

bool accepts(StateKind kind, std::uint32_t value) {
  switch (kind) {
    case K::Bool:
      return value <= 1;
    case K::Compare:
    case K::StencilOp:
      return value >= 1 && value <= 8;
    case K::Fill:
    case K::Cull:
      return value >= 1 && value <= 3;
    case K::Shade:
      return value >= 1 && value <= 2;
    case K::Blend:
      return value >= 1 && value <= 11;
    case K::FogMode:
      return value <= 3;
    case K::Float:
      return std::isfinite(stateFloat(value));
    case K::Byte:
      return value <= 255;
    case K::Planes:
      return value < (1u << kClipPlanes);
    case K::Any:
      return true;
  }
  return false;
}

}  // namespace vesk::gfx
