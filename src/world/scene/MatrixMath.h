// The matrix and quaternion helpers shared by the scene and its controllers, over the device's
// row-major, row-vector `Matrix` (products in application order: `a * b` is first a, then b).
// Quaternions are used exactly as stored: nothing here normalises them.
#pragma once

#include <optional>

#include "gfx/Types.h"

namespace vesk {

// Held w, x, y, z in memory; files store x, y, z, w.
struct Quaternion {
  float w = 1, x = 0, y = 0, z = 0;
  bool operator==(const Quaternion&) const = default;
};

Matrix transpose(const Matrix& matrix);

// The rotation matrix of a quaternion, fourth row and column those of the identity.
Matrix rotationMatrix(const Quaternion& q);

Matrix translationMatrix(float x, float y, float z);

// The inverse of a matrix whose fourth column is (0, 0, 0, 1): the inverted 3 × 3 part and the
// translation taken back through it. Nothing when the 3 × 3 part is singular (a zero scale).
std::optional<Matrix> affineInverse(const Matrix& matrix);

// The point as a row vector (x, y, z, 1) times the matrix, divided by w when w differs from 1
// (a w of 0, a point at infinity, is left undivided rather than made infinite).
Vector3 transformPoint(const Vector3& point, const Matrix& matrix);

// The point as a row vector (x, y, z, 1) times the matrix, w kept.
Vector4 transformRow(const Vector3& point, const Matrix& matrix);

// The plane through three points: its normal is (b − a) × (c − a) at length 1, so the front
// side is where that normal points. Three points on one line give the zero plane.
Plane planeFromPoints(const Vector3& a, const Vector3& b, const Vector3& c);

// The matrix that mirrors points through the plane (normalised first).
Matrix reflectionMatrix(const Plane& plane);

}  // namespace vesk
