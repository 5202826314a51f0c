// The ray-triangle test of picking on four triangles at once.
//
// Input: the ray (start, normalised direction) and four triangles by their
// corners. Output: a bit per triangle that the ray hits, with the
// distance and hit point of each hit. Every lane runs exactly the operations
// of IntersectRayTriangle in the same order (single precision, no fused
// operations), so the results are bit for bit the same; only the work is
// shared across the lanes of a vector register.
#pragma once

#include <cstdint>

#include "core/vec3.h"

namespace torvane {

// Four triangles by their corner positions. Every pointer must be readable
// for 16 bytes (a Vec3 and 4 bytes beyond it), so that each corner is one
// vector load.
struct TriangleQuad {
  const Vec3* a[4];
  const Vec3* b[4];
  const Vec3* c[4];
};

struct QuadHits {
  alignas(16) float t[4];
  alignas(16) float px[4], py[4], pz[4];
};

// Bit k set: triangle k is hit at distance hits->t[k], point p[k].
unsigned IntersectRayTriangles4(const Vec3& start, const Vec3& direction, const TriangleQuad& quad,
                                QuadHits* hits);

}  // namespace torvane
