// Checks shared by the outline tests: whether a mesh is a closed surface
// whose triangles face outward, and its enclosed volume.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "core/mesh.h"
#include "solid/outline_solids.h"

namespace torvane {

// Every directed edge once and its reverse once: closed and consistently
// wound. Degenerate triangles (two equal indices) fail too.
inline ::testing::AssertionResult IsClosedAndOriented(const Mesh& mesh) {
  std::map<std::pair<uint32_t, uint32_t>, int> directed;
  const MeshCorner* c = mesh.corners.data();
  for (uint32_t t = 0; t < TriangleCount(mesh); ++t) {
    for (int k = 0; k < 3; ++k) {
      const uint32_t a = c[t * 3 + k].vertexIndex, b = c[t * 3 + (k + 1) % 3].vertexIndex;
      if (a == b) return ::testing::AssertionFailure() << "triangle " << t << " is degenerate";
      ++directed[{a, b}];
    }
  }
  for (const auto& [edge, uses] : directed) {
    const auto reverse = directed.find({edge.second, edge.first});
    if (uses != 1 || reverse == directed.end() || reverse->second != 1)
      return ::testing::AssertionFailure()
             << "edge " << edge.first << "-" << edge.second << " used " << uses << " times";
  }
  return ::testing::AssertionSuccess();
}

// Signed volume (positive when the triangles face outward).
inline double MeshVolume(const Mesh& mesh) {
  const MeshCorner* c = mesh.corners.data();
  const Vec3* p = mesh.positions.data();
  double volume = 0.0;
  for (uint32_t t = 0; t < TriangleCount(mesh); ++t) {
    const Vec3& a = p[c[t * 3].vertexIndex];
    const Vec3& b = p[c[t * 3 + 1].vertexIndex];
    const Vec3& d = p[c[t * 3 + 2].vertexIndex];
    volume += Dot(a, Cross(b, d));
  }
  return volume / 6.0;
}

// The area of the 25-point ring of radius r.
inline double RingArea(double r) {
  return 0.5 * kRingPoints * r * r * std::sin(double(kRingAngleStep));
}

}  // namespace torvane
