// Reveals or hides a layer through a greyscale mask picture: each frame the stencil buffer
// marks the pixels whose mask value lies above a threshold that moves with time, and only
// those receive the layer. A rising cross fade makes the layer vanish first where the mask is
// dark; a falling one makes it appear first where the mask is bright.
#pragma once

#include <string_view>

#include "compositing/SpecialEffect.h"

namespace vesk {

class Texture;

class EffectCrossFade : public SpecialEffect {
 public:
  // The mask is the picture `fileName` as an alpha mask, from bank 0 of the resource cache.
  // `function` must be 0, 1 or 2; it does not change the drawing. Sets the stencil reference
  // to 0.
  EffectCrossFade(float duration, std::string_view fileName, bool rising, int function);

  void apply(DrawContext& context, Layer& layer) override;
  // Leaves the stencil function at "always" and the reference at 0.
  void finish(Layer& layer) override;

  Texture* mask() const { return _mask; }

 private:
  float _duration;
  float _startTime = 0;  // show seconds; 0 = not started
  Texture* _mask = nullptr;
  bool _rising;
};

}  // namespace vesk
