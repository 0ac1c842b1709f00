#include "compositing/SpecialEffect.h"

#include <limits>

#include "base/ShowClock.h"

namespace vesk {

float SpecialEffect::progress(float& startTime, float duration) {
  const float now = ShowClock::seconds();
  if (startTime == 0.0f) startTime = now;
  if (!(duration > 0.0f)) return std::numeric_limits<float>::infinity();
  return (now - startTime) / duration;
}

}  // namespace vesk
