// Invert normals: every corner's normal is negated, so lighting treats the
// other side of each triangle as its front. Winding is left as it is.
#include <algorithm>

#include "core/mesh_ops.h"

namespace torvane {

bool InvertNormals(Mesh& mesh) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  if (n > 0) {
    MeshCorner* corners = mesh.corners.MutableData();
    if (!corners) return false;
    for (uint32_t k = 0; k < n; ++k)
      corners[k].normal = -corners[k].normal;
  }
  MarkChanged(mesh);
  return true;
}

}  // namespace torvane
