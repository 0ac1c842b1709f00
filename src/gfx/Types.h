// Plain value types shared by the device and every drawing part: vectors, matrices, planes,
// colours. Matrices are 4 × 4 floats, row-major, applied to row vectors (translation in the
// fourth row); products are written in application order (local × parent world). Equality
// compares the floats as == does: -0 equals 0, and a NaN equals nothing.
#pragma once

#include <cstdint>

namespace vesk {

struct Vector3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const Vector3&) const = default;
};

struct Vector4 {
  float x = 0, y = 0, z = 0, w = 0;
  bool operator==(const Vector4&) const = default;
};

struct Matrix {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};  // identity

  static Matrix identity() { return {}; }
  const float* data() const { return &m[0][0]; }
  bool operator==(const Matrix&) const = default;
};

// a × b: first a, then b.
Matrix operator*(const Matrix& a, const Matrix& b);

// ax + by + cz + d = 0; points with a positive value lie on the plane's front side.
struct Plane {
  float a = 0, b = 0, c = 0, d = 0;
  bool operator==(const Plane&) const = default;
};

// Colour components as floats (usually 0 to 1).
struct ColorValue {
  float r = 0, g = 0, b = 0, a = 0;
  bool operator==(const ColorValue&) const = default;
};

// 32-bit ARGB word, alpha in the top byte.
using Argb = std::uint32_t;

constexpr Argb argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return (a & 0xFF) << 24 | (r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF);
}

}  // namespace vesk
