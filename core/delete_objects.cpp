// Delete selected in object mode.
#include "core/delete_objects.h"

#include <algorithm>

#include "core/history.h"

namespace torvane {
namespace {

void ResetTransform(SceneObject& object) {
  Mesh& mesh = object.mesh;
  SetPosition(mesh, Vec3{});
  SetRotation(mesh, Vec3{});
  SetScale(mesh, Vec3{1.0f, 1.0f, 1.0f});
  UpdateWorldMatrix(object);
  InvalidateBounds(mesh);
}

void DeselectObject(SceneObject& object) {
  object.selectionRecords.clear();
  object.selected = false;
  object.showBoundingBox = false;
}

void DeleteObject(SceneObject& object) {
  if (!object.outlineShapes.empty()) {
    // An outline is deleted on its own; the object that carries it stays.
    object.outlineShapes.clear();
    object.pickFlag = false;
    DeselectObject(object);
    return;
  }
  const bool whole =
      std::any_of(object.selectionRecords.begin(), object.selectionRecords.end(),
                  [](const SelectionRecord& r) { return r.elementType == kSelectObject; });
  if (whole) {
    ClearMesh(object.mesh);
    object.id = kNoObjectId;
    // An emptied mesh keeps no transform of its own.
    ResetTransform(object);
  }
  InvalidateBounds(object.mesh);
  DeselectObject(object);
}

}  // namespace

CommandOutcome DeleteSelectedObjects(Document& doc) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& o : doc.objects) {
    if (!o || !IsLive(*o) || !o->selected) continue;
    RemoveFromSelection(doc, o->id);
    DeleteObject(*o);
  }
  RecountObjects(doc);
  doc.outlineObjectId = kNoObjectId;
  outcome.changed = true;
  return outcome;
}

}  // namespace torvane
