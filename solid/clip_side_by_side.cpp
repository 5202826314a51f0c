// The clips a boolean runs on two cores: ClipTo in two halves of the
// clipped tree's nodes, ClipEachOther, and MovePieces.
//
// Inputs: trees sharing one store. Output: bit for bit what one clip after
// the other leaves. The part on the second core works in a copy of the
// store, so neither thread sees the other's store grow; its pieces are then
// moved behind the caller's, the order in which one pass after the other
// would have made them.
#include <algorithm>
#include <functional>
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

namespace {

using StoreJob = std::function<CsgResult(CsgStore&, ProgressMonitor&)>;

// `first` in the store on the caller's thread and `second` in a copy of it
// on the second core; the copy's new pieces are then renumbered in the
// nodes [firstNode, endNode) of `secondTree`, which only `second` writes.
// Without room for the copy the two run one after the other in the store.
CsgResult SideBySide(CsgStore& store, const StoreJob& first, const StoreJob& second,
                     CsgTree& secondTree, size_t firstNode, size_t endNode,
                     ProgressMonitor& monitor) {
  CsgStore copy;
  try {
    copy = store;
  } catch (const std::bad_alloc&) {
    const CsgResult result = first(store, monitor);
    return result != kCsgDone ? result : second(store, monitor);
  }
  const size_t polygonBase = copy.polygons.size();
  const size_t vertexBase = copy.vertices.size();
  SideTask side([&](ProgressMonitor& sideMonitor) { return second(copy, sideMonitor); });
  const CsgResult firstResult = first(store, monitor);
  const CsgResult secondResult = side.Finish(monitor);
  if (firstResult != kCsgDone) return firstResult;
  if (secondResult != kCsgDone) return secondResult;
  try {
    MovePieces(copy, polygonBase, vertexBase, store, secondTree, firstNode, endNode);
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

}  // namespace

CsgResult ClipEachOther(CsgTree& a, CsgTree& b, ProgressMonitor& monitor) {
  return SideBySide(
      *a.store, [&](CsgStore& s, ProgressMonitor& m) { return ClipToIn(a, b, s, m); },
      [&](CsgStore& s, ProgressMonitor& m) { return ClipToIn(b, a, s, m); }, b, 0, b.nodes.size(),
      monitor);
}

}  // namespace torvane::bsp

namespace torvane {

// The nodes of `a` are clipped in two halves of about as many polygons.
CsgResult ClipTo(CsgTree& a, const CsgTree& b, ProgressMonitor& monitor) {
  size_t polygons = 0;
  for (const CsgNode& node : a.nodes)
    polygons += node.polygons.size();
  // Below this the copy and the second thread cost more than they save.
  constexpr size_t kHalvesFrom = 4096;
  if (polygons < kHalvesFrom || b.nodes.empty()) return bsp::ClipToIn(a, b, *a.store, monitor);
  size_t half = 0;
  for (size_t seen = 0; half < a.nodes.size() && seen < polygons / 2; ++half)
    seen += a.nodes[half].polygons.size();
  const size_t end = a.nodes.size();
  return bsp::SideBySide(
      *a.store,
      [&](CsgStore& s, ProgressMonitor& m) { return bsp::ClipNodesIn(a, b, s, 0, half, m); },
      [&](CsgStore& s, ProgressMonitor& m) { return bsp::ClipNodesIn(a, b, s, half, end, m); }, a,
      half, end, monitor);
}

}  // namespace torvane
