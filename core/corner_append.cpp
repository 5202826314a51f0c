// ReserveCorners, ReserveVertices and AppendIndexedTriangle.
#include "core/corner_append.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace torvane {
namespace {

// Grows `array` (keep) to at least `needed` entries. The new storage is made
// aside and only then replaces the old one, so a failed allocation leaves the
// array as it was (a failed GrowArray resize would empty it).
template <class T>
bool GrowTo(GrowArray<T>& array, uint64_t needed) {
  if (needed <= array.length()) return true;
  if (needed > UINT32_MAX) return false;
  GrowArray<T> grown;
  if (!grown.ResizeDiscard(needed)) return false;
  T* to = grown.MutableData();
  if (!to) return false;
  if (array.length() > 0) {
    std::memcpy(static_cast<void*>(to), array.data(), size_t{array.length()} * sizeof(T));
  }
  array = std::move(grown);
  return true;
}

}  // namespace

bool ReserveCorners(Mesh& mesh, uint64_t extra) {
  const uint64_t needed = uint64_t{mesh.cornerCount} + extra;
  if (needed <= mesh.corners.length()) return true;
  uint64_t target = 18;
  if (mesh.cornerCount > 0) target = uint64_t{mesh.cornerCount} + mesh.cornerCount / 2;
  return GrowTo(mesh.corners, std::max(target, needed));
}

bool ReserveVertices(Mesh& mesh, uint64_t extra) {
  const uint64_t needed = uint64_t{mesh.vertexCount} + extra;
  if (needed <= mesh.positions.length()) return true;
  uint64_t target = 18;
  if (mesh.vertexCount > 0) target = uint64_t{mesh.vertexCount} + mesh.vertexCount / 2;
  return GrowTo(mesh.positions, std::max(target, needed));
}

bool AppendIndexedTriangle(Mesh& mesh, uint32_t i0, uint32_t i1, uint32_t i2, Colour32 colour) {
  if (!ReserveCorners(mesh, 3)) return false;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return false;
  const Vec3* p = mesh.positions.data();
  const Vec3 normal = FaceNormal(p[i0], p[i1], p[i2]);
  const uint32_t k = mesh.cornerCount;
  corners[k] = MeshCorner{i0, normal, colour};
  corners[k + 1] = MeshCorner{i1, normal, colour};
  corners[k + 2] = MeshCorner{i2, normal, colour};
  mesh.cornerCount = k + 3;
  MarkChanged(mesh);
  return true;
}

}  // namespace torvane
