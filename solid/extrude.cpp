// Extrude: the flat face of the outline turned into a closed solid of zero
// depth whose cap, selected, is then moved to give the depth.
#include <algorithm>
#include <cmath>
#include <map>
#include <new>
#include <utility>

#include "core/move_elements.h"
#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

Vec3 Normalised(const Vec3& v) {
  const float length = Length(v);
  if (!(length > 0.0f)) return {};
  return v * (1.0f / length);
}

std::pair<uint32_t, uint32_t> EdgeKey(uint32_t a, uint32_t b) {
  return a < b ? std::pair{a, b} : std::pair{b, a};
}

// Triangle records for the triangles first .. first + count - 1.
void SelectTriangles(SceneObject& object, uint32_t first, uint32_t count) {
  object.selectionRecords.clear();
  const MeshCorner* corners = object.mesh.corners.data();
  for (uint32_t t = first; t < first + count; ++t) {
    SelectionRecord record;
    record.elementType = kSelectTriangle;
    record.ownerId = object.id;
    for (uint32_t k = 0; k < 3; ++k) {
      record.indices[k] = corners[size_t{t} * 3 + k].vertexIndex;
      record.indices[3 + k] = t * 3 + k;
    }
    object.selectionRecords.push_back(record);
  }
  object.moveCacheStale = true;
}

// The mesh from the outline: the transform reset, so that the solid stands
// where the outline was drawn, the outline and its drawing state gone.
bool InstallFromOutline(SceneObject& object, const MeshParts& parts) {
  if (!InstallMeshParts(object.mesh, parts, object.mesh.colour)) return false;
  object.mesh.scale = {1.0f, 1.0f, 1.0f};
  object.mesh.rotation = {};
  object.mesh.position = {};
  UpdateWorldMatrix(object);
  RemoveOutline(object);
  return true;
}

}  // namespace

MeshParts ExtrudedParts(const MeshParts& face, uint32_t* capFirst, Vec3* direction) {
  MeshParts out;
  out.positions = face.positions;
  Vec3 sum;
  std::map<std::pair<uint32_t, uint32_t>, int> edgeUses;
  for (const TriangleIndices& t : face.triangles) {
    sum = sum + FaceNormal(face.positions[t[0]], face.positions[t[1]], face.positions[t[2]]) * 3.0f;
    for (int k = 0; k < 3; ++k)
      ++edgeUses[EdgeKey(t[k], t[(k + 1) % 3])];
  }
  if (direction) *direction = Normalised(sum);

  // Each vertex of the face once more, at the same place, for the cap.
  std::vector<uint32_t> duplicate(face.positions.size(), kDeadIndex);
  for (const TriangleIndices& t : face.triangles) {
    for (uint32_t v : t) {
      if (duplicate[v] != kDeadIndex) continue;
      duplicate[v] = static_cast<uint32_t>(out.positions.size());
      out.positions.push_back(face.positions[v]);
    }
  }
  // The base faces away from the cap.
  for (const TriangleIndices& t : face.triangles)
    out.triangles.push_back({t[0], t[2], t[1]});
  // Walls on the edges no other face triangle shares.
  for (const TriangleIndices& t : face.triangles) {
    for (int k = 0; k < 3; ++k) {
      const uint32_t a = t[k], b = t[(k + 1) % 3];
      if (edgeUses[EdgeKey(a, b)] != 1) continue;
      out.triangles.push_back({a, b, duplicate[b]});
      out.triangles.push_back({a, duplicate[b], duplicate[a]});
    }
  }
  if (capFirst) *capFirst = static_cast<uint32_t>(out.triangles.size());
  for (const TriangleIndices& t : face.triangles)
    out.triangles.push_back({duplicate[t[0]], duplicate[t[1]], duplicate[t[2]]});
  return out;
}

bool BuildFlatFace(SceneObject& object) {
  if (object.outlineShapes.empty()) return false;
  try {
    const MeshParts face = FlatFaceParts(object);
    if (!InstallFromOutline(object, face)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  SelectTriangles(object, 0, TriangleCount(object.mesh));
  return true;
}

bool EnclosesArea(const MeshParts& face) {
  for (const TriangleIndices& t : face.triangles) {
    if (t[0] >= face.positions.size() || t[1] >= face.positions.size() ||
        t[2] >= face.positions.size()) {
      continue;
    }
    const Vec3& a = face.positions[t[0]];
    const Vec3 n = Cross(face.positions[t[1]] - a, face.positions[t[2]] - a);
    if (Dot(n, n) > 0.0f) return true;
  }
  return false;
}

bool ExtrudeOutline(SceneObject& object) {
  if (object.outlineShapes.empty()) return false;
  uint32_t capFirst = 0;
  Vec3 direction;
  try {
    const MeshParts face = FlatFaceParts(object);
    // An outline that covers no area (fewer than three points, or all on
    // one line) keeps its outline: its solid would have no volume.
    if (!EnclosesArea(face)) return false;
    const MeshParts parts = ExtrudedParts(face, &capFirst, &direction);
    if (!InstallFromOutline(object, parts)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  object.mesh.nudge = direction;
  RecentreOnBounds(object);
  SelectTriangles(object, capFirst, TriangleCount(object.mesh) - capFirst);
  return true;
}

void MoveCapAlongExtrusion(SceneObject& object, float depth) {
  // A move drag carries the selection by minus its delta.
  MoveElements(object, object.mesh.nudge * -depth);
}

}  // namespace torvane
