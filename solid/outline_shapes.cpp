// Shape generation of the 2D drawing tools: the segments of a circle,
// ellipse, rectangle or line from the anchor and the pointer, in the
// drawing plane of the view.
#include <cmath>

#include "solid/outline.h"

namespace torvane {
namespace {

float& Axis(Vec3& p, int axis) {
  return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

float AxisOf(const Vec3& p, int axis) {
  return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

// The two in-plane axes of a view: the first takes the cosine of a circle's
// angle, the second the sine (front x, y; right z, y; top x, z).
struct PlaneAxes {
  int cosine;
  int sine;
};

PlaneAxes AxesOfView(int view) {
  switch (view) {
    case kPlaneRight:
      return {2, 1};
    case kPlaneTop:
      return {0, 2};
    default:
      return {0, 1};
  }
}

OutlineSegment Segment(const Vec3& start, const Vec3& end) {
  OutlineSegment s;
  s.start = start;
  s.end = end;
  return s;
}

// Points centre + (sx cos t, sy sin t): the start at t = 0, then t from
// 0.25 in steps of 0.25 while t stays within a full turn and fewer than
// `limit` points were made, each joined to the previous one; a last
// segment closes back to the start.
std::vector<OutlineSegment> Loop(int view, const Vec3& centre, float sx, float sy, int limit) {
  const PlaneAxes axes = AxesOfView(view);
  auto at = [&](float t) {
    Vec3 p = centre;
    Axis(p, axes.cosine) += sx * std::cos(t);
    Axis(p, axes.sine) += sy * std::sin(t);
    return p;
  };
  std::vector<OutlineSegment> segments;
  const Vec3 start = at(0.0f);
  Vec3 previous = start;
  int made = 0;
  for (float t = kOutlineAngleStep; t <= kOutlineFullTurn && made < limit; t += kOutlineAngleStep) {
    const Vec3 p = at(t);
    segments.push_back(Segment(previous, p));
    previous = p;
    ++made;
  }
  segments.push_back(Segment(previous, start));
  return segments;
}

}  // namespace

int ViewingAxis(int view) {
  switch (view) {
    case kPlaneFront:
      return 2;
    case kPlaneRight:
      return 0;
    case kPlaneTop:
      return 1;
    default:
      return -1;
  }
}

Vec3 OnDrawingPlane(int view, Vec3 point) {
  const int axis = ViewingAxis(view);
  if (axis >= 0) Axis(point, axis) = 0.0f;
  return point;
}

std::vector<OutlineSegment> GenerateShape(uint32_t drawMode, int view, Vec3 a, Vec3 p) {
  const int depthAxis = ViewingAxis(view);
  if (depthAxis < 0) return {};
  // The radius is the full distance; the points themselves keep the
  // anchor's depth, so the shape lies in the view's plane.
  const float radius = Length(p - a);
  Axis(p, depthAxis) = AxisOf(a, depthAxis);
  const PlaneAxes axes = AxesOfView(view);
  switch (drawMode) {
    case kDrawCircle:
      return Loop(view, a, radius, radius, kCirclePointLimit);
    case kDrawEllipse: {
      Vec3 centre = a;
      for (int axis : {axes.cosine, axes.sine})
        Axis(centre, axis) = AxisOf(a, axis) + (AxisOf(p, axis) - AxisOf(a, axis)) * 0.5f;
      const float sx = std::fabs(AxisOf(p, axes.cosine) - AxisOf(a, axes.cosine)) * 0.5f;
      const float sy = std::fabs(AxisOf(p, axes.sine) - AxisOf(a, axes.sine)) * 0.5f;
      return Loop(view, centre, sx, sy, kEllipsePointLimit);
    }
    case kDrawRectangle: {
      // The corner after the anchor takes the pointer's first plane
      // coordinate (front and top: x; right: z), the one after the pointer
      // the anchor's.
      const int first = view == kPlaneRight ? 2 : 0;
      const int second = view == kPlaneRight ? 1 : (view == kPlaneTop ? 2 : 1);
      Vec3 c2 = a;
      Axis(c2, first) = AxisOf(p, first);
      Vec3 c4 = a;
      Axis(c4, second) = AxisOf(p, second);
      return {Segment(a, c2), Segment(c2, p), Segment(p, c4), Segment(c4, a)};
    }
    case kDrawLine:
      return {Segment(p, a)};
    default:
      return {};
  }
}

}  // namespace torvane
