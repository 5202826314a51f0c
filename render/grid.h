// The edit grids. Set A (the quadrant set) is drawn in the perspective view,
// set B (the centred set) in the 2D views, each view showing only the plane
// that faces it. Each set has three planes (XZ, XY, YZ) of coloured lines and
// three axis lines that are always drawn.
//
// Output: line lists (two points a line, one ARGB colour a point) that the
// renderer uploads once at start-up.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/colour32.h"

namespace torvane {

enum GridPlane { kGridPlaneXZ = 0, kGridPlaneXY = 1, kGridPlaneYZ = 2 };

inline constexpr Colour32 kAxisColourX = 0xFFFF5050u;       // (255, 80, 80)
inline constexpr Colour32 kAxisColourY = 0xFF00FF00u;       // (0, 255, 0)
inline constexpr Colour32 kAxisColourZ = 0xFF00C8FFu;       // (0, 200, 255)
inline constexpr Colour32 kTenthLineColourX = 0xFF993030u;  // (153, 48, 48)
inline constexpr Colour32 kTenthLineColourY = 0xFF009900u;  // (0, 153, 0)
inline constexpr Colour32 kTenthLineColourZ = 0xFF007899u;  // (0, 120, 153)
inline constexpr Colour32 kGridLineColour = 0xFF5F5F64u;    // (95, 95, 100)

struct LineList {
  std::vector<float> positions;   // x, y, z per point; two points a line
  std::vector<Colour32> colours;  // one per point
  bool visible = true;

  size_t LineCount() const { return positions.size() / 6; }
};

struct GridSet {
  std::array<LineList, 3> planes;  // indexed by GridPlane
  LineList axes;
};

// Lines at every integer except 0 over x, y in -1..20 and z in 1..-20; axes
// from -1 to 80 on X and Y and from 1 to -80 on Z.
GridSet BuildQuadrantGrid();
// Lines at every integer except 0 over -20..20; axes from -80 to 80.
GridSet BuildCentredGrid();

// The grid plane a 2D view (1 front, 2 right, 3 top) shows.
GridPlane PlaneOfView(int view);

}  // namespace torvane
