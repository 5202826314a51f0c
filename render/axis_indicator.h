// The axis indicator in the bottom-right corner of the perspective view:
// three arrows 100 pixels long in the colours of the axes, turned with the
// camera. Hovering an arrow highlights it and shows its tooltip; clicking it
// toggles that axis's movement lock.
//
// Input: the perspective camera and the view size. Output: the arrows as
// scene-space lines under an orthographic camera of scale 1 (one unit a
// pixel), their screen segments for hit tests, and the tooltip texts.
#pragma once

#include <array>
#include <string>

#include "core/vec3.h"
#include "render/camera.h"
#include "render/grid.h"

namespace torvane {

inline constexpr int kAxisIndicatorArea = 120;  // bottom-right square, pixels
inline constexpr float kAxisIndicatorInset = 60.0f;
inline constexpr float kAxisArrowLength = 100.0f;
inline constexpr float kAxisHitDistance = 6.0f;  // pixels from an arrow
inline constexpr Colour32 kAxisHighlightColour = 0xFFFFFF00u;

struct AxisIndicator {
  Camera camera;                    // the orthographic camera the arrows are drawn with
  LineList lines;                   // shafts and arrow heads, highlight applied
  std::array<Vec3, 3> tipPixels{};  // screen position of each arrow's tip
  Vec3 originPixel;
};

// Builds the arrows for the perspective camera `perspective` (whose viewport
// is the view's size); `highlighted` is 0..2 for X..Z or -1.
AxisIndicator BuildAxisIndicator(const Camera& perspective, int highlighted);

// True inside the bottom-right 120 x 120 pixels.
bool InAxisIndicatorArea(int width, int height, float x, float y);

// The arrow (0 X, 1 Y, 2 Z) within 6 pixels of (x, y), the nearest when
// several are; -1 for none.
int AxisUnderPointer(const AxisIndicator& indicator, float x, float y);

// Tooltip over arrow `axis` (-1: elsewhere in the square).
std::string AxisIndicatorTooltip(int axis, bool locked);

}  // namespace torvane
