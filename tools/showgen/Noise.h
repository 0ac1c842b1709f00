// Deterministic noise for generated pictures: integer hashing, no global random state, so
// every run draws the same pixels.
#pragma once

#include <cmath>
#include <cstdint>

namespace showgen {

inline std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// A value in [0, 1) for a lattice point.
inline float hash01(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return float(hash(std::uint32_t(x), std::uint32_t(y), seed) >> 8) / float(1u << 24);
}

// Smooth value noise in [0, 1); with period > 0 it repeats every `period` units in x and y,
// which keeps textures seamless when they wrap.
inline float valueNoise(float x, float y, std::uint32_t seed, int period = 0) {
  float fx = std::floor(x), fy = std::floor(y);
  std::int32_t x0 = std::int32_t(fx), y0 = std::int32_t(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto wrap = [period](std::int32_t v) {
    return period > 0 ? ((v % period) + period) % period : v;
  };
  float a = hash01(wrap(x0), wrap(y0), seed), b = hash01(wrap(x0 + 1), wrap(y0), seed);
  float c = hash01(wrap(x0), wrap(y0 + 1), seed), d = hash01(wrap(x0 + 1), wrap(y0 + 1), seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Octaves of value noise, each twice the frequency and half the weight; result in [0, 1).
inline float fractalNoise(float x, float y, int octaves, std::uint32_t seed, int period = 0) {
  float sum = 0, weight = 0.5f, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += valueNoise(x, y, seed + std::uint32_t(i) * 101u, period) * weight;
    total += weight;
    x *= 2;
    y *= 2;
    period *= 2;
    weight *= 0.5f;
  }
  return sum / total;
}

}  // namespace showgen
