// The device's render states: checked against the render-state table, told to OpenGL at once,
// or gathered for the next draw (material, fog, points, clip planes).
#include "gfx/GlDevice.h"

#include <algorithm>

#include "base/Text.h"
#include "gfx/GlTables.h"

namespace vesk::gfx {

bool GlDevice::setRenderState(RenderState state, std::uint32_t value) {
  int index = static_cast<int>(state);
  if (index < 0 || index >= kRenderStateCount) return fail(str("unknown render state ", index));
  if (!accepts(renderStateRow(state).kind, value)) {
    return fail(str("render state ", index, " does not take ", value));
  }
  if (cached(_renderStates[index] == value)) return true;
  _renderStates[index] = value;
  applyRenderState(state);
  return true;
}

std::uint32_t GlDevice::renderState(RenderState state) const {
  int index = static_cast<int>(state);
  return index >= 0 && index < kRenderStateCount ? _renderStates[index] : 0;
}

void GlDevice::applyMasks() {
  GLboolean color = rs(RenderState::ColorWriteEnable) ? GL_TRUE : GL_FALSE;
  _gl(glColorMask, color, color, color, color);
}

void GlDevice::applyRenderState(RenderState state) {
  switch (state) {
    case RenderState::ZEnable:
      // With the test off OpenGL writes no depth either, as the classic device.
      _state.setCap(GL_DEPTH_TEST, rs(state) != 0);
      break;
    case RenderState::ZWriteEnable:
      _gl(glDepthMask, rs(state) ? GL_TRUE : GL_FALSE);
      break;
    case RenderState::ZFunc:
      _gl(glDepthFunc, glCompare(rs(state)));
      break;
    case RenderState::FillMode:
      _gl(glPolygonMode, GL_FRONT_AND_BACK, glFill(rs(state)));
      break;
    case RenderState::ShadeMode:
      _gl(glShadeModel, rs(state) == static_cast<std::uint32_t>(Shade::Flat) ? GL_FLAT : GL_SMOOTH);
      break;
    case RenderState::CullMode: {
      auto cull = static_cast<Cull>(rs(state));
      _state.setCap(GL_CULL_FACE, cull != Cull::None);
      // Front faces are clockwise: culling counter-clockwise faces culls the back.
      if (cull != Cull::None) {
        _gl(glCullFace, cull == Cull::CounterClockwise ? GL_BACK : GL_FRONT);
      }
      break;
    }
    case RenderState::Lighting:
      _state.setCap(GL_LIGHTING, rs(state) != 0);
      break;
    case RenderState::SpecularEnable:
      _dirty |= DIRTY_MATERIAL;
      break;
    case RenderState::Ambient: {
      GLfloat ambient[4];
      toFloats(static_cast<Argb>(rs(state)), ambient);
      _gl(glLightModelfv, GL_LIGHT_MODEL_AMBIENT, ambient);
      break;
    }
    case RenderState::AlphaBlendEnable:
      _state.setCap(GL_BLEND, rs(state) != 0);
      break;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
      _gl(glBlendFunc, glBlend(rs(RenderState::SrcBlend)), glBlend(rs(RenderState::DestBlend)));
      break;
    case RenderState::AlphaTestEnable:
      _state.setCap(GL_ALPHA_TEST, rs(state) != 0);
      break;
    case RenderState::AlphaRef:
    case RenderState::AlphaFunc:
      _gl(glAlphaFunc, glCompare(rs(RenderState::AlphaFunc)),
          static_cast<GLfloat>(rs(RenderState::AlphaRef)) / 255.0f);
      break;
    case RenderState::StencilEnable:
      _state.setCap(GL_STENCIL_TEST, rs(state) != 0);
      break;
    case RenderState::StencilFail:
    case RenderState::StencilZFail:
    case RenderState::StencilPass:
      _gl(glStencilOp, glStencilOperation(rs(RenderState::StencilFail)),
          glStencilOperation(rs(RenderState::StencilZFail)),
          glStencilOperation(rs(RenderState::StencilPass)));
      break;
    case RenderState::StencilFunc:
    case RenderState::StencilRef:
    case RenderState::StencilMask:
      _gl(glStencilFunc, glCompare(rs(RenderState::StencilFunc)),
          static_cast<GLint>(rs(RenderState::StencilRef)), rs(RenderState::StencilMask));
      break;
    case RenderState::StencilWriteMask:
      _gl(glStencilMask, rs(state));
      break;
    case RenderState::FogEnable:
    case RenderState::FogTableMode:
    case RenderState::FogVertexMode:
    case RenderState::RangeFogEnable:
      _dirty |= DIRTY_FOG;
      break;
    case RenderState::FogColor: {
      GLfloat color[4];
      toFloats(static_cast<Argb>(rs(state)), color);
      _gl(glFogfv, GL_FOG_COLOR, color);
      break;
    }
    case RenderState::FogStart:
      _gl(glFogf, GL_FOG_START, rsFloat(state));
      break;
    case RenderState::FogEnd:
      _gl(glFogf, GL_FOG_END, rsFloat(state));
      break;
    case RenderState::FogDensity:
      _gl(glFogf, GL_FOG_DENSITY, rsFloat(state));
      break;
    case RenderState::PointSpriteEnable:
    case RenderState::PointScaleEnable:
    case RenderState::PointSize:
    case RenderState::PointSizeMin:
    case RenderState::PointScaleA:
    case RenderState::PointScaleB:
    case RenderState::PointScaleC:
      _dirty |= DIRTY_POINTS;
      break;
    case RenderState::ClipPlaneEnable:
      _dirty |= DIRTY_PLANES;
      break;
    case RenderState::ColorWriteEnable:
      applyMasks();
      break;
    case RenderState::Count:
      break;
  }
}

void GlDevice::applyAllRenderStates() {
  for (int index = 0; index < kRenderStateCount; ++index) {
    applyRenderState(static_cast<RenderState>(index));
  }
  _state.setCap(GL_SCISSOR_TEST, true);
  _state.forgetViewport();
  applyViewport();
}

void GlDevice::flushFog() {
  // The table (pixel) mode wins over the vertex mode.
  auto table = static_cast<FogMode>(rs(RenderState::FogTableMode));
  auto vertex = static_cast<FogMode>(rs(RenderState::FogVertexMode));
  FogMode mode = table != FogMode::None ? table : vertex;
  bool on = rs(RenderState::FogEnable) && mode != FogMode::None;
  _state.setCap(GL_FOG, on);
  if (on) {
    _state.fogMode(mode == FogMode::Linear ? GL_LINEAR : mode == FogMode::Exp ? GL_EXP : GL_EXP2);
    if (_fogDistance) {
      // Range fog (the distance to the eye rather than the depth) is a vertex-fog feature.
      bool radial = rs(RenderState::RangeFogEnable) && table == FogMode::None;
      _state.fogDistance(radial ? GL_EYE_RADIAL_NV : GL_EYE_PLANE_ABSOLUTE_NV);
    }
  }
  _dirty &= ~DIRTY_FOG;
}

void GlDevice::flushPoints() {
  // The classic size is viewport height × size × sqrt(1 / (A + B·d + C·d²)); OpenGL's is
  // size × sqrt(1 / (a + b·d + c·d²)), so the coefficients are divided by the height squared.
  float size = rsFloat(RenderState::PointSize);
  if (!(size > 0)) size = 1.0f / 64;  // OpenGL refuses 0; such points cover at most a pixel
  _state.pointSize(size);
  _state.pointSizeMin(std::max(0.0f, rsFloat(RenderState::PointSizeMin)));
  std::array<GLfloat, 3> attenuation{1, 0, 0};
  if (rs(RenderState::PointScaleEnable)) {
    float height = static_cast<float>(std::max(1u, _viewport.height));
    float square = height * height;
    attenuation = {rsFloat(RenderState::PointScaleA) / square,
                   rsFloat(RenderState::PointScaleB) / square,
                   rsFloat(RenderState::PointScaleC) / square};
  }
  _state.pointAttenuation(attenuation);
  _dirty &= ~DIRTY_POINTS;
}

void GlDevice::applySprites(bool sprites) {
  _state.setCap(GL_POINT_SPRITE, sprites);
  for (int unit = 0; unit < kStageCount; ++unit)
    _state.coordReplace(unit, sprites);
}

}  // namespace vesk::gfx
