// Projection matrices as the classic utility library builds them (right-handed, depth 0..1).
#pragma once

#include "gfx/Types.h"

namespace vesk {

// Orthographic projection of a width × height box centred on the origin.
Matrix orthoRH(float width, float height, float zNear, float zFar);
// Orthographic projection of the box [left, right] × [bottom, top].
Matrix orthoOffCenterRH(float left, float right, float bottom, float top, float zNear, float zFar);

}  // namespace vesk
