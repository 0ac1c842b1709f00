#include "compositing/EffectCrossFade.h"

#include "compositing/Layer.h"
#include "render/Renderer.h"
#include "world/material/ResourceCache.h"
#include "world/material/Texture.h"

namespace vesk {

namespace {

using gfx::RenderState;

std::uint32_t value(gfx::Compare compare) {
  return static_cast<std::uint32_t>(compare);
}
std::uint32_t value(gfx::StencilOp op) {
  return static_cast<std::uint32_t>(op);
}

}  // namespace

EffectCrossFade::EffectCrossFade(float duration, std::string_view fileName, bool rising,
                                 int function)
    : _duration(duration), _rising(rising) {
  if (function < 0 || function > 2) {
    fatal("Unrecognize stencil mode in special effect cross fade", here());
    _finished = true;
    return;
  }
  if (ResourceCache* cache = ResourceCache::instance()) {
    _mask = cache->getTexture(kApplicationBank, fileName, /*colourKey=*/false, VK_TRANSPARENT,
                              /*diffuse=*/nullptr);
  }
  VK_DX(device()->setRenderState(RenderState::StencilRef, 0));
}

void EffectCrossFade::apply(DrawContext& context, Layer& layer) {
  float t = progress(_startTime, _duration);
  if (t > 1.0f) {
    _startTime = 0.0f;
    _finished = true;
    t = 1.0f;
  }
  const auto threshold = static_cast<std::uint32_t>((_rising ? t : 1.0f - t) * 255.0f);
  gfx::Device& d = *context.device;

  // Mark the pixels whose mask value exceeds the threshold: every fragment that passes the
  // alpha test fails the stencil test and so writes 1 without touching the colour buffer.
  VK_DX(d.clear(gfx::CLEAR_STENCIL, 0, 1.0f, 0));
  VK_DX(d.setTexture(0, _mask ? _mask->deviceTexture() : nullptr));
  VK_DX(d.setRenderState(RenderState::AlphaTestEnable, 1));
  VK_DX(d.setRenderState(RenderState::AlphaFunc, value(gfx::Compare::Greater)));
  VK_DX(d.setRenderState(RenderState::AlphaRef, threshold));
  VK_DX(d.setRenderState(RenderState::StencilEnable, 1));
  VK_DX(d.setRenderState(RenderState::StencilRef, 1));
  VK_DX(d.setRenderState(RenderState::StencilFail, value(gfx::StencilOp::Replace)));
  VK_DX(d.setRenderState(RenderState::StencilFunc, value(gfx::Compare::Never)));
  layer.renderer().drawScreenQuad(context, 0xFFFFFFFF, 0.0f, 0.0f, 1.0f, 1.0f);

  // Draw the layer where the mark is.
  VK_DX(d.setRenderState(RenderState::AlphaTestEnable, 0));
  VK_DX(d.setRenderState(RenderState::StencilFunc, value(gfx::Compare::Equal)));
  VK_DX(d.setRenderState(RenderState::StencilFail, value(gfx::StencilOp::Keep)));
  layer.draw(context, 0.0f);

  VK_DX(d.setRenderState(RenderState::StencilEnable, 0));
  VK_DX(d.setRenderState(RenderState::StencilFunc, value(gfx::Compare::Always)));
}

void EffectCrossFade::finish(Layer& /*layer*/) {
  VK_DX(device()->setRenderState(RenderState::StencilFunc, value(gfx::Compare::Always)));
  VK_DX(device()->setRenderState(RenderState::StencilRef, 0));
}

}  // namespace vesk
