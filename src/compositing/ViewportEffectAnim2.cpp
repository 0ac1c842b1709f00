#include "compositing/ViewportEffectAnim2.h"

#include "base/ShowClock.h"

namespace vesk {

ViewportEffectAnim2::ViewportEffectAnim2(const PixelRect& base, float baseAlpha, float xAmplitude,
                                         float yAmplitude, float widthAmplitude,
                                         float heightAmplitude, float alphaAmplitude,
                                         float strength)
    : _x(static_cast<float>(base.x)),
      _y(static_cast<float>(base.y)),
      _width(static_cast<float>(base.width)),
      _height(static_cast<float>(base.height)),
      _alpha(baseAlpha),
      _xAmplitude(xAmplitude),
      _yAmplitude(yAmplitude),
      _widthAmplitude(widthAmplitude),
      _heightAmplitude(heightAmplitude),
      _alphaAmplitude(alphaAmplitude),
      _strength(strength) {}

void ViewportEffectAnim2::update(Viewport& viewport) {
  // A random push in [-amplitude, amplitude], minus how far the value has already strayed.
  // A random number is drawn for every value, still ones included, so that the sequence of
  // the show's generator stays the same whatever the amplitudes.
  auto shake = [this](float current, float base, float amplitude) {
    const float r = ShowClock::randomUnit();
    if (amplitude == 0.0f) return current;
    const float strayed = (current - base) / amplitude;
    return current + (1.0f - 2.0f * r - strayed) * amplitude * _strength;
  };
  const PixelRect& rect = viewport.rect();
  const int x = truncToInt(shake(static_cast<float>(rect.x), _x, _xAmplitude));
  const int y = truncToInt(shake(static_cast<float>(rect.y), _y, _yAmplitude));
  const int width = truncToInt(shake(static_cast<float>(rect.width), _width, _widthAmplitude));
  const int height = truncToInt(shake(static_cast<float>(rect.height), _height, _heightAmplitude));
  const float alpha = shake(viewport.alpha(), _alpha, _alphaAmplitude);
  viewport.setRect(x, y, width, height, alpha);
}

void ViewportEffectAnim2::finish(Viewport& viewport) {
  viewport.setRect(truncToInt(_x), truncToInt(_y), truncToInt(_width), truncToInt(_height),
                   viewport.alpha());
}

}  // namespace vesk
