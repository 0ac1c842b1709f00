#include "world/scene/Ripple.h"

#include <algorithm>
#include <utility>

#include "base/Diagnosis.h"
#include "base/ShowClock.h"

namespace vesk {

Ripple::Ripple(std::uint32_t columns, std::uint32_t rows, const RippleSettings& settings)
    : _columns(columns),
      _rows(rows),
      _settings(settings),
      _current(std::size_t{columns} * rows, 0.0f),
      _previous(std::size_t{columns} * rows, 0.0f) {}

void Ripple::flatten() {
  std::fill(_current.begin(), _current.end(), 0.0f);
  std::fill(_previous.begin(), _previous.end(), 0.0f);
}

template <class Visit>
void Ripple::forInterior(Visit visit) const {
  const std::size_t w = _columns;
  for (std::size_t row = 1; row + 1 < _rows; ++row) {
    for (std::size_t column = 1; column + 1 < w; ++column)
      visit(row * w + column);
  }
}

void Ripple::step(const GreyPicture& a, const GreyPicture& b) {
  if (ShowClock::randomUnit() < _settings.impulseProbability) {
    const float max = static_cast<float>(ShowClock::kRandomMax);
    const float y = static_cast<float>(ShowClock::random()) * _settings.length / max;
    const float x = static_cast<float>(ShowClock::random()) * _settings.width / max;
    impulse(x, y, a, b);
  }
  const std::size_t w = _columns;
  const float damping = _settings.damping;
  const float* current = _current.data();
  float* previous = _previous.data();
  forInterior([&](std::size_t i) {
    previous[i] =
        ((current[i + w] + current[i - w] + current[i - 1] + current[i + 1]) * 0.5f - previous[i]) *
        damping;
  });
  std::swap(_current, _previous);
}

void Ripple::impulse(float x, float y, const GreyPicture& a, const GreyPicture& b) {
  if (_picturesRefused) return;
  if (a.bytes.empty() || b.bytes.empty()) {
    _picturesRefused = true;
    fatal("Error in water object : missing images", here());
    return;
  }
  if (a.width != b.width || a.height != b.height) {
    _picturesRefused = true;
    fatal("Images in water object must be th same size", here());
    return;
  }
  const float d = _settings.impulseSize;
  const float wi = static_cast<float>(a.width), hi = static_cast<float>(a.height);
  const float h = d * wi / hi;
  const float left = x - d / 2, top = y - h / 2;
  const float columns = static_cast<float>(_columns), rows = static_cast<float>(_rows);
  const float strength = _settings.strength;
  const std::size_t size = std::min(a.bytes.size(), b.bytes.size());
  forInterior([&](std::size_t i) {
    const float lx = static_cast<float>(i % _columns) * _settings.width / columns - left;
    const float ly = static_cast<float>(i / _columns) * _settings.length / rows - top;
    if (!(lx >= 0 && lx < d && ly >= 0 && ly < h)) return;
    const auto c = static_cast<std::size_t>(lx * wi / d);
    const auto r = static_cast<std::size_t>(ly * hi / h);
    // The pictures are read column by column of their height; rounding may land one past.
    const std::size_t index = c * a.height + r;
    if (index >= size) return;
    _current[i] += static_cast<float>(a.bytes[index]) * strength;
    _previous[i] += static_cast<float>(b.bytes[index]) * strength;
  });
}

}  // namespace vesk
