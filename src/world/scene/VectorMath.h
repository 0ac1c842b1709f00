// The few vector operations meshes and grids need, over the device's `Vector3`.
#pragma once

#include <cmath>

#include "gfx/Types.h"

namespace vesk {

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator*(const Vector3& a, float factor) {
  return {a.x * factor, a.y * factor, a.z * factor};
}
inline float dot(const Vector3& a, const Vector3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(const Vector3& a) {
  return std::sqrt(dot(a, a));
}
// The vector at length 1; a zero vector stays zero.
inline Vector3 normalise(const Vector3& a) {
  const float size = length(a);
  return size == 0 ? Vector3{} : Vector3{a.x / size, a.y / size, a.z / size};
}

}  // namespace vesk
