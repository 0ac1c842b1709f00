// The show clock: time since the start of the show with paused time left out, in milliseconds
// (the time schedule) and in seconds as a 32-bit float (controllers, effects, animated
// textures). The core advances it once per frame; everything animated reads it here.
#pragma once

#include <cstdint>

namespace vesk {

class ShowClock {
 public:
  static std::int32_t ms() { return _ms; }
  static float seconds() { return _seconds; }
  // Sets both readings: seconds = milliseconds × 0.001.
  static void set(std::int32_t ms) {
    _ms = ms;
    _seconds = static_cast<float>(ms) * 0.001f;
  }

 private:
  static inline std::int32_t _ms = 0;
  static inline float _seconds = 0;
};

}  // namespace vesk
