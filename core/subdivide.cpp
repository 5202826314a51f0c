// Subdividing one triangle: into 3 around its centroid, or into 4 at its
// edge midpoints with an optional repair of the neighbours on those edges.
// Element editing runs these on picked triangles; Subdivide all runs them
// over a whole mesh. Room for every new vertex and corner is made before the
// first change, so running out of memory leaves the mesh as it was.
#include <algorithm>

#include "core/corner_append.h"
#include "core/mesh_ops.h"

namespace torvane {
namespace {

// The vertex indices of triangle (k0, k1, k2) when all three corners exist
// and name readable vertices.
bool ReadTriangle(const Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2, uint32_t v[3]) {
  const uint32_t corners = std::min(mesh.cornerCount, mesh.corners.length());
  if (k0 >= corners || k1 >= corners || k2 >= corners) return false;
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const MeshCorner* c = mesh.corners.data();
  v[0] = c[k0].vertexIndex;
  v[1] = c[k1].vertexIndex;
  v[2] = c[k2].vertexIndex;
  return v[0] < vertices && v[1] < vertices && v[2] < vertices;
}

bool Uses(const MeshCorner* t, uint32_t v) {
  return t[0].vertexIndex == v || t[1].vertexIndex == v || t[2].vertexIndex == v;
}

bool HasDeadCorner(const MeshCorner* t) {
  return IsDeadCorner(t[0]) || IsDeadCorner(t[1]) || IsDeadCorner(t[2]);
}

struct RepairScope {
  std::span<const uint32_t> keptTriangles;  // other picked triangles
  uint32_t ownTriangle;                     // the triangle being subdivided
  uint32_t firstPiece;                      // its three appended pieces
};

// A neighbour that the repair of edge (first, second) splits.
bool IsRepairedNeighbour(const MeshCorner* t, uint32_t triangle, uint32_t first, uint32_t second,
                         const RepairScope& scope) {
  if (triangle == scope.ownTriangle) return false;
  if (triangle >= scope.firstPiece && triangle < scope.firstPiece + 3) return false;
  if (HasDeadCorner(t) || !Uses(t, first) || !Uses(t, second)) return false;
  return std::find(scope.keptTriangles.begin(), scope.keptTriangles.end(), triangle) ==
         scope.keptTriangles.end();
}

// Triangles (other than the subdivided one) that share two of its vertices:
// the most any edge repair can touch before the copies it makes.
uint64_t CountEdgeNeighbours(const Mesh& mesh, const uint32_t v[3], uint32_t ownTriangle) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  const MeshCorner* c = mesh.corners.data();
  uint64_t count = 0;
  for (uint32_t k = 0; k + 2 < n; k += 3) {
    if (k / 3 == ownTriangle || HasDeadCorner(c + k)) continue;
    const int shared = int(Uses(c + k, v[0])) + int(Uses(c + k, v[1])) + int(Uses(c + k, v[2]));
    if (shared >= 2) ++count;
  }
  return count;
}

// Splits every neighbour on edge (first, second) at its midpoint m: a copy
// with `first` replaced by m is appended, and in the neighbour itself
// `second` becomes m, so both halves keep the neighbour's winding.
void RepairEdge(Mesh& mesh, uint32_t first, uint32_t second, uint32_t m, const RepairScope& scope) {
  const uint32_t n = std::min(mesh.cornerCount, mesh.corners.length());
  for (uint32_t k = 0; k + 2 < n; k += 3) {
    if (!IsRepairedNeighbour(mesh.corners.data() + k, k / 3, first, second, scope)) continue;
    MeshCorner* t = mesh.corners.MutableData() + k;
    uint32_t copy[3];
    for (int i = 0; i < 3; ++i)
      copy[i] = t[i].vertexIndex == first ? m : t[i].vertexIndex;
    const Colour32 colour = t[0].colour;
    for (int i = 0; i < 3; ++i) {
      if (t[i].vertexIndex == second) t[i].vertexIndex = m;
    }
    // Room was made beforehand; the append cannot fail.
    AppendIndexedTriangle(mesh, copy[0], copy[1], copy[2], colour);
  }
}

}  // namespace

bool SubdivideTriangleInto3(Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2) {
  uint32_t v[3];
  if (!ReadTriangle(mesh, k0, k1, k2, v)) return true;
  if (!ReserveVertices(mesh, 1) || !ReserveCorners(mesh, 6)) return false;
  const Vec3* p = mesh.positions.data();
  const Vec3 centroid = (p[v[0]] + p[v[1]] + p[v[2]]) * 0.33333334f;
  const Colour32 colour = mesh.corners.data()[k0].colour;
  const uint32_t g = AppendVertex(mesh, centroid);
  if (g == kDeadIndex) return false;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return false;
  corners[k2].vertexIndex = g;
  AppendIndexedTriangle(mesh, v[1], v[2], g, colour);
  AppendIndexedTriangle(mesh, v[2], v[0], g, colour);
  MarkChanged(mesh);
  return true;
}

bool SubdivideTriangleInto4(Mesh& mesh, uint32_t k0, uint32_t k1, uint32_t k2,
                            bool repairNeighbours, std::span<const uint32_t> keptTriangles) {
  uint32_t v[3];
  if (!ReadTriangle(mesh, k0, k1, k2, v)) return true;
  const uint32_t ownTriangle = k0 / 3;
  // Each edge repair can at most double the triangles on the later edges,
  // so seven copies per neighbour bound everything the repair appends.
  const uint64_t neighbours = repairNeighbours ? CountEdgeNeighbours(mesh, v, ownTriangle) : 0;
  if (!ReserveVertices(mesh, 3) || !ReserveCorners(mesh, 9 + 21 * neighbours)) return false;

  const Vec3* p = mesh.positions.data();
  const Vec3 pa = p[v[0]], pb = p[v[1]], pc = p[v[2]];
  const Colour32 colour = mesh.corners.data()[k0].colour;
  const uint32_t mab = AppendVertex(mesh, (pa + pb) * 0.5f);
  const uint32_t mbc = AppendVertex(mesh, (pb + pc) * 0.5f);
  const uint32_t mca = AppendVertex(mesh, (pc + pa) * 0.5f);
  if (mab == kDeadIndex || mbc == kDeadIndex || mca == kDeadIndex) return false;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return false;
  corners[k1].vertexIndex = mab;
  corners[k2].vertexIndex = mca;
  const uint32_t firstPiece = mesh.cornerCount / 3;
  AppendIndexedTriangle(mesh, v[1], mbc, mab, colour);
  AppendIndexedTriangle(mesh, v[2], mca, mbc, colour);
  AppendIndexedTriangle(mesh, mab, mbc, mca, colour);
  if (repairNeighbours) {
    const RepairScope scope{keptTriangles, ownTriangle, firstPiece};
    RepairEdge(mesh, v[0], v[1], mab, scope);
    RepairEdge(mesh, v[1], v[2], mbc, scope);
    RepairEdge(mesh, v[2], v[0], mca, scope);
  }
  MarkChanged(mesh);
  return true;
}

}  // namespace torvane
