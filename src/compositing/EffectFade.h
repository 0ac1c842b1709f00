// Fades a layer's alpha from one value to another over a duration; the layer keeps the final
// alpha afterwards.
#pragma once

#include "compositing/SpecialEffect.h"

namespace vesk {

class EffectFade : public SpecialEffect {
 public:
  // A duration of 0 ends at the first frame, with the final alpha.
  EffectFade(float duration, float initialAlpha, float finalAlpha);

  void apply(DrawContext& context, Layer& layer) override;
  void finish(Layer& layer) override;

 private:
  float _duration;
  float _startTime = 0;  // show seconds; 0 = not started
  float _initialAlpha;
  float _finalAlpha;
};

}  // namespace vesk
