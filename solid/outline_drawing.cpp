// The drawing state of the 2D tools: the current drawing object, its anchor,
// committing shapes and line segments to its outline, the line slots that
// show it, and "Delete 2D Outline".
#include <algorithm>
#include <new>

#include "core/history.h"
#include "solid/outline.h"

namespace torvane {
namespace {

void MarkOutlineChanged(Document& doc, SceneObject& object) {
  MarkChanged(object.mesh);
  doc.haveChanges = true;
}

void SelectOnly(Document& doc, SceneObject& object) {
  if (object.selected && doc.selection.size() == 1 && doc.selection[0] == object.id) return;
  DeselectAll(doc);
  SelectObject(object);
  AddToSelection(doc, object.id);
}

// New segments go to the head of the outline, as one shape in drawing order.
bool CommitSegments(SceneObject& object, std::vector<OutlineSegment> segments, int view) {
  for (OutlineSegment& s : segments) {
    s.colour = kCommittedColour;
    s.inUse = true;
  }
  try {
    object.outlineShapes.insert(object.outlineShapes.begin(), OutlineShape{std::move(segments)});
  } catch (const std::bad_alloc&) {
    return false;
  }
  object.outlineMode = static_cast<uint32_t>(view);
  return true;
}

SceneObject* DrawingObject(Document& doc) {
  SceneObject* object = FindObject(doc, doc.outlineObjectId);
  return object && IsLive(*object) ? object : nullptr;
}

}  // namespace

std::vector<OutlineSegment> OutlineSegments(const SceneObject& object) {
  std::vector<OutlineSegment> all;
  all.reserve(OutlineSegmentCount(object));
  for (const OutlineShape& shape : object.outlineShapes)
    all.insert(all.end(), shape.segments.begin(), shape.segments.end());
  return all;
}

size_t OutlineSegmentCount(const SceneObject& object) {
  size_t count = 0;
  for (const OutlineShape& shape : object.outlineShapes)
    count += shape.segments.size();
  return count;
}

void ShowDraggedShape(SceneObject& object, const std::vector<OutlineSegment>& shape) {
  FreeLineSlots(object.lineSlots);
  size_t slot = 0;
  for (const OutlineSegment& s : shape) {
    if (slot == kLineSlotCount) return;
    OutlineSegment& out = object.lineSlots[slot++];
    out = s;
    out.colour = kDraggedShapeColour;
    out.inUse = true;
  }
  for (const OutlineShape& committed : object.outlineShapes) {
    for (const OutlineSegment& s : committed.segments) {
      if (slot == kLineSlotCount) return;
      OutlineSegment& out = object.lineSlots[slot++];
      out = s;
      out.inUse = true;
    }
  }
}

void ShowOutline(SceneObject& object) {
  ShowDraggedShape(object, {});
}

DrawPress PressToDraw(Document& doc, int view, Vec3 point) {
  if (doc.drawMode < kDrawCircle || doc.drawMode > kDrawRectangle) return DrawPress::kIgnored;
  if (ViewingAxis(view) < 0) return DrawPress::kIgnored;
  point = OnDrawingPlane(view, point);

  SceneObject* object = DrawingObject(doc);
  if (!object) {
    RecordHistory(doc);
    const uint32_t id = AddObjectCopy(doc, SceneObject{});
    object = FindObject(doc, id);
    if (!object) return DrawPress::kFailed;
    doc.outlineObjectId = id;
    MarkOutlineChanged(doc, *object);
  }
  if (!object->outlineShapes.empty() && !object->pickFlag) {
    SelectOnly(doc, *object);
    return DrawPress::kOpenOutlineMenu;
  }
  if (!object->pickFlag) {
    object->pickFlag = true;
    object->pickPoint = point;
    SelectOnly(doc, *object);
    if (doc.drawMode == kDrawLine) MarkOutlineChanged(doc, *object);
    return DrawPress::kAnchorPlaced;
  }

  // The second press: the shape between the anchor and this point. It gets
  // an undo step of its own, so that undoing it never takes earlier work.
  RecordHistory(doc);
  const bool line = doc.drawMode == kDrawLine;
  if (!CommitSegments(*object, GenerateShape(doc.drawMode, view, object->pickPoint, point), view)) {
    return DrawPress::kFailed;
  }
  object->outlineFlagC = line;
  if (line) {
    object->pickPoint = point;
  } else {
    object->pickFlag = false;
  }
  ShowOutline(*object);
  MarkOutlineChanged(doc, *object);
  RecountObjects(doc);
  return line ? DrawPress::kSegmentAdded : DrawPress::kShapeCommitted;
}

bool DragToDraw(Document& doc, int view, Vec3 point) {
  if (doc.drawMode < kDrawCircle || doc.drawMode > kDrawRectangle) return false;
  SceneObject* object = DrawingObject(doc);
  if (!object || !object->pickFlag || ViewingAxis(view) < 0) return false;
  ShowDraggedShape(
      *object, GenerateShape(doc.drawMode, view, object->pickPoint, OnDrawingPlane(view, point)));
  return true;
}

void EndDrawing(Document& doc) {
  SceneObject* object = DrawingObject(doc);
  if (!object) return;
  object->pickFlag = false;
  ShowOutline(*object);
}

void SetDrawMode(Document& doc, uint32_t mode) {
  if (mode > kDrawRectangle) return;
  EndDrawing(doc);
  doc.drawMode = mode;
}

const char* DrawModeName(uint32_t mode) {
  switch (mode) {
    case kDrawCircle:
      return "Draw 2D Circle";
    case kDrawEllipse:
      return "Draw 2D Ellipse";
    case kDrawLine:
      return "Draw 2D Line";
    case kDrawRectangle:
      return "Draw 2D Rectangle";
    default:
      return "Select 2D Object";
  }
}

void RemoveOutline(SceneObject& object) {
  object.outlineShapes.clear();
  object.outlineMode = 0;
  object.outlineFlagC = false;
  object.pickFlag = false;
  FreeLineSlots(object.lineSlots);
  object.outlineWork.clear();
}

CommandOutcome Delete2DOutline(Document& doc) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& owned : doc.objects) {
    if (!owned || !IsLive(*owned) || !owned->selected) continue;
    SceneObject& object = *owned;
    if (!object.outlineShapes.empty() || object.pickFlag) {
      RemoveOutline(object);
      MarkOutlineChanged(doc, object);
      outcome.changed = true;
    }
    object.selected = false;
    object.primarySelected = false;
    object.showBoundingBox = false;
    object.selectionRecords.clear();
  }
  doc.selection.clear();
  doc.outlineObjectId = kNoObjectId;
  RecountObjects(doc);
  return outcome;
}

}  // namespace torvane
