#include "compositing/EffectFog.h"

#include <algorithm>
#include <limits>

#include "base/ShowClock.h"
#include "compositing/SceneLayer.h"
#include "world/scene/Camera.h"

namespace vesk {

namespace {

using gfx::RenderState;

std::uint32_t word(gfx::FogMode mode) {
  return static_cast<std::uint32_t>(mode);
}

// trunc(255 × component); a script value outside 0..1 saturates (NaN gives 0).
std::uint32_t colourByte(float component) {
  return static_cast<std::uint32_t>(std::clamp(component >= 0.0f ? component : 0.0f, 0.0f, 1.0f) *
                                    255.0f);
}

}  // namespace

EffectFog::EffectFog(float fogTime, float entryLength, float fogLength, bool vertexFog, float red,
                     float green, float blue)
    : _fogTime(fogTime),
      _entryLength(entryLength),
      _fogLength(fogLength),
      _vertexFog(vertexFog),
      _colour(colourByte(red) << 16 | colourByte(green) << 8 | colourByte(blue)) {
  gfx::Device& d = *device();
  VK_DX(d.setRenderState(RenderState::FogEnable, 1));
  VK_DX(d.setRenderState(RenderState::FogColor, _colour));
  VK_DX(d.setRenderState(RenderState::FogDensity, gfx::floatState(0.0f)));
  VK_DX(d.setRenderState(RenderState::FogTableMode,
                         word(vertexFog ? gfx::FogMode::None : gfx::FogMode::Exp2)));
  VK_DX(d.setRenderState(RenderState::FogVertexMode,
                         word(vertexFog ? gfx::FogMode::Linear : gfx::FogMode::None)));
  VK_DX(d.setRenderState(RenderState::RangeFogEnable, vertexFog ? 1 : 0));
}

float EffectFog::intensityAt(float elapsed) const {
  const float full = _entryLength + _fogLength;
  if (elapsed > full) return 1.0f - (elapsed - full) / (_fogTime - full);
  if (elapsed > _entryLength) return 1.0f;
  // An entry of no length is at full fog from the first frame, not at 0 ÷ 0.
  return _entryLength > 0.0f ? elapsed / _entryLength : 1.0f;
}

void EffectFog::apply(DrawContext& context, Layer& layer) {
  auto* sceneLayer = layer.isSceneLayer() ? static_cast<SceneLayer*>(&layer) : nullptr;
  VK_ASSERT(sceneLayer != nullptr, "layer->isSceneLayer()",
            "Error : layer shoud be scene layer to handle fog effect");
  gfx::Device& d = *context.device;
  const float now = ShowClock::seconds();
  if (_startTime == 0.0f) {
    _startTime = now;
    if (sceneLayer && sceneLayer->camera()) {
      _fogStart = sceneLayer->camera()->_envNear;
      _fogEnd = sceneLayer->camera()->_envFar;
    }
    VK_DX(d.setRenderState(RenderState::FogStart, gfx::floatState(_fogStart)));
    VK_DX(d.setRenderState(RenderState::FogEnd, gfx::floatState(_fogEnd)));
  }

  const float elapsed = now - _startTime;
  if (elapsed > _fogTime) {
    _finished = true;
  } else {
    _intensity = intensityAt(elapsed);
    if (_vertexFog) {
      // No fog at all at intensity 0: the far end out of reach rather than a division by zero.
      const float end =
          _intensity > 0.0f ? _fogEnd / _intensity : std::numeric_limits<float>::max();
      VK_DX(d.setRenderState(RenderState::FogEnd, gfx::floatState(end)));
    } else {
      VK_DX(d.setRenderState(RenderState::FogDensity, gfx::floatState(_intensity * 0.01f)));
    }
    const std::uint32_t grey = colourByte(_intensity);
    VK_DX(d.clear(gfx::CLEAR_TARGET | gfx::CLEAR_ZBUFFER, argb(0xFF, grey, grey, grey), 1.0f, 0));
  }

  VK_DX(d.setRenderState(RenderState::FogEnable, 1));
  VK_DX(d.setRenderState(RenderState::FogColor, _colour));
  layer.draw(context, 0.0f);
  VK_DX(d.setRenderState(RenderState::FogEnable, 0));
}

void EffectFog::finish(Layer& /*layer*/) {
  gfx::Device& d = *device();
  VK_DX(d.setRenderState(RenderState::FogEnable, 0));
  VK_DX(d.setRenderState(RenderState::FogVertexMode, word(gfx::FogMode::None)));
  VK_DX(d.setRenderState(RenderState::FogDensity, gfx::floatState(0.0f)));
  VK_DX(d.setRenderState(RenderState::FogColor, 0));
}

}  // namespace vesk
