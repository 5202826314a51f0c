// Remove duplicate vertices: merges every vertex into the lowest-numbered
// earlier vertex at an equal position and renumbers the corners.
//
// Each vertex is looked up in a CellGrid holding the representatives found
// so far (the vertices that matched no earlier representative), which gives
// the same classes as comparing every vertex with every representative of
// lower index: the lowest equal representative wins, and a vertex equal only
// to a merged vertex starts a class of its own. Survivors keep their order.
// The new arrays are built aside and swapped in at the end, so a cancel or a
// failed allocation leaves the mesh untouched.
#include <algorithm>
#include <utility>

#include "core/cell_grid.h"
#include "core/duplicate_removal.h"

namespace torvane {
namespace {

constexpr uint32_t kCheckEvery = 1000;

bool Cancelled(ProgressMonitor& monitor, uint32_t i, uint32_t n) {
  if (i % kCheckEvery != 0) return false;
  if (monitor.IsCancelled()) return true;
  monitor.SetFraction(double(i) / double(n));
  return false;
}

}  // namespace

int RemoveDuplicateVertices(Mesh& mesh, ProgressMonitor& monitor, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  if (c == 0) return kStatusDone;
  monitor.SetText("Simplifying vertices", 0);
  monitor.SetText("Getting ready...", 1);
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  const Vec3* p = mesh.positions.data();
  const MeshCorner* corners = mesh.corners.data();

  // map[i]: the representative of vertex i (i itself for a representative).
  GrowArray<uint32_t> mapArray;
  if (!mapArray.ResizeDiscard(n)) return kStatusFailed;
  uint32_t* map = mapArray.MutableData();
  CellGrid grid(p, n, CellGrid::SuggestCellEdge(p, n, corners, c));
  if (!grid.ok()) return kStatusFailed;

  monitor.SetText("Analyzing vertices...", 1);
  uint32_t duplicates = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (Cancelled(monitor, i, n)) return kStatusCancelled;
    const uint32_t r = grid.FindLowestEqual(p[i]);
    if (r != CellGrid::kNone) {
      map[i] = r;
      ++duplicates;
    } else {
      map[i] = i;
      if (!grid.Insert(i)) return kStatusFailed;
    }
  }
  if (duplicates == 0) return kStatusDone;

  monitor.SetText("Building new indices...", 1);
  const uint32_t k = n - duplicates;
  GrowArray<Vec3> newPositions;
  GrowArray<MeshCorner> newCorners;
  if (!newPositions.ResizeDiscard(k) || !newCorners.ResizeDiscard(c)) {
    return kStatusFailed;
  }
  Vec3* outP = newPositions.MutableData();
  MeshCorner* outC = newCorners.MutableData();
  // Representatives are numbered in order; map becomes the new index of
  // every vertex (a duplicate's representative is numbered before it).
  uint32_t next = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (Cancelled(monitor, i, n)) return kStatusCancelled;
    if (map[i] == i) {
      outP[next] = p[i];
      map[i] = next++;
    } else {
      map[i] = map[map[i]];
    }
  }
  // Dead corners stay dead; an index past the vertices was never valid and
  // is left as it is.
  for (uint32_t j = 0; j < c; ++j) {
    MeshCorner corner = corners[j];
    if (corner.vertexIndex < n) corner.vertexIndex = map[corner.vertexIndex];
    outC[j] = corner;
  }

  mesh.positions = std::move(newPositions);
  mesh.corners = std::move(newCorners);
  mesh.vertexCount = k;
  mesh.cornerCount = c;
  TrimMesh(mesh);
  total += duplicates;
  return kStatusDone;
}

}  // namespace torvane
