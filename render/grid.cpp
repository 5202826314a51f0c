#include "render/grid.h"

namespace torvane {
namespace {

// Per-axis range of one grid set: lines lie at every integer of [lo, hi]
// except 0 and span the whole range.
struct AxisRange {
  int lo;
  int hi;
};

void AddLine(LineList& list, const float a[3], const float b[3], Colour32 colour) {
  list.positions.insert(list.positions.end(), {a[0], a[1], a[2], b[0], b[1], b[2]});
  list.colours.push_back(colour);
  list.colours.push_back(colour);
}

Colour32 LineColour(int along, int coordinate) {
  if (coordinate % 10 != 0) return kGridLineColour;
  static constexpr Colour32 kTenth[3] = {kTenthLineColourX, kTenthLineColourY, kTenthLineColourZ};
  return kTenth[along];
}

// Lines of the plane spanned by axes u and v (0 x, 1 y, 2 z) at 0 on the
// third: lines along u at every v coordinate, and along v at every u one.
void AddPlane(LineList& list, int u, int v, const AxisRange ranges[3]) {
  for (int pass = 0; pass < 2; ++pass) {
    int along = pass == 0 ? u : v;
    int across = pass == 0 ? v : u;
    int lo = ranges[across].lo < ranges[across].hi ? ranges[across].lo : ranges[across].hi;
    int hi = ranges[across].lo < ranges[across].hi ? ranges[across].hi : ranges[across].lo;
    for (int c = lo; c <= hi; ++c) {
      if (c == 0) continue;
      float a[3] = {0, 0, 0};
      float b[3] = {0, 0, 0};
      a[across] = b[across] = static_cast<float>(c);
      a[along] = static_cast<float>(ranges[along].lo);
      b[along] = static_cast<float>(ranges[along].hi);
      AddLine(list, a, b, LineColour(along, c));
    }
  }
}

GridSet BuildGrid(const AxisRange lines[3], const AxisRange axes[3]) {
  GridSet set;
  AddPlane(set.planes[kGridPlaneXZ], 0, 2, lines);
  AddPlane(set.planes[kGridPlaneXY], 0, 1, lines);
  AddPlane(set.planes[kGridPlaneYZ], 1, 2, lines);
  static constexpr Colour32 kAxis[3] = {kAxisColourX, kAxisColourY, kAxisColourZ};
  for (int axis = 0; axis < 3; ++axis) {
    float a[3] = {0, 0, 0};
    float b[3] = {0, 0, 0};
    a[axis] = static_cast<float>(axes[axis].lo);
    b[axis] = static_cast<float>(axes[axis].hi);
    AddLine(set.axes, a, b, kAxis[axis]);
  }
  return set;
}

}  // namespace

GridSet BuildQuadrantGrid() {
  const AxisRange lines[3] = {{-1, 20}, {-1, 20}, {1, -20}};
  const AxisRange axes[3] = {{-1, 80}, {-1, 80}, {1, -80}};
  return BuildGrid(lines, axes);
}

GridSet BuildCentredGrid() {
  const AxisRange lines[3] = {{-20, 20}, {-20, 20}, {-20, 20}};
  const AxisRange axes[3] = {{-80, 80}, {-80, 80}, {-80, 80}};
  return BuildGrid(lines, axes);
}

GridPlane PlaneOfView(int view) {
  switch (view) {
    case 2:
      return kGridPlaneYZ;
    case 3:
      return kGridPlaneXZ;
    default:
      return kGridPlaneXY;
  }
}

}  // namespace torvane
