// Subdivide line: an edge is split at its midpoint, and so is every triangle
// on it, so that no crack opens beside the new vertex.
//
// Input: one object's edge records. Output: one new vertex per split edge and
// two halves for every triangle that used the edge, both keeping its winding;
// the object deselected. Room for the whole split is made first.
#include <new>
#include <vector>

#include "core/corner_append.h"
#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {

using namespace element;

bool SplitEdge(Mesh& mesh, uint32_t a, uint32_t b) {
  const uint32_t vertices = ReadableVertices(mesh);
  if (a >= vertices || b >= vertices || a == b) return true;
  std::vector<uint32_t> split;
  try {
    const MeshCorner* corners = mesh.corners.data();
    const uint32_t n = ReadableCorners(mesh);
    for (uint32_t k = 0; k < n; k += 3) {
      const MeshCorner* t = corners + k;
      if (IsLiveTriangle(t, vertices) && Uses(t, a) && Uses(t, b)) split.push_back(k);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (split.empty()) return true;
  // Room, and private buffers, before the first change.
  if (!ReserveVertices(mesh, 1) || !ReserveCorners(mesh, uint64_t{split.size()} * 3) ||
      !mesh.positions.MutableData() || !mesh.corners.MutableData()) {
    return false;
  }
  const Vec3* p = mesh.positions.data();
  const uint32_t m = AppendVertex(mesh, (p[a] + p[b]) * 0.5f);
  if (m == kDeadIndex) return false;
  for (uint32_t k : split) {
    MeshCorner* t = mesh.corners.MutableData();
    if (!t) return false;
    t += k;
    uint32_t copy[3];
    for (int i = 0; i < 3; ++i)
      copy[i] = t[i].vertexIndex == a ? m : t[i].vertexIndex;
    const Colour32 colour = t[0].colour;
    for (int i = 0; i < 3; ++i) {
      if (t[i].vertexIndex == b) t[i].vertexIndex = m;
    }
    // Room was made above: the append cannot fail.
    AppendIndexedTriangle(mesh, copy[0], copy[1], copy[2], colour);
  }
  MarkChanged(mesh);
  InvalidateBounds(mesh);
  return true;
}

bool SubdivideObjectLines(SceneObject& object) {
  Mesh& mesh = object.mesh;
  bool ok = true;
  if (TriangleCount(mesh) > 0) {
    for (const SelectionRecord& record : object.selectionRecords) {
      if (record.elementType != kSelectEdge) continue;
      if (!SplitEdge(mesh, record.indices[0], record.indices[1])) {
        ok = false;
        break;
      }
    }
  }
  EndSelection(object);
  return ok;
}

}  // namespace torvane
