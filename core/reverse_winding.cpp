// Reverse all triangles: in every triangle the first and third corners swap
// their whole records (vertex index, normal and colour), which turns the
// triangle's front side to the back. Normals are left for the caller:
// "Reverse Winding Order" inverts them afterwards.
#include <algorithm>
#include <utility>

#include "core/mesh_ops.h"

namespace torvane {

bool ReverseAllTriangles(Mesh& mesh) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  if (n >= 3) {
    MeshCorner* corners = mesh.corners.MutableData();
    if (!corners) return false;
    for (uint32_t k = 0; k + 2 < n; k += 3)
      std::swap(corners[k], corners[k + 2]);
  }
  MarkChanged(mesh);
  return true;
}

}  // namespace torvane
