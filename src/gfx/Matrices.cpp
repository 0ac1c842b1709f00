#include "gfx/Matrices.h"

namespace vesk {

Matrix orthoRH(float width, float height, float zNear, float zFar) {
  Matrix result;
  result.m[0][0] = 2.0f / width;
  result.m[1][1] = 2.0f / height;
  result.m[2][2] = 1.0f / (zNear - zFar);
  result.m[3][2] = zNear / (zNear - zFar);
  return result;
}

Matrix orthoOffCenterRH(float left, float right, float bottom, float top, float zNear, float zFar) {
  Matrix result;
  result.m[0][0] = 2.0f / (right - left);
  result.m[1][1] = 2.0f / (top - bottom);
  result.m[2][2] = 1.0f / (zNear - zFar);
  result.m[3][0] = (left + right) / (left - right);
  result.m[3][1] = (top + bottom) / (bottom - top);
  result.m[3][2] = zNear / (zNear - zFar);
  return result;
}

}  // namespace vesk
