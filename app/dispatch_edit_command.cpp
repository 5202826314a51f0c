// DispatchEditCommand: the view's edit commands (context menu and the
// commands the main window forwards).
#include "app/command_state.h"
#include "app/dispatch.h"
#include "app/hint_texts.h"
#include "app/wait_cursor.h"
#include "core/apply_colour.h"
#include "core/copy_buffer.h"
#include "core/delete_objects.h"
#include "core/duplicate_removal.h"
#include "core/element_edit.h"
#include "core/history.h"
#include "core/manipulation.h"
#include "core/mesh_ops.h"
#include "core/split_group.h"
#include "solid/booleans.h"
#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

CommandOutcome RunWithWindow(Lifecycle& life, const std::string& title,
                             CommandOutcome (*command)(Document&, ProgressMonitor&)) {
  CommandOutcome outcome;
  outcome.status = life.ui.RunWithProgress(title, [&](ProgressMonitor& monitor) {
    outcome = command(life.doc, monitor);
    return outcome.status;
  });
  return outcome;
}

// Every object is subdivided under a progress window of its own.
CommandOutcome SubdivideAll(Lifecycle& life, Subdivision kind) {
  return SubdivideAllCommand(
      life.doc, kind,
      [&life](const std::string& title, const std::function<int(ProgressMonitor&)>& body) {
        return life.ui.RunWithProgress(title, body);
      });
}

ElementEdit ElementEditOf(CommandId code) {
  switch (code) {
    case edit::kReverseElements:
      return ElementEdit::kReverse;
    case edit::kRemoveElements:
      return ElementEdit::kRemove;
    case edit::kDuplicateElements:
      return ElementEdit::kDuplicate;
    case edit::kSubdivideLines:
      return ElementEdit::kSubdivideLines;
    case edit::kSubdivideInto3:
      return ElementEdit::kSubdivideInto3;
    case edit::kSubdivideInto4:
      return ElementEdit::kSubdivideInto4;
    default:
      return ElementEdit::kCollapse;
  }
}

// The menu label of the command in the current mode, for its messages.
std::string ElementEditTitle(CommandId code, uint32_t mode) {
  const char* element = mode == kSelectionModeFace     ? "face"
                        : mode == kSelectionModeEdge   ? "line"
                        : mode == kSelectionModeVertex ? "vertex"
                                                       : "triangle";
  switch (code) {
    case edit::kReverseElements:
      return std::string("Reverse ") + element;
    case edit::kCollapseElements:
      return mode == kSelectionModeVertex ? "Delete vertex" : std::string("Collapse ") + element;
    case edit::kRemoveElements:
      return std::string("Remove ") + element;
    case edit::kDuplicateElements:
      return std::string("Duplicate ") + element;
    case edit::kSubdivideLines:
      return "Subdivide line";
    case edit::kSubdivideInto3:
      return mode == kSelectionModeFace ? "Subdivide face" : "Subdivide triangle into 3";
    default:
      return "Subdivide triangle into 4";
  }
}

// Each pairwise step runs under its own progress window; the notice goes to
// the timed hint line and the memory message has no title.
CommandOutcome RunBoolean(Lifecycle& life, BooleanKind kind) {
  return BooleanCommand(
      life.doc, kind,
      [&](const std::string& title, const std::function<int(ProgressMonitor&)>& step) {
        return life.ui.RunWithProgress(title, step);
      });
}

}  // namespace

bool DispatchEditCommand(Lifecycle& life, CommandId code) {
  Document& doc = life.doc;
  ShellHost& host = life.host;
  if (!QueryEditCommandState(code, doc, host).enabled) return false;
  // Paste and Select all also run without a selection; the rest need one.
  if (code != edit::kPaste && code != edit::kSelectAll && !AnySelected(doc)) return false;

  if (code == edit::kApplyColour && !doc.colourChosen) {
    // No paint colour yet: the chooser asks for one and applies it.
    ChooseColour(life);
    return true;
  }

  WaitCursor wait;
  CommandOutcome outcome;
  std::string title;
  bool timed = true;
  if (IsEditRotation(code)) {
    RecordHistory(doc);
    RotateSelection(doc, EditRotation(code));
    // The redraw also refreshes an open properties dialog.
    host.Redraw();
    return true;
  }
  switch (code) {
    case edit::kScaleMode:
      doc.manipulateMode = kManipulateScale;
      host.ShowHint(kScaleModeHint, false);
      break;
    case edit::kRotateMode:
      doc.manipulateMode = kManipulateRotateDrag;
      host.ShowHint(kRotateModeHint, false);
      break;
    case edit::kMoveMode:
      doc.manipulateMode = kManipulateMove;
      break;
    case edit::kCopy:
      outcome = CopySelected(doc);
      title = "Copy";
      break;
    case edit::kCut:
      outcome = CutSelected(doc);
      title = "Cut";
      break;
    case edit::kPaste:
      outcome = PasteFromCopyBuffer(doc);
      title = "Paste";
      break;
    case edit::kDelete:
      outcome = DeleteSelectedObjects(doc);
      title = "Delete";
      break;
    case edit::kDuplicate:
      outcome = DuplicateObjectsCommand(doc);
      title = "Duplicate Objects";
      break;
    case edit::kCentreOnGrid:
      outcome = CenterOnGridOriginCommand(doc);
      title = "Center on Grid Origin";
      break;
    case edit::kOriginToCentre:
      outcome = ResetOriginToCentreCommand(doc);
      title = "Reset Object Origin to its own Center";
      break;
    case edit::kOriginToGrid:
      outcome = ResetOriginToGridOriginCommand(doc);
      title = "Reset Object Origin to Grid Origin";
      break;
    case edit::kApplyColour:
      outcome = ApplyColourCommand(doc);
      title = "Apply color";
      break;
    case edit::kGroup:
      outcome = GroupObjectsCommand(doc);
      title = "Group Objects";
      break;
    case edit::kSplit:
      title = "Split selected objects";
      outcome = RunWithWindow(life, title, SplitObjectsCommand);
      break;
    case edit::kRemoveDuplicateTriangles:
      title = "Remove duplicate triangles";
      outcome = RunWithWindow(life, title, RemoveDuplicateTrianglesCommand);
      break;
    case edit::kRemoveDuplicateVertices:
      title = "Remove duplicate vertices";
      outcome = RunWithWindow(life, title, RemoveDuplicateVerticesCommand);
      break;
    case edit::kDelete2D:
      outcome = Delete2DOutline(doc);
      title = "Delete 2D Outline";
      break;
    case edit::kExtrude:
      outcome = ExtrudeOutlineCommand(doc);
      title = "Extrude 3D from 2D Outline";
      break;
    case edit::kFormHorizontal:
      outcome = FormBySlicesCommand(doc, SliceDirection::kHorizontal);
      title = "Form 3D from 2D Outline (horizontal slices)";
      break;
    case edit::kFormVertical:
      outcome = FormBySlicesCommand(doc, SliceDirection::kVertical);
      title = "Form 3D from 2D Outline (vertical slices)";
      break;
    case edit::kUnion:
      outcome = RunBoolean(life, BooleanKind::kUnion);
      break;
    case edit::kIntersect:
      outcome = RunBoolean(life, BooleanKind::kIntersection);
      break;
    case edit::kSubtract:
      outcome = RunBoolean(life, BooleanKind::kSubtract);
      break;
    case edit::kProperties:
      host.ShowProperties();
      return true;
    case edit::kSelectAll:
      SelectAll(doc);
      break;
    case edit::kDeselectAll:
      RecordHistory(doc);
      DeselectAll(doc);
      break;
    case edit::kSubdivideAllInto3:
      title = SubdivideAllCommandName(Subdivision::kInto3);
      outcome = SubdivideAll(life, Subdivision::kInto3);
      break;
    case edit::kSubdivideAllInto4:
      title = SubdivideAllCommandName(Subdivision::kInto4);
      outcome = SubdivideAll(life, Subdivision::kInto4);
      break;
    case edit::kReverseElements:
    case edit::kCollapseElements:
    case edit::kRemoveElements:
    case edit::kDuplicateElements:
    case edit::kSubdivideLines:
    case edit::kSubdivideInto3:
    case edit::kSubdivideInto4:
      title = ElementEditTitle(code, doc.selectionMode);
      outcome = RunElementEdit(doc, ElementEditOf(code));
      break;
    default:
      return false;
  }
  ShowCommandOutcome(life, outcome, title, timed);
  host.Redraw();
  return true;
}

}  // namespace torvane
