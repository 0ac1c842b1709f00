#include "compositing/EffectFlash.h"

#include <algorithm>
#include <cmath>

#include "compositing/Layer.h"
#include "render/Renderer.h"

namespace vesk {

EffectFlash::EffectFlash(float duration) : _duration(duration) {}

void EffectFlash::apply(DrawContext& context, Layer& layer) {
  float t = progress(_startTime, _duration);
  if (t > 1.0f) {
    t = 0.0f;
    _startTime = 0.0f;
    _finished = true;
  }
  layer.draw(context, 0.0f);
  const float f = std::min(std::sqrt(t) + 0.25f, 1.0f);
  const auto alpha = static_cast<std::uint32_t>((1.0f - f) * 255.0f);
  VK_DX(context.device->setTexture(0, nullptr));
  layer.renderer().drawScreenQuad(context, argb(alpha, 255, 255, 255), 0.0f, 0.0f, 1.0f, 1.0f);
}

void EffectFlash::finish(Layer& /*layer*/) {}

}  // namespace vesk
