// Spherical blending of two rotations the shorter way round, without normalising: nearly equal
// rotations are blended linearly, and the result is used as it comes.
#pragma once

#include "world/scene/MatrixMath.h"

namespace vesk {

// `fraction` 0 gives q1 and 1 gives q2 (negated when that is the shorter way); other
// fractions, below 0 or above 1 too, follow the arc.
Quaternion slerp(const Quaternion& q1, const Quaternion& q2, float fraction);

}  // namespace vesk
