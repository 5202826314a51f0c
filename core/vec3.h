// Vec3: three single-precision floats, the position and direction type of
// every mesh. Positions compare equal when each component differs by at most
// 2^-23 (absolute, inclusive); that one rule decides which vertices merge.
#pragma once

#include <cmath>

namespace torvane {

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline constexpr float kPositionTolerance = 1.1920929e-07f;

// The program's equality of positions (not bitwise ==).
inline bool PositionsEqual(const Vec3& a, const Vec3& b) {
  return std::fabs(a.x - b.x) <= kPositionTolerance && std::fabs(a.y - b.y) <= kPositionTolerance &&
         std::fabs(a.z - b.z) <= kPositionTolerance;
}

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }

// Face normal of the triangle (p0, p1, p2): the normalised cross product of
// its two edges from p0; a degenerate triangle gives (0, 0, 0).
inline Vec3 FaceNormal(const Vec3& p0, const Vec3& p1, const Vec3& p2) {
  Vec3 n = Cross(p1 - p0, p2 - p0);
  float len = Length(n);
  if (len == 0.0f) return {0.0f, 0.0f, 0.0f};
  return {n.x / len, n.y / len, n.z / len};
}

}  // namespace torvane
