// The flat face of an outline: closing it, alternate-vertex reduction for
// the drawn shapes, ear clipping (one run per winding) for line outlines.
#include <algorithm>
#include <cmath>

#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

struct Point2 {
  double u = 0.0;
  double v = 0.0;
};

// The outline's points in the coordinates of its drawing plane.
std::vector<Point2> InPlane(const std::vector<Vec3>& points, int planeCode) {
  std::vector<Point2> out;
  out.reserve(points.size());
  for (const Vec3& p : points) {
    switch (planeCode) {
      case kPlaneRight:
        out.push_back({p.y, p.z});
        break;
      case kPlaneTop:
        out.push_back({p.x, p.z});
        break;
      default:
        out.push_back({p.x, p.y});
        break;
    }
  }
  return out;
}

// A plane code for points that carry none: the axis the polygon's normal
// (Newell's sum) leans on most.
int PlaneOfPoints(const std::vector<Vec3>& points) {
  Vec3 n;
  for (size_t i = 0; i < points.size(); ++i) {
    const Vec3& a = points[i];
    const Vec3& b = points[(i + 1) % points.size()];
    n = n + Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
  }
  const float x = std::fabs(n.x), y = std::fabs(n.y), z = std::fabs(n.z);
  if (x >= y && x >= z) return kPlaneRight;
  if (y >= z) return kPlaneTop;
  return kPlaneFront;
}

double Turn(const Point2& a, const Point2& b, const Point2& c) {
  return (b.u - a.u) * (c.v - b.v) - (b.v - a.v) * (c.u - b.u);
}

bool StrictlyInside(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
  const double e0u = b.u - a.u, e0v = b.v - a.v;
  const double e1u = c.u - a.u, e1v = c.v - a.v;
  const double det = e0u * e1v - e0v * e1u;
  if (det == 0.0) return false;
  const double pu = p.u - a.u, pv = p.v - a.v;
  const double u = (pu * e1v - pv * e1u) / det;
  const double v = (e0u * pv - e0v * pu) / det;
  return u > 0.0 && v > 0.0 && u + v < 1.0;
}

// One ear-clipping run for the winding `sign` (+1 or -1).
std::vector<TriangleIndices> EarRun(const std::vector<Point2>& pts, double sign) {
  std::vector<TriangleIndices> triangles;
  std::vector<uint32_t> r(pts.size());
  for (uint32_t i = 0; i < r.size(); ++i)
    r[i] = i;
  size_t i = 0;
  while (r.size() >= 3) {
    const size_t m = r.size();
    if (m < 4 || i >= m) {
      triangles.push_back({r[0], r[1], r[2]});
      break;
    }
    const uint32_t a = r[i], b = r[(i + 1) % m], c = r[(i + 2) % m];
    const double turn = Turn(pts[a], pts[b], pts[c]);
    const double ab = std::hypot(pts[b].u - pts[a].u, pts[b].v - pts[a].v);
    const double bc = std::hypot(pts[c].u - pts[b].u, pts[c].v - pts[b].v);
    if (std::fabs(turn) <= 1e-9 * ab * bc) {
      // The outline runs straight on (or doubles back) at b: b bounds no
      // area, so it leaves the polygon without a triangle of zero area.
      r.erase(r.begin() + static_cast<std::ptrdiff_t>((i + 1) % m));
      i = 0;
      continue;
    }
    bool ear = turn * sign > 0.0;
    for (size_t k = 0; ear && k < m; ++k) {
      const uint32_t q = r[k];
      if (q == a || q == b || q == c) continue;
      if (StrictlyInside(pts[q], pts[a], pts[b], pts[c])) ear = false;
    }
    if (ear) {
      triangles.push_back({a, b, c});
      r.erase(r.begin() + static_cast<std::ptrdiff_t>((i + 1) % m));
      i = 0;
    } else {
      ++i;
    }
  }
  return triangles;
}

}  // namespace

std::vector<OutlineSegment> ClosedOutline(const SceneObject& object) {
  std::vector<OutlineSegment> segments = OutlineSegments(object);
  if (segments.empty()) return segments;
  const Vec3 last = segments.back().end;
  const Vec3 first = segments.front().start;
  if (!PositionsEqual(last, first)) {
    OutlineSegment closing;
    closing.start = last;
    closing.end = first;
    closing.colour = kClosingColour;
    closing.inUse = true;
    segments.push_back(closing);
  }
  return segments;
}

std::vector<TriangleIndices> AlternateVertexTriangles(uint32_t n) {
  std::vector<TriangleIndices> triangles;
  std::vector<uint32_t> ring(n);
  for (uint32_t i = 0; i < n; ++i)
    ring[i] = i;
  while (ring.size() > 2) {
    const size_t m = ring.size();
    std::vector<uint32_t> kept{ring[0]};
    for (size_t i = 0; i + 1 < m; i += 2) {
      if (i + 2 < m) {
        triangles.push_back({ring[i], ring[i + 1], ring[i + 2]});
        kept.push_back(ring[i + 2]);
      } else {
        // One vertex left over: the first vertex closes the last triangle.
        triangles.push_back({ring[i], ring[i + 1], ring[0]});
      }
    }
    ring = std::move(kept);
  }
  return triangles;
}

std::vector<TriangleIndices> EarClipTriangles(const std::vector<Vec3>& points, int planeCode) {
  if (points.size() < 3) return {};
  if (planeCode < kPlaneFront || planeCode > kPlaneTop) planeCode = PlaneOfPoints(points);
  const std::vector<Point2> pts = InPlane(points, planeCode);
  std::vector<TriangleIndices> first = EarRun(pts, 1.0);
  std::vector<TriangleIndices> second = EarRun(pts, -1.0);
  return second.size() > first.size() ? second : first;
}

MeshParts FlatFaceParts(const SceneObject& object) {
  MeshParts parts;
  for (const OutlineSegment& s : ClosedOutline(object))
    parts.positions.push_back(s.start);
  const uint32_t n = static_cast<uint32_t>(parts.positions.size());
  parts.triangles = object.outlineFlagC
                        ? EarClipTriangles(parts.positions, static_cast<int>(object.outlineMode))
                        : AlternateVertexTriangles(n);
  return parts;
}

}  // namespace torvane
