// Element moves: whole-object records move the position; element records
// move their vertices through the inverse of the object's scale and rotation
// and renormal the triangles around them.
#include "core/move_elements.h"

#include <algorithm>
#include <new>
#include <vector>

#include "core/matrix4.h"
#include "core/mesh.h"

namespace torvane {
namespace {

bool HasWholeObjectRecord(const SceneObject& object) {
  return std::any_of(object.selectionRecords.begin(), object.selectionRecords.end(),
                     [](const SelectionRecord& r) { return r.elementType == kSelectObject; });
}

// How many of a record's first indices are vertices of its element.
int ElementVertexCount(uint32_t elementType) {
  switch (elementType) {
    case kSelectFace:
    case kSelectTriangle:
      return 3;
    case kSelectEdge:
      return 2;
    case kSelectVertex:
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void FillMoveCache(SceneObject& object) {
  object.moveVertices.clear();
  object.moveTriangles.clear();
  Mesh& mesh = object.mesh;
  try {
    std::vector<bool> moved(mesh.vertexCount, false);
    for (const SelectionRecord& record : object.selectionRecords) {
      const int count = ElementVertexCount(record.elementType);
      for (int k = 0; k < count; ++k) {
        const uint32_t v = record.indices[k];
        if (v >= mesh.vertexCount || moved[v]) continue;
        moved[v] = true;
        object.moveVertices.push_back(v);
      }
    }
    const MeshCorner* corners = mesh.corners.data();
    const uint32_t triangles = std::min(TriangleCount(mesh), mesh.corners.length() / 3);
    if (!object.moveVertices.empty()) {
      for (uint32_t t = 0; t < triangles; ++t) {
        const MeshCorner* c = corners + size_t{t} * 3;
        bool uses = false;
        bool living = true;
        for (int k = 0; k < 3; ++k) {
          const uint32_t v = c[k].vertexIndex;
          if (v >= mesh.vertexCount) {
            living = false;
            break;
          }
          uses = uses || moved[v];
        }
        if (living && uses) object.moveTriangles.push_back(t);
      }
    }
  } catch (const std::bad_alloc&) {
    // Moving part of the selection would tear the mesh: move nothing.
    object.moveVertices.clear();
    object.moveTriangles.clear();
  }
  object.moveCacheStale = false;
}

void MoveElements(SceneObject& object, const Vec3& worldDelta) {
  // Objects that carry a 2D outline are not moved by dragging.
  if (!object.outlineShapes.empty()) return;
  Mesh& mesh = object.mesh;
  if (HasWholeObjectRecord(object)) {
    // A drag of the whole object changes its transform only.
    MarkTransformChanged(mesh);
    mesh.position = mesh.position - worldDelta;
    UpdateWorldMatrix(object);
    return;
  }
  if (object.selectionRecords.empty()) return;
  if (object.moveCacheStale) FillMoveCache(object);
  InvalidateBounds(mesh);
  if (object.moveVertices.empty()) return;

  Matrix4 inverse;
  if (!Invert(TransformMatrix(mesh.scale, mesh.rotation, Vec3{}), &inverse)) return;
  const Vec3 delta = TransformDirection(worldDelta, inverse);

  // Both buffers private first, so that a copy that cannot be made moves
  // nothing rather than the positions without their normals.
  Vec3* positions = mesh.positions.MutableData();
  MeshCorner* corners = mesh.corners.MutableData();
  if (!positions || !corners) return;
  const uint32_t vertexCount = std::min(mesh.vertexCount, mesh.positions.length());
  for (uint32_t v : object.moveVertices) {
    if (v < vertexCount) positions[v] = positions[v] - delta;
  }
  MarkChanged(mesh);
  InvalidateBounds(mesh);

  const uint32_t triangles = std::min(TriangleCount(mesh), mesh.corners.length() / 3);
  for (uint32_t t : object.moveTriangles) {
    if (t >= triangles) continue;
    MeshCorner* c = corners + size_t{t} * 3;
    if (c[0].vertexIndex >= vertexCount || c[1].vertexIndex >= vertexCount ||
        c[2].vertexIndex >= vertexCount) {
      continue;
    }
    const Vec3 n = FaceNormal(positions[c[0].vertexIndex], positions[c[1].vertexIndex],
                              positions[c[2].vertexIndex]);
    c[0].normal = n;
    c[1].normal = n;
    c[2].normal = n;
  }
}

}  // namespace torvane
