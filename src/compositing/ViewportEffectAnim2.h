// Shakes a viewport: every step pushes its rectangle and alpha by a random amount, pulled back
// towards where they were when the shake began. It runs until it is replaced.
#pragma once

#include "compositing/Viewport.h"
#include "compositing/ViewportEffect.h"

namespace vesk {

class ViewportEffectAnim2 : public ViewportEffect {
 public:
  // `base` and `baseAlpha` are the viewport's rectangle and alpha now; amplitudes in pixels
  // (alpha: in alpha units). An amplitude of 0 keeps that value still.
  ViewportEffectAnim2(const PixelRect& base, float baseAlpha, float xAmplitude, float yAmplitude,
                      float widthAmplitude, float heightAmplitude, float alphaAmplitude,
                      float strength);

  void update(Viewport& viewport) override;
  // Puts the base rectangle back; the alpha stays where the shake left it.
  void finish(Viewport& viewport) override;

 private:
  float _x, _y, _width, _height, _alpha;
  float _xAmplitude, _yAmplitude, _widthAmplitude, _heightAmplitude, _alphaAmplitude;
  float _strength;
};

}  // namespace vesk
