// Small steps shared by the element edits: reading a triangle's corners
// safely, killing a triangle, the transform reset of an emptied mesh and
// ending an object's selection.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/mesh.h"
#include "core/scene_object.h"

namespace torvane::element {

// Corners and vertices an edit may read: the counts, or fewer when a buffer
// is shorter.
inline uint32_t ReadableCorners(const Mesh& mesh) {
  return std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
}
inline uint32_t ReadableVertices(const Mesh& mesh) {
  return std::min(mesh.vertexCount, mesh.positions.length());
}

// Triangle t's three corners all name readable vertices.
inline bool IsLiveTriangle(const MeshCorner* t, uint32_t vertices) {
  return t[0].vertexIndex < vertices && t[1].vertexIndex < vertices && t[2].vertexIndex < vertices;
}

inline bool Uses(const MeshCorner* t, uint32_t v) {
  return t[0].vertexIndex == v || t[1].vertexIndex == v || t[2].vertexIndex == v;
}

inline void KillTriangle(MeshCorner* t) {
  t[0].vertexIndex = t[1].vertexIndex = t[2].vertexIndex = kDeadIndex;
}

// The corners of triangle record (k0, k1, k2) when the three are corners of
// one readable triangle in that order; null otherwise.
inline MeshCorner* RecordTriangle(Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2) {
  if (k0 % 3 != 0 || k1 != k0 + 1 || k2 != k0 + 2 || k2 >= ReadableCorners(mesh)) return nullptr;
  MeshCorner* corners = mesh.corners.MutableData();
  return corners ? corners + k0 : nullptr;
}

// Position 0, rotation 0, scale 1: a mesh without triangles keeps no
// transform of its own.
inline void ResetTransform(SceneObject& object) {
  SetPosition(object.mesh, Vec3{});
  SetRotation(object.mesh, Vec3{});
  SetScale(object.mesh, Vec3{1.0f, 1.0f, 1.0f});
  UpdateWorldMatrix(object);
  InvalidateBounds(object.mesh);
}

// The object's records cleared and its selected flags dropped (the command
// takes it out of the document's selection list afterwards).
inline void EndSelection(SceneObject& object) {
  object.selectionRecords.clear();
  object.selected = false;
  object.showBoundingBox = false;
  object.moveCacheStale = true;
}

}  // namespace torvane::element
