// Face gathering by a breadth-first walk over the triangles that share the
// picked triangle's normal, through a vertex-to-triangle table built for
// those triangles only (linear in the mesh size).
#include "core/gather_face.h"

#include <algorithm>
#include <new>

namespace torvane {
namespace {

bool LivingTriangle(const Mesh& mesh, uint32_t t, uint32_t v[3]) {
  const MeshCorner* c = mesh.corners.data() + size_t{t} * 3;
  for (int k = 0; k < 3; ++k)
    v[k] = c[k].vertexIndex;
  return v[0] < mesh.vertexCount && v[1] < mesh.vertexCount && v[2] < mesh.vertexCount;
}

int SharedVertices(const uint32_t a[3], const uint32_t b[3]) {
  int shared = 0;
  for (int i = 0; i < 3; ++i) {
    if (a[i] == b[0] || a[i] == b[1] || a[i] == b[2]) ++shared;
  }
  return shared;
}

}  // namespace

std::vector<uint32_t> GatherFace(const Mesh& mesh, uint32_t triangle) {
  std::vector<uint32_t> face;
  const uint32_t triangles = std::min(TriangleCount(mesh), mesh.corners.length() / 3);
  uint32_t picked[3];
  if (triangle >= triangles || !mesh.positions.data() || !LivingTriangle(mesh, triangle, picked)) {
    return face;
  }
  const MeshCorner* corners = mesh.corners.data();
  const Vec3 normal = corners[size_t{triangle} * 3].normal;
  try {
    face.push_back(triangle);
    // The triangles that could belong to the face, and for every vertex the
    // candidates using it (offsets into one table).
    std::vector<uint32_t> candidates;
    std::vector<uint32_t> offsets(size_t{mesh.vertexCount} + 1, 0);
    uint32_t v[3];
    for (uint32_t t = 0; t < triangles; ++t) {
      if (!LivingTriangle(mesh, t, v) || !PositionsEqual(corners[size_t{t} * 3].normal, normal)) {
        continue;
      }
      candidates.push_back(t);
      for (uint32_t k : v)
        ++offsets[k + 1];
    }
    if (candidates.size() <= 1) return face;
    for (size_t i = 1; i < offsets.size(); ++i)
      offsets[i] += offsets[i - 1];
    std::vector<uint32_t> users(offsets.back());
    std::vector<uint32_t> fill(offsets.begin(), offsets.end() - 1);
    for (uint32_t t : candidates) {
      LivingTriangle(mesh, t, v);
      for (uint32_t k : v)
        users[fill[k]++] = t;
    }
    std::vector<bool> taken(triangles, false);
    taken[triangle] = true;
    for (size_t next = 0; next < face.size(); ++next) {
      uint32_t a[3];
      LivingTriangle(mesh, face[next], a);
      for (uint32_t k : a) {
        for (uint32_t u = offsets[k]; u < offsets[k + 1]; ++u) {
          const uint32_t t = users[u];
          if (taken[t]) continue;
          uint32_t b[3];
          LivingTriangle(mesh, t, b);
          if (SharedVertices(a, b) < 2) continue;
          taken[t] = true;
          face.push_back(t);
        }
      }
    }
  } catch (const std::bad_alloc&) {
    // Not enough memory to walk the face: the picked triangle alone.
    face.resize(std::min<size_t>(face.size(), 1));
  }
  return face;
}

}  // namespace torvane
