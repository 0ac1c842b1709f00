// A white flash over a layer: the overlay starts at alpha 191 and is gone after 56.25 % of the
// duration; on the frame where the time runs out it shows once more at 191.
#pragma once

#include "compositing/SpecialEffect.h"

namespace vesk {

class EffectFlash : public SpecialEffect {
 public:
  explicit EffectFlash(float duration);

  void apply(DrawContext& context, Layer& layer) override;
  // Nothing to undo.
  void finish(Layer& layer) override;

 private:
  float _duration;
  float _startTime = 0;  // show seconds; 0 = not started
};

}  // namespace vesk
