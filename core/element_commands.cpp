// The element commands of the context menu and the Delete key: the rules
// they share (a selection needed, one history step, every live selected
// object in list order, a recount) around the object operations.
#include <cstdio>

#include "core/element_edit.h"
#include "core/history.h"

namespace torvane {
namespace {

// False when memory ran out for this object.
bool EditObject(SceneObject& object, ElementEdit edit) {
  switch (edit) {
    case ElementEdit::kReverse:
      ReverseObjectElements(object);
      return true;
    case ElementEdit::kCollapse:
      CollapseObjectElements(object);
      return true;
    case ElementEdit::kRemove:
      RemoveObjectElements(object);
      return true;
    case ElementEdit::kDuplicate:
      return DuplicateObjectElements(object);
    case ElementEdit::kSubdivideLines:
      return SubdivideObjectLines(object);
    case ElementEdit::kSubdivideInto3:
      return SubdivideObjectTriangles(object, Subdivision::kInto3);
    case ElementEdit::kSubdivideInto4:
      return SubdivideObjectTriangles(object, Subdivision::kInto4);
  }
  return true;
}

const char* EditName(ElementEdit edit) {
  switch (edit) {
    case ElementEdit::kReverse:
      return "Reverse";
    case ElementEdit::kCollapse:
      return "Collapse";
    case ElementEdit::kRemove:
      return "Remove";
    case ElementEdit::kDuplicate:
      return "Duplicate";
    case ElementEdit::kSubdivideLines:
      return "Subdivide line";
    case ElementEdit::kSubdivideInto3:
      return "Subdivide into 3";
    case ElementEdit::kSubdivideInto4:
      return "Subdivide into 4";
  }
  return "";
}

}  // namespace

CommandOutcome RunElementEdit(Document& doc, ElementEdit edit) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    const uint32_t id = object->id;
    if (!EditObject(*object, edit)) outcome.status = kStatusFailed;
    // Deselected or deleted objects leave the selection list with their id.
    if (!object->selected || !IsLive(*object)) {
      RemoveFromSelection(doc, id);
      object->primarySelected = false;
    }
    outcome.changed = true;
  }
  RecountObjects(doc);
  if (edit == ElementEdit::kCollapse || edit == ElementEdit::kDuplicate) {
    doc.outlineObjectId = kNoObjectId;
  }
  if (outcome.status == kStatusFailed) {
    char text[96];
    std::snprintf(text, sizeof text, "%s: Not enough memory to complete the operation",
                  EditName(edit));
    outcome.errorText = text;
  }
  return outcome;
}

}  // namespace torvane
