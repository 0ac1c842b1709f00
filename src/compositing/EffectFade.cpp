#include "compositing/EffectFade.h"

#include "compositing/Layer.h"

namespace vesk {

EffectFade::EffectFade(float duration, float initialAlpha, float finalAlpha)
    : _duration(duration), _initialAlpha(initialAlpha), _finalAlpha(finalAlpha) {}

void EffectFade::apply(DrawContext& context, Layer& layer) {
  float t = progress(_startTime, _duration);
  if (t > 1.0f) {
    _finished = true;
    t = 1.0f;
  }
  const float alpha = _initialAlpha + t * (_finalAlpha - _initialAlpha);
  layer.setAlpha(alpha);
  context.fadeFactor = alpha;
  layer.draw(context, 0.0f);
}

void EffectFade::finish(Layer& layer) {
  layer.setAlpha(_finalAlpha);
}

}  // namespace vesk
