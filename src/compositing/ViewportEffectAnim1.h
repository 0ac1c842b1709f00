// Moves and resizes a viewport from one rectangle and alpha to another over a duration,
// starting at its first step.
#pragma once

#include "compositing/Viewport.h"
#include "compositing/ViewportEffect.h"

namespace vesk {

class ViewportEffectAnim1 : public ViewportEffect {
 public:
  // A duration of 0 (or less) reaches the end rectangle at the first step.
  ViewportEffectAnim1(float duration, const PixelRect& from, float fromAlpha, const PixelRect& to,
                      float toAlpha);

  void update(Viewport& viewport) override;
  // Nothing: the last update has set the end rectangle.
  void finish(Viewport& viewport) override;

 private:
  float _duration;
  float _startTime = 0;  // show seconds; 0 = not started
  int _x1, _y1, _w1, _h1;
  int _x2, _y2, _w2, _h2;
  float _a1, _a2;
};

}  // namespace vesk
