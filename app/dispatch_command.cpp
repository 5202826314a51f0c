// DispatchCommand: the main window's commands.
#include <string>

#include "app/command_state.h"
#include "app/dispatch.h"
#include "app/document_file.h"
#include "app/hint_texts.h"
#include "app/wait_cursor.h"
#include "core/copy_buffer.h"
#include "core/delete_objects.h"
#include "core/duplicate_removal.h"
#include "core/history.h"
#include "core/manipulation.h"
#include "core/mesh_ops.h"
#include "core/primitives.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "core/split_group.h"
#include "formats/model_file.h"
#include "solid/outline.h"

namespace torvane {
namespace {

// 2032..2036: the draw modes "Select 2D Object" .. "Draw 2D Rectangle"; a
// drawing in progress ends, the drawing modes show their hint.
void SetDrawModeCommand(Lifecycle& life, CommandId command) {
  const uint32_t mode = static_cast<uint32_t>(command - cmd::kNotDrawing + kDrawSelect2D);
  SetDrawMode(life.doc, mode);
  const char* hint = mode == kDrawCircle      ? kDrawCircleHint
                     : mode == kDrawEllipse   ? kDrawEllipseHint
                     : mode == kDrawLine      ? kDrawLineHint
                     : mode == kDrawRectangle ? kDrawRectangleHint
                                              : nullptr;
  if (hint) life.host.ShowHint(hint, false);
  life.host.Redraw();
}

void SetWireframe(Lifecycle& life, bool wireframe) {
  life.host.SetWireframe(wireframe);
  WriteSettingBool(kGroupSettings, kViewAsWireframe, wireframe);
  life.host.Redraw();
}

void SetCulling(Lifecycle& life, int mode) {
  life.host.SetCullingMode(mode);
  WriteSettingInt(kGroupSettings, kEnableCulling, mode);
  const std::string hint = CullingHint(static_cast<uint32_t>(mode));
  if (hint.empty()) {
    life.host.ClearHint();
  } else {
    life.host.ShowHint(hint, /*timed=*/false);
  }
  life.host.Redraw();
}

void ToggleAxisLockCommand(Lifecycle& life, int axis) {
  static constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};
  if (ToggleAxisLock(life.doc, axis)) {
    life.host.ShowHint(
        std::string("Movement along the ") + kAxisNames[axis] + " axis has been locked",
        /*timed=*/true);
  } else {
    life.host.ClearHint();
  }
  life.host.Redraw();
}

void AddPrimitiveCommand(Lifecycle& life, PrimitiveShape shape) {
  const CommandOutcome outcome = AddPrimitive(life.doc, shape, life.doc.currentColour);
  ShowCommandOutcome(life, outcome, PrimitiveCommandName(shape), true);
  life.host.Redraw();
}

void RunHistoryStep(Lifecycle& life, bool undo) {
  WaitCursor wait;
  const CommandOutcome outcome = undo ? Undo(life.doc) : Redo(life.doc);
  ShowCommandOutcome(life, outcome, undo ? "Undo" : "Redo", true);
  life.host.Redraw();
}

void ShowFileProperties(Lifecycle& life) {
  const Document& doc = life.doc;
  uint32_t objects = 0;
  for (const auto& object : doc.objects) {
    if (object && IsLive(*object)) ++objects;
  }
  std::string text = "File: " + doc.filePath;
  const std::string format = FormatDescription(static_cast<int32_t>(doc.fileType));
  if (!format.empty()) text += "\nFormat: " + format;
  text += "\nObjects: " + std::to_string(objects);
  text += "\nTriangles: " + std::to_string(TriangleTotal(doc));
  text += std::string("\nUnsaved changes: ") + (IsModified(doc) ? "Yes" : "No");
  life.ui.ShowMessage(text, "File Properties", MessageIcon::kInformation);
}

// The work of the normal, winding and clean-up commands of the Tools menu.
void RunToolCommand(Lifecycle& life, CommandId command) {
  Document& doc = life.doc;
  const uint32_t culling = static_cast<uint32_t>(life.host.CullingMode());
  CommandOutcome outcome;
  std::string title;
  bool timed = true;
  switch (command) {
    case cmd::kInvertNormals:
      outcome = InvertNormalsCommand(doc, culling);
      title = "Invert Normals";
      timed = false;
      break;
    case cmd::kRecalculateNormals:
      outcome = RecalculateNormalsCommand(doc, culling);
      title = "Recalculate Normals";
      timed = false;
      break;
    case cmd::kReverseWinding:
      outcome = ReverseWindingCommand(doc, culling);
      title = "Reverse Winding Order";
      timed = false;
      break;
    case cmd::kDuplicateObjects:
      outcome = DuplicateObjectsCommand(doc);
      title = "Duplicate Objects";
      break;
    case cmd::kGroupObjects:
      outcome = GroupObjectsCommand(doc);
      title = "Group Objects";
      break;
    case cmd::kSplitObjects:
      title = "Split selected objects";
      life.ui.RunWithProgress(title, [&](ProgressMonitor& monitor) {
        outcome = SplitObjectsCommand(doc, monitor);
        return outcome.status;
      });
      break;
    case cmd::kRemoveDuplicateVertices:
      title = "Remove duplicate vertices";
      life.ui.RunWithProgress(title, [&](ProgressMonitor& monitor) {
        outcome = RemoveDuplicateVerticesCommand(doc, monitor);
        return outcome.status;
      });
      break;
    case cmd::kRemoveDuplicateTriangles:
      title = "Remove duplicate triangles";
      life.ui.RunWithProgress(title, [&](ProgressMonitor& monitor) {
        outcome = RemoveDuplicateTrianglesCommand(doc, monitor);
        return outcome.status;
      });
      break;
    default:
      return;
  }
  ShowCommandOutcome(life, outcome, title, timed);
  life.host.Redraw();
}

}  // namespace

void ShowCommandOutcome(Lifecycle& life, const CommandOutcome& outcome, const std::string& title,
                        bool timedHint) {
  if (!outcome.errorText.empty()) {
    life.ui.ShowMessage(outcome.errorText, title, MessageIcon::kError);
  }
  if (!outcome.statusText.empty()) life.host.ShowHint(outcome.statusText, timedHint);
}

void ChooseColour(Lifecycle& life) {
  const std::optional<ColourF> chosen = life.ui.ChooseColour(life.doc.currentColour);
  if (!chosen) return;
  life.doc.currentColour = *chosen;
  life.doc.currentColour.a = 1.0f;
  life.doc.colourChosen = true;
  DispatchEditCommand(life, edit::kApplyColour);
}

bool DispatchCommand(Lifecycle& life, CommandId command) {
  Document& doc = life.doc;
  ShellHost& host = life.host;
  if (command != cmd::kKeepHint) host.ClearHint();
  if (command >= cmd::kFirstExtraItem && command <= cmd::kLastExtraItem) {
    return false;  // the framework's extra items: this program has none
  }
  if (!QueryCommandState(command, doc, host).enabled) return false;

  if (command >= cmd::kSelectObject && command <= cmd::kSelectVertex) {
    SetSelectionMode(doc, static_cast<uint32_t>(command - cmd::kSelectObject));
    host.Redraw();
    return true;
  }
  if (IsMenuRotation(command)) {
    // From the menu bar and ribbon a fixed rotation records no step of its own.
    RotateSelection(doc, MenuRotation(command));
    // The redraw also refreshes an open properties dialog.
    host.Redraw();
    return true;
  }
  if (const std::optional<CommandId> forwarded = ForwardedEditCommand(command)) {
    if (command == cmd::kRotateByDragging) host.ShowHint(kRotateModeHint, false);
    return DispatchEditCommand(life, *forwarded);
  }

  switch (command) {
    case cmd::kNewFile:
      NewDocument(life);
      return true;
    case cmd::kOpenFile:
      OpenDocument(life);
      return true;
    case cmd::kCloseFile:
      CloseDocument(life);
      return true;
    case cmd::kSaveFile:
      SaveDocument(life);
      return true;
    case cmd::kSaveAs:
      SaveDocumentAs(life);
      return true;
    case cmd::kFileProperties:
      ShowFileProperties(life);
      return true;
    case cmd::kUndo:
      RunHistoryStep(life, true);
      return true;
    case cmd::kRedo:
      RunHistoryStep(life, false);
      return true;
    case cmd::kCopy:
      return DispatchEditCommand(life, edit::kCopy);
    case cmd::kCut:
      return DispatchEditCommand(life, edit::kCut);
    case cmd::kPaste:
      return DispatchEditCommand(life, edit::kPaste);
    case cmd::kDelete:
      return DispatchEditCommand(life, doc.selectionMode == kSelectionModeObject
                                           ? edit::kDelete
                                           : edit::kCollapseElements);
    case cmd::kColour:
      ChooseColour(life);
      return true;
    case cmd::kColourPicker:
      host.ShowHint(kEyeDropperHint, false);
      host.Redraw();
      host.EnterEyeDropper();
      return true;
    case cmd::kAddCube:
      AddPrimitiveCommand(life, PrimitiveShape::kCube);
      return true;
    case cmd::kAddSphere:
      AddPrimitiveCommand(life, PrimitiveShape::kSphere);
      return true;
    case cmd::kAddIcosahedron:
      AddPrimitiveCommand(life, PrimitiveShape::kIcosahedron);
      return true;
    case cmd::kAddTorus:
      AddPrimitiveCommand(life, PrimitiveShape::kTorus);
      return true;
    case cmd::kAllowX:
    case cmd::kAllowY:
    case cmd::kAllowZ:
      ToggleAxisLockCommand(life, command - cmd::kAllowX);
      return true;
    case cmd::kPropertiesEdit:
    case cmd::kPropertiesView:
    case cmd::kPropertiesHome:
    case cmd::kPropertiesEditTab:
    case cmd::kPropertiesViewTab:
      host.ShowProperties();
      return true;
    case cmd::kInvertNormals:
    case cmd::kRecalculateNormals:
    case cmd::kReverseWinding:
    case cmd::kDuplicateObjects:
    case cmd::kGroupObjects:
    case cmd::kSplitObjects:
    case cmd::kRemoveDuplicateVertices:
    case cmd::kRemoveDuplicateTriangles:
      RunToolCommand(life, command);
      return true;
    case cmd::kConverter:
      TransferToConverter(life);
      return true;
    case cmd::kSolid:
      SetWireframe(life, false);
      return true;
    case cmd::kWireFrame:
      SetWireframe(life, true);
      return true;
    case cmd::kSolidPair:
    case cmd::kWireFramePair:
      SetWireframe(life, !host.Wireframe());
      return true;
    case cmd::kCullNothing:
    case cmd::kCullBackfaces:
    case cmd::kDrawDoubleSided:
      SetCulling(life, command - cmd::kCullNothing);
      return true;
    case cmd::kSpecular:
      host.SetSpecular(!host.Specular());
      WriteSettingBool(kGroupSettings, kEnableSpecular, host.Specular());
      host.Redraw();
      return true;
    case cmd::kShowGrid:
      host.SetGridShown(!host.GridShown());
      host.Redraw();
      return true;
    case cmd::kHide2DViews:
    case cmd::kViewsRight:
    case cmd::kViewsBottom:
    case cmd::kViewsQuadrants:
      host.SetLayout(command - cmd::kHide2DViews);
      return true;
    case cmd::kNotDrawing:
    case cmd::kDrawCircle:
    case cmd::kDrawEllipse:
    case cmd::kDrawLine:
    case cmd::kDrawRectangle:
      SetDrawModeCommand(life, command);
      return true;
    case cmd::kDelete2D:
      return DispatchEditCommand(life, kForwarded2DDelete);
    case cmd::kExtrude2D:
      return DispatchEditCommand(life, edit::kExtrude);
    case cmd::kFormHorizontal:
      return DispatchEditCommand(life, edit::kFormHorizontal);
    case cmd::kFormVertical:
      return DispatchEditCommand(life, edit::kFormVertical);
    case cmd::kResetView:
      host.ResetCamera();
      host.Redraw();
      return true;
    default:
      // Drop-down buttons open their popups; other numbers are not commands.
      return false;
  }
}

}  // namespace torvane
