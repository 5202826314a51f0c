// Matrix4: a 4 x 4 float matrix in row-vector convention (p' = p x M), stored
// row-major with the translation in elements 12, 13 and 14. Object transforms
// are built as scale, then rotation about X, Y and Z, then translation, with
// angles in degrees converted by the float factor 0.0174533.
#pragma once

#include <array>

#include "core/vec3.h"

namespace torvane {

inline constexpr float kDegreesToRadians = 0.0174533f;

struct Matrix4 {
  std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  float& operator()(int row, int col) { return m[row * 4 + col]; }
  float operator()(int row, int col) const { return m[row * 4 + col]; }
};

// a x b: applying the result is applying a, then b.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// The rotation part R of an object transform (degrees about X, then Y, then Z).
Matrix4 RotationMatrix(const Vec3& degrees);

// scale on the diagonal, times RotationMatrix(rotation), plus translation.
Matrix4 TransformMatrix(const Vec3& scale, const Vec3& rotation, const Vec3& translation);

// p x M with w = 1 (points).
Vec3 TransformPoint(const Vec3& p, const Matrix4& m);

// p x M with w = 0 (directions; no translation, no renormalisation).
Vec3 TransformDirection(const Vec3& d, const Matrix4& m);

// General inverse; returns false and leaves `out` untouched when singular.
bool Invert(const Matrix4& m, Matrix4* out);

}  // namespace torvane
