#include "world/animation/Slerp.h"

#include <cmath>

namespace vesk {

namespace {

// Below this distance from 1 of the dot product the arc is too flat to divide by its sine.
constexpr float kLinearBlendLimit = 0.05f;

}  // namespace

Quaternion slerp(const Quaternion& q1, const Quaternion& q2, float fraction) {
  float dot = q1.x * q2.x + q1.y * q2.y + q1.z * q2.z + q1.w * q2.w;
  Quaternion to = q2;
  if (dot < 0) {
    dot = -dot;
    to = {-q2.w, -q2.x, -q2.y, -q2.z};
  }
  float s1 = 1 - fraction;
  float s2 = fraction;
  if (1 - dot > kLinearBlendLimit) {
    const float theta = std::acos(dot);
    const float sine = std::sin(theta);
    s1 = std::sin((1 - fraction) * theta) / sine;
    s2 = std::sin(fraction * theta) / sine;
  }
  return {s1 * q1.w + s2 * to.w, s1 * q1.x + s2 * to.x, s1 * q1.y + s2 * to.y,
          s1 * q1.z + s2 * to.z};
}

}  // namespace vesk
