// Form by slices: the outline inflated out of its drawing plane so that
// every slice through it is a circle whose diameter is the slice's length
// inside the outline.
//
// The slice lines run through every outline point (and every point where two
// outline segments cross). Between two neighbouring slice lines the same
// segments cross every slice, so by even-odd pairing they bound trapezoids;
// each trapezoid carries its span on its two slice lines. A span that
// continues the span of the trapezoid below it exactly extends that chain;
// anything else (a chain's start, its end, a split or a merge of parts)
// starts a new chain. Every chain becomes one closed tube of 25-point rings:
// rings of successive spans stitched, a fan where the span shrinks to an
// outline point, a flat cap where a chain ends with a ring of non-zero size.
// The tubes touch but never overlap, so the whole is a closed solid.
#include <algorithm>
#include <cmath>

#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

struct SliceAxes {
  int span;
  int advance;
  int normal;
  int ringCos;
  int ringSin;
};

SliceAxes AxesFor(int planeCode, SliceDirection direction) {
  const bool vertical = direction == SliceDirection::kVertical;
  switch (planeCode) {
    case kPlaneRight:
      return vertical ? SliceAxes{1, 2, 0, 0, 1} : SliceAxes{2, 1, 0, 0, 2};
    case kPlaneTop:
      return vertical ? SliceAxes{2, 0, 1, 2, 1} : SliceAxes{0, 2, 1, 0, 1};
    default:
      return vertical ? SliceAxes{1, 0, 2, 2, 1} : SliceAxes{0, 1, 2, 0, 2};
  }
}

double AxisOf(const Vec3& p, int axis) {
  return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

void SetAxis(Vec3& p, int axis, double value) {
  (axis == 0 ? p.x : (axis == 1 ? p.y : p.z)) = static_cast<float>(value);
}

struct Point2 {
  double u = 0.0;  // along the span direction
  double v = 0.0;  // along the direction the slices advance
};

struct Span {
  double level = 0.0;
  double lo = 0.0;
  double hi = 0.0;
};

using Chain = std::vector<Span>;

// u of the segment a-b on the slice line v = level (its end point when that
// lies on the line).
double UAt(const Point2& a, const Point2& b, double level, double tol) {
  if (std::fabs(a.v - level) <= tol) return a.u;
  if (std::fabs(b.v - level) <= tol) return b.u;
  return a.u + (b.u - a.u) * (level - a.v) / (b.v - a.v);
}

// The advance coordinates of the points where two segments that share no
// end point cross.
void AddCrossingLevels(const std::vector<Point2>& pts, std::vector<double>& levels) {
  const size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    const Point2& a = pts[i];
    const Point2& b = pts[(i + 1) % n];
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the closing point
      const Point2& c = pts[j];
      const Point2& d = pts[(j + 1) % n];
      const double rx = b.u - a.u, ry = b.v - a.v;
      const double sx = d.u - c.u, sy = d.v - c.v;
      const double denom = rx * sy - ry * sx;
      if (denom == 0.0) continue;
      const double t = ((c.u - a.u) * sy - (c.v - a.v) * sx) / denom;
      const double s = ((c.u - a.u) * ry - (c.v - a.v) * rx) / denom;
      if (t > 0.0 && t < 1.0 && s > 0.0 && s < 1.0) levels.push_back(a.v + t * ry);
    }
  }
}

class TubeBuilder {
 public:
  TubeBuilder(const SliceAxes& axes, double normal, double spanTol, MeshParts& out)
      : axes_(axes), normal_(normal), spanTol_(spanTol), out_(out) {}

  void Add(const Chain& chain) {
    if (chain.size() < 2) return;
    const bool firstPoint = IsPoint(chain.front());
    const bool lastPoint = IsPoint(chain.back());
    if (chain.size() == 2 && firstPoint && lastPoint) return;  // no area
    const size_t firstTriangle = out_.triangles.size();
    std::vector<uint32_t> starts;
    for (const Span& span : chain)
      starts.push_back(AddRingOrPoint(span));
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
      const bool a = IsPoint(chain[i]);
      const bool b = IsPoint(chain[i + 1]);
      for (uint32_t k = 0; k < kRingPoints; ++k) {
        const uint32_t k1 = (k + 1) % kRingPoints;
        const uint32_t A = starts[i], B = starts[i + 1];
        if (!a && !b) {
          out_.triangles.push_back({A + k, A + k1, B + k1});
          out_.triangles.push_back({A + k, B + k1, B + k});
        } else if (a && !b) {
          out_.triangles.push_back({A, B + k1, B + k});
        } else if (!a && b) {
          out_.triangles.push_back({B, A + k, A + k1});
        }
      }
    }
    if (!firstPoint) Cap(starts.front(), /*reversed=*/true);
    if (!lastPoint) Cap(starts.back(), /*reversed=*/false);
    FaceOutward(firstTriangle);
  }

 private:
  bool IsPoint(const Span& span) const { return span.hi - span.lo <= spanTol_; }

  uint32_t AddRingOrPoint(const Span& span) {
    const uint32_t start = static_cast<uint32_t>(out_.positions.size());
    const double half = (span.hi - span.lo) * 0.5;
    Vec3 centre;
    SetAxis(centre, axes_.span, span.lo + half);
    SetAxis(centre, axes_.advance, span.level);
    SetAxis(centre, axes_.normal, normal_);
    if (IsPoint(span)) {
      out_.positions.push_back(centre);
      return start;
    }
    const float radius = static_cast<float>(half);
    for (int k = 0; k < kRingPoints; ++k) {
      const float angle = static_cast<float>(k) * kRingAngleStep;
      Vec3 p = centre;
      SetAxis(p, axes_.ringCos, AxisOf(p, axes_.ringCos) + radius * std::cos(angle));
      SetAxis(p, axes_.ringSin, AxisOf(p, axes_.ringSin) + radius * std::sin(angle));
      out_.positions.push_back(p);
    }
    return start;
  }

  // The ring closed by alternate-vertex reduction; `reversed` runs the ring
  // backwards (the start of a chain).
  void Cap(uint32_t start, bool reversed) {
    for (const TriangleIndices& t : AlternateVertexTriangles(kRingPoints)) {
      TriangleIndices mapped;
      for (int k = 0; k < 3; ++k)
        mapped[k] = start + (reversed ? kRingPoints - 1 - t[k] : t[k]);
      out_.triangles.push_back(mapped);
    }
  }

  // A tube whose triangles enclose a negative volume is turned inside out.
  void FaceOutward(size_t firstTriangle) {
    double volume = 0.0;
    for (size_t t = firstTriangle; t < out_.triangles.size(); ++t) {
      const Vec3& a = out_.positions[out_.triangles[t][0]];
      const Vec3& b = out_.positions[out_.triangles[t][1]];
      const Vec3& c = out_.positions[out_.triangles[t][2]];
      volume += static_cast<double>(Dot(a, Cross(b, c)));
    }
    if (volume >= 0.0) return;
    for (size_t t = firstTriangle; t < out_.triangles.size(); ++t)
      std::swap(out_.triangles[t][1], out_.triangles[t][2]);
  }

  SliceAxes axes_;
  double normal_;
  double spanTol_;
  MeshParts& out_;
};

}  // namespace

MeshParts SliceParts(const std::vector<OutlineSegment>& closed, int planeCode,
                     SliceDirection direction) {
  MeshParts out;
  const SliceAxes axes = AxesFor(planeCode, direction);
  std::vector<Point2> pts;
  double extent = 1.0;
  for (const OutlineSegment& s : closed) {
    if (PositionsEqual(s.start, s.end)) continue;  // zero-length segments slice nothing
    pts.push_back({AxisOf(s.start, axes.span), AxisOf(s.start, axes.advance)});
    extent = std::max({extent, std::fabs(pts.back().u), std::fabs(pts.back().v)});
  }
  if (pts.size() < 3) return out;
  const double normal = AxisOf(closed.front().start, axes.normal);
  const double tol = kPositionTolerance * extent;
  const double spanTol = 1e-6 * extent;

  std::vector<double> levels;
  for (const Point2& p : pts)
    levels.push_back(p.v);
  AddCrossingLevels(pts, levels);
  std::sort(levels.begin(), levels.end());
  std::vector<double> slices;
  for (double level : levels) {
    if (slices.empty() || level - slices.back() > tol) slices.push_back(level);
  }

  std::vector<Chain> chains;
  std::vector<size_t> active;  // chains whose last span lies on the current slice line
  const size_t n = pts.size();
  for (size_t j = 0; j + 1 < slices.size(); ++j) {
    const double lo = slices[j], hi = slices[j + 1];
    const double mid = (lo + hi) * 0.5;
    struct Crossing {
      double u;
      size_t edge;
    };
    std::vector<Crossing> crossings;
    for (size_t e = 0; e < n; ++e) {
      const Point2& a = pts[e];
      const Point2& b = pts[(e + 1) % n];
      if (std::min(a.v, b.v) < mid && std::max(a.v, b.v) > mid)
        crossings.push_back({a.u + (b.u - a.u) * (mid - a.v) / (b.v - a.v), e});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& x, const Crossing& y) { return x.u < y.u; });
    std::vector<size_t> next;
    // Even-odd: the inside lies between the first and second crossing, the
    // third and fourth, and so on.
    for (size_t c = 0; c + 1 < crossings.size(); c += 2) {
      const Point2& la = pts[crossings[c].edge];
      const Point2& lb = pts[(crossings[c].edge + 1) % n];
      const Point2& ra = pts[crossings[c + 1].edge];
      const Point2& rb = pts[(crossings[c + 1].edge + 1) % n];
      const double l0 = UAt(la, lb, lo, tol), r0 = UAt(ra, rb, lo, tol);
      const double l1 = UAt(la, lb, hi, tol), r1 = UAt(ra, rb, hi, tol);
      const Span bottom{lo, std::min(l0, r0), std::max(l0, r0)};
      const Span top{hi, std::min(l1, r1), std::max(l1, r1)};
      size_t chosen = chains.size();
      for (size_t a : active) {
        const Span& last = chains[a].back();
        if (last.hi - last.lo <= spanTol) continue;  // a chain never runs through a point
        if (std::fabs(last.lo - bottom.lo) <= spanTol &&
            std::fabs(last.hi - bottom.hi) <= spanTol &&
            std::find(next.begin(), next.end(), a) == next.end()) {
          chosen = a;
          break;
        }
      }
      if (chosen == chains.size()) chains.push_back({bottom});
      chains[chosen].push_back(top);
      next.push_back(chosen);
    }
    active = std::move(next);
  }

  TubeBuilder tubes(axes, normal, spanTol, out);
  for (const Chain& chain : chains)
    tubes.Add(chain);
  return out;
}

}  // namespace torvane
