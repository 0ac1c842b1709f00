#include "compositing/ViewportEffectAnim1.h"

#include "base/ShowClock.h"

namespace vesk {

ViewportEffectAnim1::ViewportEffectAnim1(float duration, const PixelRect& from, float fromAlpha,
                                         const PixelRect& to, float toAlpha)
    : _duration(duration),
      _x1(from.x),
      _y1(from.y),
      _w1(from.width),
      _h1(from.height),
      _x2(to.x),
      _y2(to.y),
      _w2(to.width),
      _h2(to.height),
      _a1(fromAlpha),
      _a2(toAlpha) {}

void ViewportEffectAnim1::update(Viewport& viewport) {
  const float now = ShowClock::seconds();
  if (_startTime == 0.0f) _startTime = now;
  float t = _duration > 0.0f ? (now - _startTime) / _duration : 2.0f;
  if (t > 1.0f) {
    _finished = true;
    t = 1.0f;
  }
  auto lerp = [t](int a, int b) {
    const auto from = static_cast<float>(a);
    return truncToInt(from + t * (static_cast<float>(b) - from));
  };
  viewport.setRect(lerp(_x1, _x2), lerp(_y1, _y2), lerp(_w1, _w2), lerp(_h1, _h2),
                   _a1 + t * (_a2 - _a1));
}

void ViewportEffectAnim1::finish(Viewport& /*viewport*/) {}

}  // namespace vesk
