// Enabled and checked states of the main and edit commands.
#include "app/command_state.h"

#include <algorithm>

#include "core/copy_buffer.h"
#include "core/history.h"

namespace torvane {
namespace {

bool InRange(CommandId value, CommandId first, CommandId last) {
  return value >= first && value <= last;
}

CommandState Enabled(bool enabled, bool checked = false) {
  return {enabled, checked};
}

}  // namespace

// Every command and edit command has its work now; the answers stay for the
// callers that grey out what is not built.
bool IsCommandBuilt(CommandId) {
  return true;
}

bool IsEditCommandBuilt(CommandId) {
  return true;
}

CommandId CullingCommandOf(int mode) {
  if (mode == 0) return cmd::kCullNothing;
  if (mode == 2) return cmd::kDrawDoubleSided;
  return cmd::kCullBackfaces;
}

CommandId SelectionCommandOf(uint32_t mode) {
  return static_cast<CommandId>(cmd::kSelectObject + (mode <= 4 ? mode : 0));
}

CommandId LayoutCommandOf(int layout) {
  if (layout < 0 || layout > 3) layout = 1;
  return static_cast<CommandId>(cmd::kHide2DViews + layout);
}

CommandState QueryCommandState(CommandId command, Document& doc, const ShellHost& host) {
  if (!IsCommandBuilt(command)) return {};
  const bool anySelected = AnySelected(doc);
  const bool manipulate = host.CanManipulate();
  if (InRange(command, cmd::kSelectObject, cmd::kSelectVertex)) {
    return Enabled(true, command == SelectionCommandOf(doc.selectionMode));
  }
  if (IsMenuRotation(command)) return Enabled(anySelected);
  // The draw modes 2032..2036 stand for "Select 2D Object" .. "Draw 2D
  // Rectangle" (modes 1..5); mode 0 checks none of them.
  if (InRange(command, cmd::kNotDrawing, cmd::kDrawRectangle)) {
    return Enabled(true, doc.drawMode == static_cast<uint32_t>(command - cmd::kNotDrawing + 1));
  }
  if (InRange(command, cmd::kDelete2D, cmd::kFormVertical)) {
    return Enabled(AnySelectedWithOutlines(doc));
  }
  switch (command) {
    case cmd::kUndo:
      return Enabled(CanUndo(doc));
    case cmd::kRedo:
      return Enabled(CanRedo(doc));
    case cmd::kCopy:
    case cmd::kCut:
      return Enabled(anySelected && doc.selectionMode == kSelectionModeObject);
    case cmd::kDelete:
      // In the element modes Delete collapses (or deletes) what is picked.
      return Enabled(anySelected);
    case cmd::kPaste:
      return Enabled(CanPaste(doc));
    case cmd::kColourPicker:
      return Enabled(manipulate);
    case cmd::kApplyColour:
      return Enabled(anySelected);
    case cmd::kAllowX:
    case cmd::kAllowY:
    case cmd::kAllowZ:
      return Enabled(true, !doc.axisLock[command - cmd::kAllowX]);
    case cmd::kMoveObject:
      return Enabled(manipulate, doc.manipulateMode == 3);
    case cmd::kRotateByDragging:
      return Enabled(manipulate, doc.manipulateMode == 1);
    case cmd::kRotateObject:
      return Enabled(true, doc.manipulateMode == 1 || doc.manipulateMode == 2);
    case cmd::kScaleObject:
      return Enabled(manipulate, doc.manipulateMode == 0);
    case cmd::kPropertiesEdit:
    case cmd::kPropertiesView:
    case cmd::kPropertiesHome:
    case cmd::kPropertiesEditTab:
    case cmd::kPropertiesViewTab:
      return Enabled(host.CanShowProperties());
    case cmd::kInvertNormals:
    case cmd::kRecalculateNormals:
    case cmd::kReverseWinding:
    case cmd::kDuplicateObjects:
    case cmd::kSplitObjects:
    case cmd::kRemoveDuplicateVertices:
    case cmd::kRemoveDuplicateTriangles:
      return Enabled(anySelected);
    case cmd::kGroupObjects:
    case cmd::kBooleanIntersection:
    case cmd::kBooleanSubtract:
    case cmd::kBooleanUnion:
      return Enabled(SelectedCount(doc) >= 2);
    case cmd::kSolid:
      return Enabled(true, !host.Wireframe());
    case cmd::kWireFrame:
      return Enabled(true, host.Wireframe());
    case cmd::kSolidPair:
      return Enabled(true, !host.Wireframe());
    case cmd::kWireFramePair:
      return Enabled(true, host.Wireframe());
    case cmd::kCullNothing:
    case cmd::kCullBackfaces:
    case cmd::kDrawDoubleSided:
      return Enabled(true, command == CullingCommandOf(host.CullingMode()));
    case cmd::kSpecular:
      return Enabled(true, host.Specular());
    case cmd::kShowGrid:
      return Enabled(true, host.GridShown());
    case cmd::kHide2DViews:
    case cmd::kViewsRight:
    case cmd::kViewsBottom:
    case cmd::kViewsQuadrants:
      return Enabled(true, command == LayoutCommandOf(host.Layout()));
    default:
      return Enabled(true);
  }
}

CommandState QueryEditCommandState(CommandId code, Document& doc, const ShellHost& host) {
  if (!IsEditCommandBuilt(code)) return {};
  switch (code) {
    case edit::kPaste:
      return Enabled(CanPaste(doc));
    case edit::kSelectAll:
      return Enabled(std::any_of(doc.objects.begin(), doc.objects.end(),
                                 [](const auto& o) { return o && IsLive(*o); }));
    case edit::kScaleMode:
    case edit::kRotateMode:
    case edit::kMoveMode:
      return Enabled(host.CanManipulate() && AnySelected(doc));
    case edit::kProperties:
      return Enabled(host.CanShowProperties() && AnySelected(doc));
    case edit::kGroup:
    case edit::kUnion:
    case edit::kIntersect:
    case edit::kSubtract:
      return Enabled(SelectedCount(doc) >= 2);
    default:
      return Enabled(AnySelected(doc));
  }
}

}  // namespace torvane
