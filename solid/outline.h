// 2D outlines: drawing circles, ellipses, rectangles and line chains in the
// three orthographic views, and picking outline objects with the selection
// rectangle of "Select 2D Object".
//
// Inputs: the document's draw mode and current drawing object, pointer
// positions already turned into scene points by the view (view 1 front XY,
// 2 right YZ, 3 top XZ). Outputs: the drawing object's outline (a list of
// shapes, newest first; the segments of all shapes in that order form the
// outline, each segment ending where the next one starts), its anchor, its
// 50 line slots (the shape being dragged in green, then the committed
// segments in black), the selection and history entries.
//
// An outline lies on the drawing plane of the view it was drawn in, through
// the origin: z = 0 in the front view, x = 0 in the right view, y = 0 in the
// top view.
#pragma once

#include <cstdint>
#include <vector>

#include "core/colour32.h"
#include "core/command_outcome.h"
#include "core/document.h"
#include "core/outline.h"
#include "core/scene_object.h"
#include "core/vec3.h"

namespace torvane {

enum DrawMode : uint32_t {
  kDrawNone = 0,
  kDrawSelect2D = 1,
  kDrawCircle = 2,
  kDrawEllipse = 3,
  kDrawLine = 4,
  kDrawRectangle = 5,
};

// Plane codes of an outline: the number of the view it was drawn in.
inline constexpr int kPlaneFront = 1;  // XY
inline constexpr int kPlaneRight = 2;  // YZ
inline constexpr int kPlaneTop = 3;    // XZ

inline constexpr ColourF kDraggedShapeColour{0.0f, 1.0f, 0.0f, 1.0f};
inline constexpr ColourF kCommittedColour{0.0f, 0.0f, 0.0f, 1.0f};
inline constexpr ColourF kClosingColour{1.0f, 0.0f, 0.0f, 1.0f};
inline constexpr ColourF kSelectionRectangleColour{1.0f, 1.0f, 1.0f, 1.0f};

// Circles and ellipses step their angle by 0.25 radians up to a full turn.
inline constexpr float kOutlineAngleStep = 0.25f;
inline constexpr float kOutlineFullTurn = 6.2831855f;
inline constexpr int kCirclePointLimit = 25;
inline constexpr int kEllipsePointLimit = 30;
// The selection rectangle shows once the pointer is this far from the press
// point both across and down.
inline constexpr int kSelectionRectanglePixels = 5;

// Index of the coordinate the view looks along (0 x, 1 y, 2 z); -1 for a
// view that has no drawing plane.
int ViewingAxis(int view);
// The point moved onto the view's drawing plane.
Vec3 OnDrawingPlane(int view, Vec3 point);

// The segments of a shape from anchor a to pointer p in the view's plane,
// in drawing order: circle and ellipse 26 segments, rectangle the loop
// a -> corner -> p -> corner -> a, line the one segment p -> a. Uncoloured
// and not in use; empty for another mode or view.
std::vector<OutlineSegment> GenerateShape(uint32_t drawMode, int view, Vec3 a, Vec3 p);

// Every segment of the object's outline, newest first.
std::vector<OutlineSegment> OutlineSegments(const SceneObject& object);
size_t OutlineSegmentCount(const SceneObject& object);
// The slots show the first 50 outline segments.
void ShowOutline(SceneObject& object);
// The slots show the dragged shape, then as many outline segments as fit.
void ShowDraggedShape(SceneObject& object, const std::vector<OutlineSegment>& shape);

// What a left press in a 2D view did while drawing.
enum class DrawPress {
  kIgnored,          // not a drawing mode, or no drawing plane
  kAnchorPlaced,     // a shape or a line chain started
  kShapeCommitted,   // a circle, ellipse or rectangle joined the outline
  kSegmentAdded,     // a line segment joined the outline
  kOpenOutlineMenu,  // the drawing object has an outline: its menu opens
  kFailed,           // memory ran out
};

// The press of the left button in view 1..3 in draw modes 2 to 5: creates
// the drawing object when there is none, places the anchor, commits the
// shape between the anchor and `point`, or (an outline and no anchor)
// selects the object for its context menu.
DrawPress PressToDraw(Document& doc, int view, Vec3 point);
// The pointer moved while an anchor is placed: the shape from the anchor to
// `point` is shown in green. False when nothing is being drawn.
bool DragToDraw(Document& doc, int view, Vec3 point);
// Ends a drawing in progress (the anchor cleared, the outline shown alone).
void EndDrawing(Document& doc);
// Ends any drawing in progress and sets the draw mode (0..5).
void SetDrawMode(Document& doc, uint32_t mode);
// The name a draw mode puts on the 2D-mode button ("Select 2D Object" for
// modes 0 and 1).
const char* DrawModeName(uint32_t mode);

// Removes the outline of the object (and its anchor and slots).
void RemoveOutline(SceneObject& object);
// "Delete 2D Outline": records history, removes the outline of every
// selected object, takes them out of the selection and resets the current
// drawing object.
CommandOutcome Delete2DOutline(Document& doc);

// The selection rectangle of "Select 2D Object".
struct SelectionBox {
  Vec3 min;
  Vec3 max;
};
bool SelectionRectangleShown(int pressX, int pressY, int x, int y);
// The two corners' box, unbounded (+/-3.4028235e+38) along the viewing axis.
SelectionBox UnboundedSelectionBox(int view, Vec3 cornerA, Vec3 cornerB);
// The four sides of the rectangle, drawn on the plane through the origin.
std::vector<OutlineSegment> SelectionRectangleLines(int view, Vec3 cornerA, Vec3 cornerB);
// The segment from start to end meets the box (slab test within the segment).
bool SegmentMeetsBox(Vec3 start, Vec3 end, const SelectionBox& box);
// A vertex of a live triangle, through the world matrix, lies in the box.
// The triangles are split over workers as picking splits them (`workers` 0:
// one per processor, at most 16; one below 1000 triangles).
bool VerticesMeetBox(const SceneObject& object, const SelectionBox& box, unsigned workers = 0);
bool ObjectMeetsBox(const SceneObject& object, const SelectionBox& box, unsigned workers = 0);
// Deselects everything, then selects every live object that meets the box.
// Returns the number selected.
uint32_t SelectObjectsInBox(Document& doc, const SelectionBox& box);

}  // namespace torvane
