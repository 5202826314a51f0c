// BuildContextMenu: the items for each state.
#include "app/context_menu.h"

#include "app/command_state.h"
#include "core/copy_buffer.h"

namespace torvane {
namespace {

using Items = std::vector<ContextMenuItem>;

ContextMenuItem Command(Document& doc, const ShellHost& host, CommandId code, const char* label,
                        bool swatch = false) {
  ContextMenuItem item;
  item.code = code;
  item.label = label;
  item.enabled = QueryEditCommandState(code, doc, host).enabled;
  item.colourSwatch = swatch;
  return item;
}

ContextMenuItem Separator() {
  ContextMenuItem item;
  item.kind = ContextMenuItem::Kind::kSeparator;
  return item;
}

// Some selected object holds records of the current element mode.
bool ElementsSelected(const Document& doc) {
  for (const auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    for (const SelectionRecord& record : object->selectionRecords) {
      // Picking keeps a face as the triangle records of its triangles.
      const uint32_t wanted =
          doc.selectionMode == kSelectionModeFace ? kSelectTriangle : doc.selectionMode;
      if (record.elementType == wanted || record.elementType == doc.selectionMode) return true;
    }
  }
  return false;
}

Items ElementItems(Document& doc, const ShellHost& host) {
  Items items;
  auto add = [&](CommandId code, const char* label) {
    items.push_back(Command(doc, host, code, label));
  };
  switch (doc.selectionMode) {
    case kSelectionModeVertex:
      add(edit::kCollapseElements, "Delete vertex");
      add(edit::kMoveMode, "Move vertex");
      return items;  // vertices take no colour
    case kSelectionModeEdge:
      add(edit::kCollapseElements, "Collapse line");
      add(edit::kDuplicateElements, "Duplicate line");
      add(edit::kMoveMode, "Move line");
      add(edit::kSubdivideLines, "Subdivide line");
      return items;
    case kSelectionModeTriangle:
      add(edit::kReverseElements, "Reverse triangle");
      add(edit::kCollapseElements, "Collapse triangle");
      add(edit::kRemoveElements, "Remove triangle");
      add(edit::kDuplicateElements, "Duplicate triangle");
      add(edit::kSubdivideInto3, "Subdivide triangle into 3");
      add(edit::kSubdivideInto4, "Subdivide triangle into 4");
      break;
    case kSelectionModeFace:
      add(edit::kReverseElements, "Reverse face");
      add(edit::kCollapseElements, "Collapse face");
      add(edit::kRemoveElements, "Remove face");
      add(edit::kDuplicateElements, "Duplicate face");
      add(edit::kSubdivideInto3, "Subdivide face");
      break;
    default:
      return items;
  }
  items.push_back(Command(doc, host, edit::kApplyColour, "Apply color", true));
  return items;
}

Items ObjectItems(Document& doc, const ShellHost& host) {
  Items items;
  auto add = [&](CommandId code, const char* label, bool swatch = false) {
    items.push_back(Command(doc, host, code, label, swatch));
  };
  add(edit::kSelectAll, "Select all");
  add(edit::kDeselectAll, "Deselect all");
  add(edit::kCopy, "Copy selected");
  add(edit::kCut, "Cut selected");
  add(edit::kDelete, "Delete selected");
  add(edit::kMoveMode, "Move selected");
  add(edit::kRotateMode, "Rotate by dragging");

  ContextMenuItem rotations;
  rotations.kind = ContextMenuItem::Kind::kSubmenu;
  rotations.label = "Rotate selected";
  static constexpr const char* kAxes[3] = {"X", "Y", "Z"};
  static constexpr const char* kAngles[4] = {"45", "90", "180", "270"};
  for (CommandId code = edit::kFirstRotation; code <= edit::kLastRotation; ++code) {
    const int offset = code - edit::kFirstRotation;
    const std::string label =
        std::string("Rotate ") + kAxes[offset % 3] + "-Axis " + kAngles[offset / 3];
    rotations.items.push_back(Command(doc, host, code, label.c_str()));
  }
  items.push_back(std::move(rotations));

  add(edit::kScaleMode, "Scale selected");
  items.push_back(Separator());
  add(edit::kCentreOnGrid, "Center on Grid Origin");
  add(edit::kOriginToCentre, "Reset Object Origin to its own Center");
  add(edit::kOriginToGrid, "Reset Object Origin to Grid Origin");
  items.push_back(Separator());
  add(edit::kApplyColour, "Apply color", true);
  add(edit::kDuplicate, "Duplicate Objects");
  add(edit::kGroup, "Group Objects");
  add(edit::kSplit, "Split Objects");
  add(edit::kRemoveDuplicateTriangles, "Remove Duplicate Triangles");
  add(edit::kRemoveDuplicateVertices, "Remove Duplicate Vertices");
  add(edit::kSubdivideAllInto3, "Subdivide all triangles into 3");
  add(edit::kSubdivideAllInto4, "Subdivide all triangles into 4");
  add(edit::kIntersect, "Boolean Intersect");
  add(edit::kSubtract, "Boolean Subtract");
  add(edit::kUnion, "Boolean Union");
  add(edit::kProperties, "Object Properties...");
  // Booleans and Group combine objects: they need two at least.
  const bool several = SelectedCount(doc) >= 2;
  for (ContextMenuItem& item : items) {
    if (item.code == edit::kIntersect || item.code == edit::kSubtract ||
        item.code == edit::kUnion || item.code == edit::kGroup) {
      item.enabled = item.enabled && several;
    }
  }
  return items;
}

}  // namespace

std::vector<ContextMenuItem> BuildContextMenu(Document& doc, const ShellHost& host) {
  if (!AnySelected(doc)) {
    Items items;
    ContextMenuItem paste = Command(doc, host, edit::kPaste, "Paste from Copy Buffer");
    paste.enabled = CanPaste(doc);
    items.push_back(paste);
    items.push_back(Command(doc, host, edit::kSelectAll, "Select all"));
    return items;
  }
  if (AnySelectedWithOutlines(doc)) {
    return {
        Command(doc, host, edit::kExtrude, "Extrude 3D from 2D Outline"),
        Command(doc, host, edit::kFormHorizontal, "Form 3D from 2D Outline (horizontal slices)"),
        Command(doc, host, edit::kFormVertical, "Form 3D from 2D Outline (vertical slices)"),
        Separator(), Command(doc, host, edit::kDelete2D, "Delete 2D Outline")};
  }
  if (doc.selectionMode != kSelectionModeObject) {
    if (ElementsSelected(doc)) return ElementItems(doc, host);
    return {};
  }
  return ObjectItems(doc, host);
}

}  // namespace torvane
