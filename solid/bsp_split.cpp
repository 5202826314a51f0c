// Planes, polygons and the cut of one polygon by a plane.
//
// Inputs: a plane and a polygon of the store. Outputs: the polygon (moved or
// copied) or its two pieces in the coplanar-front, coplanar-back, front and
// back lists. A piece takes the plane of its first three vertices.
#include <cmath>

#include "solid/bsp_internal.h"

namespace torvane {

using bsp::CancelPoll;

CsgPlane PlaneFromPoints(const CsgVertex& a, const CsgVertex& b, const CsgVertex& c) {
  const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  const float nx = uy * vz - uz * vy;
  const float ny = uz * vx - ux * vz;
  const float nz = ux * vy - uy * vx;
  const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0.0f) || !std::isfinite(length)) return {};
  CsgPlane p{nx / length, ny / length, nz / length, 0.0f};
  p.w = p.nx * a.x + p.ny * a.y + p.nz * a.z;
  if (!std::isfinite(p.w)) return {};
  return p;
}

CsgBall BallAround(std::span<const CsgVertex> vertices) {
  CsgBall ball;
  if (vertices.empty()) return ball;
  float sx = 0.0f, sy = 0.0f, sz = 0.0f;
  for (const CsgVertex& v : vertices) {
    sx += v.x;
    sy += v.y;
    sz += v.z;
  }
  const float n = static_cast<float>(vertices.size());
  ball.cx = sx / n;
  ball.cy = sy / n;
  ball.cz = sz / n;
  float far2 = 0.0f;
  for (const CsgVertex& v : vertices) {
    const float dx = v.x - ball.cx, dy = v.y - ball.cy, dz = v.z - ball.cz;
    far2 = std::max(far2, dx * dx + dy * dy + dz * dz);
  }
  // A distance is rounded by far less than 2e-6 of the magnitudes summed in
  // it, which for a vertex are at most the centre's summed over the axes
  // plus twice the radius; 1e-4 more covers the rounding of this sum.
  const float radius = std::sqrt(far2);
  const float size = std::fabs(ball.cx) + std::fabs(ball.cy) + std::fabs(ball.cz) + 2.0f * radius;
  const float reach = (radius + 2e-6f * size) * 1.0001f + 1e-30f;
  if (std::isfinite(reach)) ball.reach = reach;
  return ball;
}

bool HasPlane(const CsgPlane& plane) {
  return std::sqrt(plane.nx * plane.nx + plane.ny * plane.ny + plane.nz * plane.nz) > 0.0f;
}

CsgClass ClassifyPoint(const CsgPlane& plane, const CsgVertex& v) {
  return static_cast<CsgClass>(bsp::ClassOf(bsp::Distance(plane, v)));
}

CsgStorePtr MakeCsgStore() {
  return std::make_shared<CsgStore>();
}

CsgTree MakeCsgTree(const CsgStorePtr& store) {
  CsgTree tree;
  tree.store = store;
  return tree;
}

std::span<const CsgVertex> PolygonVertices(const CsgStore& store, CsgPolygonId id) {
  const CsgPolygon& p = store.polygons[id];
  return {store.vertices.data() + p.firstVertex, p.count};
}

namespace bsp {
namespace {

CsgPolygonId AppendPolygon(CsgStore& store, std::span<const CsgVertex> vertices,
                           const CsgPlane& plane) {
  Grow(store.vertices, vertices.size());
  Grow(store.polygons, 1);
  CsgPolygon polygon;
  polygon.plane = plane;
  polygon.firstVertex = static_cast<uint32_t>(store.vertices.size());
  polygon.count = static_cast<uint32_t>(vertices.size());
  polygon.ball = BallAround(vertices);
  if (store.vertices.size() + vertices.size() > UINT32_MAX || store.polygons.size() >= UINT32_MAX)
    throw std::bad_alloc();
  store.vertices.insert(store.vertices.end(), vertices.begin(), vertices.end());
  store.polygons.push_back(polygon);
  return static_cast<CsgPolygonId>(store.polygons.size() - 1);
}

}  // namespace

CsgPolygonId AddPiece(CsgStore& store, const std::vector<CsgVertex>& vertices,
                      const CsgPlane& fallback) {
  CsgPlane plane = PlaneFromPoints(vertices[0], vertices[1], vertices[2]);
  // A piece lies in its polygon's plane; three nearly collinear first
  // vertices would give it a plane pointing anywhere, and a node splitting
  // by that plane would cut the other solid wrongly.
  if (!HasPlane(plane) || NormalDot(plane, fallback) < 0.999f) plane = fallback;
  return AppendPolygon(store, vertices, plane);
}

uint32_t ClassifyPolygon(const CsgStore& store, const CsgPolygon& polygon, const CsgPlane& plane,
                         CancelPoll& poll, bool& cancelled) {
  if (poll()) {
    cancelled = true;
    return 0;
  }
  const uint32_t quick = QuickClass(plane, polygon.ball);
  if (quick != kUnknownClass) return quick;
  const CsgVertex* v = store.vertices.data() + polygon.firstVertex;
  uint32_t type = 0;
  for (uint32_t k = 0; k < polygon.count; ++k)
    type |= ClassOf(Distance(plane, v[k]));
  return type;
}

bool DistributeByVertices(CsgStore& store, const CsgPlane& plane, CsgPolygonId id,
                          CsgPolygonList& coplanarFront, CsgPolygonList& coplanarBack,
                          CsgPolygonList& front, CsgPolygonList& back, CancelPoll& poll,
                          SplitScratch& scratch) {
  const CsgPolygon& polygon = store.polygons[id];
  const uint32_t n = polygon.count;
  uint32_t type = 0;
  {
    // Classify without keeping the vertex classes first: only a spanning
    // polygon needs them, and it classifies again below.
    const CsgVertex* v = store.vertices.data() + polygon.firstVertex;
    for (uint32_t k = 0; k < n; ++k)
      type |= ClassOf(Distance(plane, v[k]));
  }
  switch (type) {
    case kCsgCoplanar:
      (NormalDot(polygon.plane, plane) > 0.0f ? coplanarFront : coplanarBack).push_back(id);
      return true;
    case kCsgFront:
      front.push_back(id);
      return true;
    case kCsgBack:
      back.push_back(id);
      return true;
    default:
      break;
  }
  const CsgPolygon whole = polygon;  // the store grows below
  scratch.classes.resize(n);
  {
    const CsgVertex* v = store.vertices.data() + whole.firstVertex;
    for (uint32_t k = 0; k < n; ++k)
      scratch.classes[k] = ClassOf(Distance(plane, v[k]));
  }
  std::vector<CsgVertex>& f = scratch.front;
  std::vector<CsgVertex>& b = scratch.back;
  f.clear();
  b.clear();
  const CsgVertex* v = store.vertices.data() + whole.firstVertex;
  for (uint32_t i = 0; i < n; ++i) {
    if (i % 100 == 0 && poll()) return false;
    const uint32_t j = (i + 1) % n;
    const uint32_t ci = scratch.classes[i];
    const uint32_t cj = scratch.classes[j];
    const CsgVertex vi = v[i];
    if (ci != kCsgBack) f.push_back(vi);
    if (ci != kCsgFront) b.push_back(vi);
    if ((ci | cj) == kCsgSpanning) {
      const CsgVertex vj = v[j];
      const float dx = vj.x - vi.x, dy = vj.y - vi.y, dz = vj.z - vi.z;
      const float t = (plane.w - (plane.nx * vi.x + plane.ny * vi.y + plane.nz * vi.z)) /
                      (plane.nx * dx + plane.ny * dy + plane.nz * dz);
      const CsgVertex cut{vi.x + dx * t, vi.y + dy * t, vi.z + dz * t, vi.colour};
      f.push_back(cut);
      b.push_back(cut);
    }
  }
  if (f.size() >= 3) front.push_back(AddPiece(store, f, whole.plane));
  if (b.size() >= 3) back.push_back(AddPiece(store, b, whole.plane));
  return true;
}

}  // namespace bsp

CsgResult MakePolygon(CsgStore& store, std::span<const CsgVertex> vertices, CsgPolygonId& id) {
  if (vertices.size() < 3) return kCsgOutOfMemory;
  try {
    id =
        bsp::AppendPolygon(store, vertices, PlaneFromPoints(vertices[0], vertices[1], vertices[2]));
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

CsgResult SplitPolygon(CsgStore& store, const CsgPlane& plane, CsgPolygonId polygon,
                       CsgPolygonList& coplanarFront, CsgPolygonList& coplanarBack,
                       CsgPolygonList& front, CsgPolygonList& back, ProgressMonitor& monitor) {
  CancelPoll poll(monitor);
  bsp::SplitScratch scratch;
  // Distribute into private lists, then turn moved originals into copies so
  // that the input polygon stays the caller's.
  CsgPolygonList lists[4];
  try {
    if (!bsp::DistributePolygon(store, plane, polygon, lists[0], lists[1], lists[2], lists[3], poll,
                                scratch)) {
      return kCsgCancelled;
    }
    CsgPolygonList* targets[4] = {&coplanarFront, &coplanarBack, &front, &back};
    for (int k = 0; k < 4; ++k) {
      for (CsgPolygonId id : lists[k]) {
        if (id == polygon) {
          const CsgPolygon original = store.polygons[polygon];
          std::vector<CsgVertex> copy(
              store.vertices.begin() + original.firstVertex,
              store.vertices.begin() + original.firstVertex + original.count);
          id = bsp::AppendPolygon(store, copy, original.plane);
        }
        targets[k]->push_back(id);
      }
    }
  } catch (const std::bad_alloc&) {
    return kCsgOutOfMemory;
  }
  return kCsgDone;
}

}  // namespace torvane
