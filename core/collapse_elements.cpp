// Collapse: edges and triangles shrink to one vertex, vertices are deleted
// with their hole filled, and whole-object records delete the object.
//
// Input: one object's selection records, applied in list order; a record
// that names a vertex merged away by an earlier record acts on that index as
// it stands. Output: the mesh with dead corners where triangles vanished,
// the object deselected (or deleted).
#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {

using namespace element;

void CollapseEdge(Mesh& mesh, uint32_t a, uint32_t b) {
  const uint32_t vertices = ReadableVertices(mesh);
  if (a >= vertices || b >= vertices || a == b) return;
  MeshCorner* corners = mesh.corners.MutableData();
  Vec3* positions = mesh.positions.MutableData();
  if (!corners || !positions) return;
  const uint32_t n = ReadableCorners(mesh);
  for (uint32_t k = 0; k < n; k += 3) {
    MeshCorner* t = corners + k;
    if (!IsLiveTriangle(t, vertices) || !Uses(t, b)) continue;
    if (Uses(t, a)) {
      KillTriangle(t);
      continue;
    }
    for (int i = 0; i < 3; ++i) {
      if (t[i].vertexIndex == b) t[i].vertexIndex = a;
    }
  }
  positions[a] = (positions[a] + positions[b]) * 0.5f;
  MarkChanged(mesh);
  InvalidateBounds(mesh);
}

void CollapseTriangle(Mesh& mesh, uint32_t a, uint32_t b, uint32_t c) {
  const uint32_t vertices = ReadableVertices(mesh);
  if (a >= vertices || b >= vertices || c >= vertices) return;
  const Vec3* p = mesh.positions.data();
  const Vec3 centroid = (p[a] + p[b] + p[c]) * 0.333333f;
  CollapseEdge(mesh, b, c);
  CollapseEdge(mesh, a, b);
  Vec3* positions = mesh.positions.MutableData();
  if (!positions) return;
  positions[a] = centroid;
  MarkChanged(mesh);
  InvalidateBounds(mesh);
}

void CollapseObjectElements(SceneObject& object) {
  if (!object.outlineShapes.empty()) {
    // An outline holder loses its outline; its mesh is left alone.
    object.outlineShapes.clear();
    object.pickFlag = false;
    EndSelection(object);
    return;
  }
  Mesh& mesh = object.mesh;
  // Taken out first: deleting the object clears its records.
  const SelectionRecords records = std::move(object.selectionRecords);
  for (const SelectionRecord& record : records) {
    const auto& v = record.indices;
    switch (record.elementType) {
      case kSelectObject:
        ClearMesh(mesh);
        object.id = kNoObjectId;
        object.selected = false;
        break;
      case kSelectFace:
      case kSelectTriangle:
        CollapseTriangle(mesh, v[0], v[1], v[2]);
        break;
      case kSelectEdge:
        CollapseEdge(mesh, v[0], v[1]);
        break;
      case kSelectVertex:
        DeleteVertex(mesh, v[0]);
        break;
      default:
        break;
    }
    if (!HasLiveTriangle(mesh)) {
      ResetTransform(object);
      break;
    }
  }
  InvalidateBounds(mesh);
  EndSelection(object);
}

}  // namespace torvane
