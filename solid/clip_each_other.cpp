// ClipEachOther and MovePieces: the two clips of a boolean that do not
// depend on each other, run side by side.
//
// Inputs: trees a and b sharing one store. Output: as ClipTo(a, b) followed
// by ClipTo(b, a), bit for bit. The second clip works in a copy of the
// store, so neither thread sees the other's store grow; its pieces are then
// moved behind the first clip's, the order in which one clip after the
// other would have made them.
#include <algorithm>
#include <new>

#include "solid/bsp_internal.h"
#include "solid/side_task.h"

namespace torvane::bsp {

void MovePieces(CsgStore& from, size_t polygonBase, size_t vertexBase, CsgStore& into,
                CsgTree& tree, size_t firstNode, size_t endNode) {
  const size_t pieces = from.polygons.size() - polygonBase;
  const size_t vertices = from.vertices.size() - vertexBase;
  Grow(into.polygons, pieces);
  Grow(into.vertices, vertices);
  const uint32_t polygonShift = static_cast<uint32_t>(into.polygons.size() - polygonBase);
  const uint32_t vertexShift = static_cast<uint32_t>(into.vertices.size() - vertexBase);
  into.vertices.insert(into.vertices.end(), from.vertices.begin() + vertexBase,
                       from.vertices.end());
  for (size_t i = polygonBase; i < from.polygons.size(); ++i) {
    CsgPolygon polygon = from.polygons[i];
    polygon.firstVertex += vertexShift;
    into.polygons.push_back(polygon);
  }
  endNode = std::min(endNode, tree.nodes.size());
  for (size_t n = firstNode; n < endNode; ++n)
    for (CsgPolygonId& id : tree.nodes[n].polygons)
      if (id >= polygonBase) id += polygonShift;
  from = CsgStore{};
}

CsgResult ClipEachOther(CsgTree& a, CsgTree& b, ProgressMonitor& monitor) {
  CsgStore& store = *a.store;
  CsgStore copy;
  try {
    copy = store;
  } catch (const std::bad_alloc&) {
    // No room for the copy: one clip after the other.
    const CsgResult first = ClipToIn(a, b, store, monitor);
    return first != kCsgDone ? first : ClipToIn(b, a, store, monitor);
  }
  const size_t polygonBase = copy.polygons.size();
  const size_t vertexBase = copy.vertices.size();
  SideTask side([&](ProgressMonitor& sideMonitor) { return ClipToIn(b, a, copy, sideMonitor); });
  const CsgResult first = ClipToIn(a, b, store, monitor);
  const CsgResult second = side.Finish(monitor);
  if (first != kCsgDone) return first;
  if (second != kCsgDone) return second;
  try {
    MovePieces(copy, polygonBase, vertexBase, store, b);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

}  // namespace torvane::bsp

namespace torvane {

// The nodes of `a` are clipped in two halves of about as many polygons,
// the second half on another core in a copy of the store; its pieces are
// then moved behind the first half's, where one pass over all the nodes
// would have put them.
CsgResult ClipTo(CsgTree& a, const CsgTree& b, ProgressMonitor& monitor) {
  CsgStore& store = *a.store;
  size_t polygons = 0;
  for (const CsgNode& node : a.nodes)
    polygons += node.polygons.size();
  // Below this the copy and the second thread cost more than they save.
  constexpr size_t kHalvesFrom = 4096;
  if (polygons < kHalvesFrom || b.nodes.empty()) return bsp::ClipToIn(a, b, store, monitor);
  size_t half = 0;
  for (size_t seen = 0; half < a.nodes.size() && seen < polygons / 2; ++half)
    seen += a.nodes[half].polygons.size();
  CsgStore copy;
  try {
    copy = store;
  } catch (const std::bad_alloc&) {
    return bsp::ClipToIn(a, b, store, monitor);
  }
  const size_t polygonBase = copy.polygons.size();
  const size_t vertexBase = copy.vertices.size();
  const size_t end = a.nodes.size();
  SideTask side([&](ProgressMonitor& sideMonitor) {
    return bsp::ClipNodesIn(a, b, copy, half, end, sideMonitor);
  });
  const CsgResult first = bsp::ClipNodesIn(a, b, store, 0, half, monitor);
  const CsgResult second = side.Finish(monitor);
  if (first != kCsgDone) return first;
  if (second != kCsgDone) return second;
  try {
    bsp::MovePieces(copy, polygonBase, vertexBase, store, a, half, end);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

}  // namespace torvane
