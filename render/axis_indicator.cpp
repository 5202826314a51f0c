#include "render/axis_indicator.h"

#include <cmath>

namespace torvane {
namespace {

// Depth of the indicator's origin: halfway into the orthographic depth range,
// so arrows pointing at the viewer are not cut by the near plane.
constexpr float kOriginDepth = 0.5f;
constexpr float kHeadLength = 12.0f;
constexpr float kHeadHalfWidth = 5.0f;

void AddLine(LineList& list, const Vec3& a, const Vec3& b, Colour32 colour) {
  list.positions.insert(list.positions.end(), {a.x, a.y, a.z, b.x, b.y, b.z});
  list.colours.push_back(colour);
  list.colours.push_back(colour);
}

float DistanceToSegment(float px, float py, const Vec3& a, const Vec3& b) {
  float dx = b.x - a.x;
  float dy = b.y - a.y;
  float lengthSquared = dx * dx + dy * dy;
  float t = 0.0f;
  if (lengthSquared > 0.0f) t = ((px - a.x) * dx + (py - a.y) * dy) / lengthSquared;
  t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
  float cx = a.x + dx * t - px;
  float cy = a.y + dy * t - py;
  return std::sqrt(cx * cx + cy * cy);
}

}  // namespace

AxisIndicator BuildAxisIndicator(const Camera& perspective, int highlighted) {
  AxisIndicator indicator;
  indicator.camera = perspective;
  CameraState& s = indicator.camera.state;
  s.orthographic = true;
  s.orthoScale = 1.0f;
  s.zoom = 1.0f;
  indicator.camera.matricesValid = false;
  float width = static_cast<float>(s.viewportWidth);
  float height = static_cast<float>(s.viewportHeight);
  Vec3 origin = Unproject(indicator.camera, width - kAxisIndicatorInset,
                          height - kAxisIndicatorInset, kOriginDepth);
  Project(indicator.camera, origin, &indicator.originPixel);

  static constexpr Colour32 kColours[3] = {kAxisColourX, kAxisColourY, kAxisColourZ};
  for (int axis = 0; axis < 3; ++axis) {
    Vec3 direction;
    (axis == 0 ? direction.x : axis == 1 ? direction.y : direction.z) = 1.0f;
    Vec3 tip = origin + direction * kAxisArrowLength;
    Colour32 colour = axis == highlighted ? kAxisHighlightColour : kColours[axis];
    AddLine(indicator.lines, origin, tip, colour);
    Vec3 side = Cross(direction, s.forward);
    float sideLength = Length(side);
    if (sideLength > 1e-4f) {
      side = side * (kHeadHalfWidth / sideLength);
      Vec3 back = tip - direction * kHeadLength;
      AddLine(indicator.lines, tip, back + side, colour);
      AddLine(indicator.lines, tip, back - side, colour);
    }
    Project(indicator.camera, tip, &indicator.tipPixels[axis]);
  }
  return indicator;
}

bool InAxisIndicatorArea(int width, int height, float x, float y) {
  return x >= static_cast<float>(width - kAxisIndicatorArea) && x < static_cast<float>(width) &&
         y >= static_cast<float>(height - kAxisIndicatorArea) && y < static_cast<float>(height);
}

int AxisUnderPointer(const AxisIndicator& indicator, float x, float y) {
  int best = -1;
  float bestDistance = kAxisHitDistance;
  for (int axis = 0; axis < 3; ++axis) {
    float d = DistanceToSegment(x, y, indicator.originPixel, indicator.tipPixels[axis]);
    if (d <= bestDistance) {
      best = axis;
      bestDistance = d;
    }
  }
  return best;
}

std::string AxisIndicatorTooltip(int axis, bool locked) {
  if (axis < 0 || axis > 2) return "Right-Click and drag to rotate the camera view";
  static constexpr const char* kNames[3] = {"X", "Y", "Z"};
  return std::string(locked ? "Click to enable " : "Click to disable ") + kNames[axis] +
         " axis movement";
}

}  // namespace torvane
