// ClipEachOther and MovePieces: the two clips of a boolean that do not
// depend on each other, run side by side.
//
// Inputs: trees a and b sharing one store. Output: as ClipTo(a, b) followed
// by ClipTo(b, a), bit for bit. The second clip works in a copy of the
// store, so neither thread sees the other's store grow; its pieces are then
// moved behind the first clip's, the order in which one clip after the
// other would have made them.
#include <new>

#include "solid/bsp_internal.h"
#include "solid/side_task.h"

namespace torvane::bsp {

void MovePieces(CsgStore& from, size_t polygonBase, size_t vertexBase, CsgStore& into,
                CsgTree& tree) {
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
  for (CsgNode& node : tree.nodes)
    for (CsgPolygonId& id : node.polygons)
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
    const CsgResult first = ClipTo(a, b, monitor);
    return first != kCsgDone ? first : ClipTo(b, a, monitor);
  }
  const size_t polygonBase = copy.polygons.size();
  const size_t vertexBase = copy.vertices.size();
  SideTask side([&](ProgressMonitor& sideMonitor) { return ClipToIn(b, a, copy, sideMonitor); });
  const CsgResult first = ClipTo(a, b, monitor);
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
