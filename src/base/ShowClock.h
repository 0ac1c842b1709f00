// The show clock: time since the start of the show with paused time left out, in milliseconds
// (the time schedule) and in seconds as a 32-bit float (controllers, effects, animated
// textures). The core advances it once per frame; everything animated reads it here.
//
// The clock also owns the show's random numbers (particles, water, viewport shaking): one
// generator giving 0 to 32767, drawn in a fixed order. The program seeds it from the time of
// day; a capture fixes the seed so that two runs draw the same numbers, and then every later
// reseed from the time of day gives that fixed seed again.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace vesk {

class ShowClock {
 public:
  static constexpr std::int32_t kRandomMax = 32767;

  static std::int32_t ms() { return _ms; }
  static float seconds() { return _seconds; }
  // Sets both readings: seconds = milliseconds × 0.001.
  static void set(std::int32_t ms) {
    _ms = ms;
    _seconds = static_cast<float>(ms) * 0.001f;
  }

  // The next random number, 0 to kRandomMax.
  static std::int32_t random() {
    _randomState = _randomState * 214013u + 2531011u;
    return static_cast<std::int32_t>((_randomState >> 16) & 0x7FFFu);
  }
  // random() ÷ kRandomMax: 0 to 1, both included.
  static float randomUnit() {
    return static_cast<float>(random()) / static_cast<float>(kRandomMax);
  }
  static void seedRandom(std::uint32_t seed) { _randomState = seed; }
  // Seeds from the time of day (whole seconds), or with the fixed seed when there is one.
  static void seedRandomFromTimeOfDay() {
    seedRandom(_fixedSeed ? *_fixedSeed : static_cast<std::uint32_t>(std::time(nullptr)));
  }
  // From now on every seeding from the time of day uses `seed`; seeds the generator now.
  // std::nullopt goes back to the time of day.
  static void fixRandomSeed(std::optional<std::uint32_t> seed) {
    _fixedSeed = seed;
    seedRandomFromTimeOfDay();
  }

 private:
  static inline std::int32_t _ms = 0;
  static inline float _seconds = 0;
  static inline std::uint32_t _randomState = 1;
  static inline std::optional<std::uint32_t> _fixedSeed;
};

}  // namespace vesk
