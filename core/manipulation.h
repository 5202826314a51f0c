// Manipulation: the arithmetic of moving, rotating and scaling the selected
// objects with the mouse, kept apart from the views so that it can be tested
// without a window.
//
// Inputs: the document (its selection, selection mode, manipulation mode and
// axis locks) and deltas the views have already turned into scene units.
// Outputs: the selected objects' transforms (or their selected elements),
// world matrices kept in step. Nothing here records history: the click that
// starts a drag records the one entry the whole drag undoes to.
#pragma once

#include <array>
#include <cstdint>

#include "core/document.h"
#include "core/vec3.h"

namespace torvane {

// A left drag starts once the pointer is more than this many pixels away from
// the press point horizontally or vertically.
inline constexpr int kDragThresholdPixels = 5;
// Scale steps: per pixel of vertical drag, and per unit of wheel delta (one
// notch of 120 gives 1.12 forward and 0.88 back).
inline constexpr float kDragScalePerPixel = 0.01f;
inline constexpr float kWheelScalePerUnit = 0.001f;
// Rotation by dragging turns scene-unit motion into degrees.
inline constexpr float kDragRotationDegreesPerUnit = 180.0f;
// In the 2D views a vertical drag turns about X and a horizontal one about Y.
inline constexpr float k2DRotationXPerPixel = 0.4f;
inline constexpr float k2DRotationYPerPixel = 0.2f;

bool BeyondDragThreshold(int pressX, int pressY, int x, int y);

// The delta with the component of every locked axis set to 0.
Vec3 ApplyAxisLocks(const Vec3& delta, const std::array<bool, 3>& locked);
bool AllAxesLocked(const Document& doc);

// Moves every live selected object by -delta: the whole object in object
// mode, its selected elements otherwise. True when something moved.
bool MoveSelection(Document& doc, const Vec3& delta);

// (lastY - y) x 0.01 + 1: dragging up enlarges.
float DragScaleFactor(int lastY, int y);
float WheelScaleFactor(int delta);
// Multiplies every live selected object's scale by `factor`; an object whose
// new scale would have a component below 0.005 keeps its scale. True when an
// object took the new scale.
bool ScaleSelection(Document& doc, float factor);

// Degrees about X, Y and Z for a drag whose scene-unit motion (already times
// 180) is `d`: X = dz - dy, Y = dx + dz, Z = dx - dy; locked axes give 0.
Vec3 DragRotationIncrements(const Vec3& d, const std::array<bool, 3>& locked);
// The angles of R(angles) x R(increments), each brought into 0..360 by one
// addition or subtraction of 360.
Vec3 ComposeRotation(const Vec3& angles, const Vec3& increments);
// Turns every live selected object by the increments. True when one turned.
bool RotateSelectionByDrag(Document& doc, const Vec3& increments);

// A 2D view's move delta: the view's viewing axis and every locked axis
// dropped (view 1 drops Z, view 2 X, view 3 Y).
Vec3 Lock2DMoveDelta(const Vec3& delta, int view, const std::array<bool, 3>& locked);
// A 2D view's rotate drag: X angle -= 0.4 x (lastY - y), Y angle -= 0.2 x
// (lastX - x), no wrap.
bool RotateSelection2D(Document& doc, int lastX, int lastY, int x, int y);

// A fixed rotation: axis 0 X, 1 Y, 2 Z and the angle in degrees.
struct FixedRotation {
  int axis = 0;
  float degrees = 0.0f;
};

// Adds the rotation's angle to the named axis of every live selected
// object's rotation (no wrap at 360) and sets the manipulation mode to
// fixed rotation. True when an object turned. It records no history; the
// callers decide (the context menu's forms record one step first).
bool RotateSelection(Document& doc, FixedRotation rotation);

// Locks movement along the axis (0 X, 1 Y, 2 Z) or frees it again; answers
// whether it is locked now.
bool ToggleAxisLock(Document& doc, int axis);

}  // namespace torvane
