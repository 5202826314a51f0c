// Duplicate: the picked triangles and edges get copies a small step out
// along the nudge direction, joined to the originals by walls, so that a
// following move drags the copies out of the surface and the walls stretch.
//
// Input: one object's triangle and edge records (a face is kept as its
// triangle records). Output: per triangle a duplicate (corners copying the
// normals and colours), two wall triangles along every edge that no other
// picked triangle shares; per edge a strip of two triangles and the record
// moved to the new edge; the duplicates as the new triangle records. A
// duplicated vertex reuses any vertex already at its position. Room for all
// of it is made first, so running out of memory changes nothing.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/cell_grid.h"
#include "core/corner_append.h"
#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {
namespace {

using namespace element;

bool IsTriangleRecord(const SelectionRecord& r) {
  return r.elementType == kSelectTriangle || r.elementType == kSelectFace;
}

bool SameEdge(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return (a == c && b == d) || (a == d && b == c);
}

// Another picked triangle (not number `self`) has edge (a, b).
bool SharedWithPicked(const std::vector<std::array<uint32_t, 3>>& picked, size_t self, uint32_t a,
                      uint32_t b) {
  for (size_t i = 0; i < picked.size(); ++i) {
    if (i == self) continue;
    const auto& v = picked[i];
    if (SameEdge(a, b, v[0], v[1]) || SameEdge(a, b, v[1], v[2]) || SameEdge(a, b, v[2], v[0]))
      return true;
  }
  return false;
}

// Below this many duplicated vertices a plain scan of the vertices is
// quicker than building a grid over them; both find the same vertex.
constexpr uint64_t kGridFromVertices = 64;

class Duplicator {
 public:
  // `room`: the vertices the positions buffer holds (the count plus the
  // room made for the duplicates).
  Duplicator(Mesh& mesh, const Vec3& offset, uint32_t room, bool useGrid)
      : mesh_(mesh), offset_(offset) {
    if (!useGrid) return;
    const Vec3* p = mesh.positions.data();
    grid_ = std::make_unique<CellGrid>(
        p, room,
        CellGrid::SuggestCellEdge(p, mesh.vertexCount, mesh.corners.data(), mesh.cornerCount));
    bool complete = grid_->ok();
    for (uint32_t i = 0; complete && i < mesh.vertexCount; ++i)
      complete = grid_->Insert(i);
    if (!complete) grid_.reset();
  }

  // The vertex at v's position moved by the offset: the first vertex already
  // there, else a new one (room was made beforehand).
  uint32_t Moved(uint32_t v) {
    const auto found = moved_.find(v);
    if (found != moved_.end()) return found->second;
    const Vec3 target = mesh_.positions.data()[v] + offset_;
    uint32_t index = grid_ ? grid_->FindLowestEqual(target) : Scan(target);
    if (index == kDeadIndex) {
      index = mesh_.vertexCount;
      mesh_.positions.MutableData()[index] = target;
      mesh_.vertexCount = index + 1;
      // Out of memory in the grid: the scan takes over from here.
      if (grid_ && !grid_->Insert(index)) grid_.reset();
    }
    moved_.emplace(v, index);
    return index;
  }

 private:
  uint32_t Scan(const Vec3& target) const {
    const Vec3* p = mesh_.positions.data();
    for (uint32_t i = 0; i < mesh_.vertexCount; ++i) {
      if (PositionsEqual(p[i], target)) return i;
    }
    return kDeadIndex;
  }

  Mesh& mesh_;
  Vec3 offset_;
  std::unique_ptr<CellGrid> grid_;
  std::unordered_map<uint32_t, uint32_t> moved_;
};

Vec3 NudgeDirection(const Mesh& mesh, const SelectionRecords& records) {
  Vec3 sum;
  const uint32_t corners = ReadableCorners(mesh);
  for (const SelectionRecord& r : records) {
    const uint32_t k0 = r.indices[3];
    if (k0 < corners) sum = sum + mesh.corners.data()[k0].normal;
  }
  const float length = std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z);
  return length > 0.0f ? sum * (1.0f / length) : Vec3{};
}

}  // namespace

bool DuplicateObjectElements(SceneObject& object) {
  // An object holding a 2D outline has no picked triangles of its own yet.
  if (!object.outlineShapes.empty()) return true;
  Mesh& mesh = object.mesh;
  const uint32_t vertices = ReadableVertices(mesh);
  const uint32_t corners = ReadableCorners(mesh);
  std::vector<const SelectionRecord*> triangles;
  std::vector<SelectionRecord*> edges;
  std::vector<std::array<uint32_t, 3>> picked;  // the triangles' vertices
  SelectionRecords records;
  try {
    for (const SelectionRecord& r : object.selectionRecords) {
      const auto& v = r.indices;
      const MeshCorner* c = mesh.corners.data();
      const bool triangle = v[3] % 3 == 0 && v[4] == v[3] + 1 && v[5] == v[3] + 2 &&
                            v[5] < corners && IsLiveTriangle(c + v[3], vertices);
      if (IsTriangleRecord(r) && triangle) {
        records.push_back(r);
      } else if (r.elementType == kSelectEdge && v[0] < vertices && v[1] < vertices &&
                 v[0] != v[1] && v[3] < corners) {
        records.push_back(r);
      }
    }
    for (SelectionRecord& r : records) {
      if (IsTriangleRecord(r)) {
        triangles.push_back(&r);
        const MeshCorner* c = mesh.corners.data() + r.indices[3];
        picked.push_back({c[0].vertexIndex, c[1].vertexIndex, c[2].vertexIndex});
      } else {
        edges.push_back(&r);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  // At most three new vertices and nine triangles (duplicate and walls) per
  // triangle, two vertices and two triangles per edge.
  const uint64_t newVertices = uint64_t{triangles.size()} * 3 + uint64_t{edges.size()} * 2;
  const uint64_t newCorners = uint64_t{triangles.size()} * 21 + uint64_t{edges.size()} * 6;
  if (uint64_t{mesh.vertexCount} + newVertices > UINT32_MAX ||
      uint64_t{mesh.cornerCount} + newCorners > UINT32_MAX || !ReserveVertices(mesh, newVertices) ||
      !ReserveCorners(mesh, newCorners) || !mesh.positions.MutableData() ||
      !mesh.corners.MutableData()) {
    return false;
  }

  SelectionRecords kept;
  try {
    object.selectionRecords.clear();
    object.moveCacheStale = true;
    mesh.nudge = NudgeDirection(mesh, records);
    Duplicator duplicator(mesh, mesh.nudge * kDuplicateOffset,
                          static_cast<uint32_t>(mesh.vertexCount + newVertices),
                          newVertices > kGridFromVertices);
    for (size_t i = 0; i < triangles.size(); ++i) {
      const auto& v = triangles[i]->indices;
      const uint32_t k[3] = {v[3], v[4], v[5]};
      uint32_t moved[3];
      for (int j = 0; j < 3; ++j)
        moved[j] = duplicator.Moved(mesh.corners.data()[k[j]].vertexIndex);
      const uint32_t copy = mesh.cornerCount;
      MeshCorner* c = mesh.corners.MutableData();
      for (int j = 0; j < 3; ++j) {
        c[copy + j] = c[k[j]];
        c[copy + j].vertexIndex = moved[j];
      }
      mesh.cornerCount = copy + 3;
      // A wall along every edge (first -> second in the triangle's winding)
      // that no other picked triangle continues.
      const auto& original = picked[i];
      for (int j = 0; j < 3; ++j) {
        const int n = (j + 1) % 3;
        if (SharedWithPicked(picked, i, original[j], original[n])) continue;
        AppendTriangleFromCorners(mesh, k[j], k[n], copy + n);
        AppendTriangleFromCorners(mesh, k[j], copy + n, copy + j);
      }
      SelectionRecord record = *triangles[i];
      record.elementType = kSelectTriangle;
      for (int j = 0; j < 3; ++j) {
        record.indices[j] = moved[j];
        record.indices[3 + j] = copy + j;
      }
      kept.push_front(record);
    }
    for (SelectionRecord* edge : edges) {
      const uint32_t a = edge->indices[0], b = edge->indices[1];
      const uint32_t a2 = duplicator.Moved(a), b2 = duplicator.Moved(b);
      const Colour32 colour = mesh.corners.data()[edge->indices[3]].colour;
      AppendIndexedTriangle(mesh, a, b, b2, colour);
      AppendIndexedTriangle(mesh, a, b2, a2, colour);
      // The record moves to the new edge; its triangle stays the one the
      // nudge came from, so a second duplicate steps on the same way.
      edge->indices[0] = a2;
      edge->indices[1] = b2;
      kept.push_front(*edge);
    }
  } catch (const std::bad_alloc&) {
    // Only the bookkeeping can fail; the geometry appended so far stands.
  }
  MarkChanged(mesh);
  InvalidateBounds(mesh);
  TrimMesh(mesh);
  // The duplicates in the order they were made, newest at the head.
  object.selectionRecords = std::move(kept);
  object.pickFlag = false;
  if (object.selectionRecords.empty()) EndSelection(object);
  return true;
}

}  // namespace torvane
