#include "world/scene/MatrixMath.h"

#include "world/scene/VectorMath.h"

namespace vesk {

Matrix transpose(const Matrix& matrix) {
  Matrix result;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column)
      result.m[row][column] = matrix.m[column][row];
  }
  return result;
}

Matrix rotationMatrix(const Quaternion& q) {
  const float w = q.w, x = q.x, y = q.y, z = q.z;
  Matrix result;
  result.m[0][0] = 1 - 2 * (y * y + z * z);
  result.m[0][1] = 2 * (x * y + w * z);
  result.m[0][2] = 2 * (x * z - w * y);
  result.m[1][0] = 2 * (x * y - w * z);
  result.m[1][1] = 1 - 2 * (x * x + z * z);
  result.m[1][2] = 2 * (y * z + w * x);
  result.m[2][0] = 2 * (x * z + w * y);
  result.m[2][1] = 2 * (y * z - w * x);
  result.m[2][2] = 1 - 2 * (x * x + y * y);
  return result;
}

Matrix translationMatrix(float x, float y, float z) {
  Matrix result;
  result.m[3][0] = x;
  result.m[3][1] = y;
  result.m[3][2] = z;
  return result;
}

std::optional<Matrix> affineInverse(const Matrix& matrix) {
  const auto& a = matrix.m;
  // Cofactors of the 3 × 3 part, already transposed into the adjugate.
  float adjugate[3][3] = {
      {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[0][2] * a[2][1] - a[0][1] * a[2][2],
       a[0][1] * a[1][2] - a[0][2] * a[1][1]},
      {a[1][2] * a[2][0] - a[1][0] * a[2][2], a[0][0] * a[2][2] - a[0][2] * a[2][0],
       a[0][2] * a[1][0] - a[0][0] * a[1][2]},
      {a[1][0] * a[2][1] - a[1][1] * a[2][0], a[0][1] * a[2][0] - a[0][0] * a[2][1],
       a[0][0] * a[1][1] - a[0][1] * a[1][0]},
  };
  const float determinant =
      a[0][0] * adjugate[0][0] + a[0][1] * adjugate[1][0] + a[0][2] * adjugate[2][0];
  if (determinant == 0) return std::nullopt;

  Matrix inverse;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column)
      inverse.m[row][column] = adjugate[row][column] / determinant;
  }
  for (int column = 0; column < 3; ++column) {
    inverse.m[3][column] = -(a[3][0] * inverse.m[0][column] + a[3][1] * inverse.m[1][column] +
                             a[3][2] * inverse.m[2][column]);
  }
  return inverse;
}

Vector4 transformRow(const Vector3& point, const Matrix& matrix) {
  const auto& a = matrix.m;
  float out[4];
  for (int column = 0; column < 4; ++column) {
    out[column] =
        point.x * a[0][column] + point.y * a[1][column] + point.z * a[2][column] + a[3][column];
  }
  return {out[0], out[1], out[2], out[3]};
}

Vector3 transformPoint(const Vector3& point, const Matrix& matrix) {
  const Vector4 out = transformRow(point, matrix);
  if (out.w != 1 && out.w != 0) return {out.x / out.w, out.y / out.w, out.z / out.w};
  return {out.x, out.y, out.z};
}

Plane planeFromPoints(const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3 normal = normalise(cross(b - a, c - a));
  return {normal.x, normal.y, normal.z, -dot(normal, a)};
}

Matrix reflectionMatrix(const Plane& plane) {
  const float size = length({plane.a, plane.b, plane.c});
  const float n[4] = {plane.a / size, plane.b / size, plane.c / size, plane.d / size};
  Matrix reflection;
  if (size == 0) return reflection;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 3; ++column)
      reflection.m[row][column] = (row == column ? 1.0f : 0.0f) - 2 * n[row] * n[column];
  }
  return reflection;
}

}  // namespace vesk
