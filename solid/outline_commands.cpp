// The three outline conversions as commands on the document, and the slice
// conversion of one object.
#include <new>

#include "core/history.h"
#include "solid/outline.h"
#include "solid/outline_solids.h"

namespace torvane {
namespace {

// The first selected object, in scene order, that carries an outline.
SceneObject* FirstSelectedOutline(Document& doc) {
  for (auto& owned : doc.objects) {
    if (owned && IsLive(*owned) && owned->selected && !owned->outlineShapes.empty())
      return owned.get();
  }
  return nullptr;
}

// After a conversion the object is the selection (keeping the element
// records a conversion made) and nothing is being drawn.
void AfterConversion(Document& doc, SceneObject& object) {
  doc.outlineObjectId = kNoObjectId;
  doc.haveChanges = true;
  const bool elementRecords = !object.selectionRecords.empty();
  const auto records = object.selectionRecords;
  DeselectAll(doc);
  if (elementRecords) {
    object.selectionRecords = records;
    object.selected = true;
  } else {
    SelectObject(object);
    MarkBoundingBox(object);
  }
  AddToSelection(doc, object.id);
  RecountObjects(doc);
  object.mesh.renderStale = true;
}

template <typename Convert>
CommandOutcome Run(Document& doc, const char* name, Convert&& convert) {
  CommandOutcome outcome;
  SceneObject* object = FirstSelectedOutline(doc);
  if (!object) return outcome;
  RecordHistory(doc);
  if (!convert(*object)) {
    outcome.status = kStatusFailed;
    outcome.errorText = std::string(name) + ": Not enough memory to complete the operation";
    return outcome;
  }
  AfterConversion(doc, *object);
  outcome.changed = true;
  return outcome;
}

}  // namespace

bool FormBySlices(SceneObject& object, SliceDirection direction) {
  if (object.outlineShapes.empty()) return false;
  try {
    const MeshParts parts =
        SliceParts(ClosedOutline(object), static_cast<int>(object.outlineMode), direction);
    // An outline that encloses nothing keeps its outline.
    if (parts.triangles.empty()) return false;
    if (!InstallMeshParts(object.mesh, parts, object.mesh.colour)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  object.mesh.scale = {1.0f, 1.0f, 1.0f};
  object.mesh.rotation = {};
  object.mesh.position = {};
  UpdateWorldMatrix(object);
  RemoveOutline(object);
  object.selectionRecords.clear();
  RecentreOnBounds(object);
  return true;
}

CommandOutcome ExtrudeOutlineCommand(Document& doc) {
  bool enclosesNothing = false;
  CommandOutcome outcome = Run(doc, "Extrude 3D from 2D Outline", [&](SceneObject& o) {
    enclosesNothing = !EnclosesArea(FlatFaceParts(o));
    return !enclosesNothing && ExtrudeOutline(o);
  });
  if (enclosesNothing) {
    outcome.errorText = "Extrude 3D from 2D Outline: The 2D outline encloses no area";
  }
  return outcome;
}

CommandOutcome FormBySlicesCommand(Document& doc, SliceDirection direction) {
  bool enclosesNothing = false;
  CommandOutcome outcome = Run(doc, "Form 3D from 2D Outline", [&](SceneObject& o) {
    enclosesNothing =
        SliceParts(ClosedOutline(o), static_cast<int>(o.outlineMode), direction).triangles.empty();
    return !enclosesNothing && FormBySlices(o, direction);
  });
  if (enclosesNothing)
    outcome.errorText = "Form 3D from 2D Outline: The 2D outline encloses no area";
  return outcome;
}

}  // namespace torvane
