// Recalculate normals: every live triangle gets the face normal of its three
// positions on all three corners, replacing smoothed or imported normals.
// Triangles with a dead corner (or an index past the vertices) keep theirs.
// Positions are taken in object space; the transform is not baked.
#include <algorithm>

#include "core/mesh_ops.h"

namespace torvane {

bool RecalculateNormals(Mesh& mesh) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  if (n >= 3) {
    MeshCorner* corners = mesh.corners.MutableData();
    if (!corners) return false;
    const Vec3* p = mesh.positions.data();
    for (uint32_t k = 0; k + 2 < n; k += 3) {
      const uint32_t a = corners[k].vertexIndex;
      const uint32_t b = corners[k + 1].vertexIndex;
      const uint32_t c = corners[k + 2].vertexIndex;
      if (a >= vertices || b >= vertices || c >= vertices) continue;
      const Vec3 normal = FaceNormal(p[a], p[b], p[c]);
      corners[k].normal = normal;
      corners[k + 1].normal = normal;
      corners[k + 2].normal = normal;
    }
  }
  MarkChanged(mesh);
  return true;
}

}  // namespace torvane
