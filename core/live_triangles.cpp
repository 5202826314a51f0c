// HasLiveTriangle and LiveTriangleCount.
#include "core/live_triangles.h"

#include <algorithm>

namespace torvane {
namespace {

bool IsLive(const MeshCorner* t, uint32_t vertices) {
  return t[0].vertexIndex < vertices && t[1].vertexIndex < vertices && t[2].vertexIndex < vertices;
}

}  // namespace

bool HasLiveTriangle(const Mesh& mesh) {
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
  const MeshCorner* corners = mesh.corners.data();
  for (uint32_t k = 0; k < n; k += 3) {
    if (IsLive(corners + k, vertices)) return true;
  }
  return false;
}

uint32_t LiveTriangleCount(const Mesh& mesh) {
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
  const MeshCorner* corners = mesh.corners.data();
  uint32_t count = 0;
  for (uint32_t k = 0; k < n; k += 3) {
    if (IsLive(corners + k, vertices)) ++count;
  }
  return count;
}

}  // namespace torvane
