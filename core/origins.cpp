// Origins: "Center on Grid Origin" moves an object so that the centre of its
// drawn bounding box sits on the world origin; "Reset Object Origin to its
// own Center" and "Reset Object Origin to Grid Origin" keep the object where
// it is drawn and move its origin instead (baking the transform into the
// vertices).
#include "core/history.h"
#include "core/mesh_ops.h"

namespace torvane {
namespace {

template <class Operation>
CommandOutcome RunOriginCommand(Document& doc, const char* name, Operation operation) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    if (!operation(object->mesh)) {
      SetOutOfMemory(outcome, name);
      break;
    }
    UpdateWorldMatrix(*object);
    outcome.changed = true;
  }
  return outcome;
}

}  // namespace

void CenterOnGridOrigin(Mesh& mesh) {
  if (TriangleCount(mesh) == 0) return;
  const Matrix4 turn = TransformMatrix(mesh.scale, mesh.rotation, Vec3{});
  const Vec3 centre = TransformPoint(MeshCentre(mesh), turn);
  SetPosition(mesh, -centre);
}

bool ResetOriginToGridOrigin(Mesh& mesh) {
  if (TriangleCount(mesh) == 0) return true;
  // The corners are made private before the bake moves any position.
  if (mesh.cornerCount > 0 && !mesh.corners.MutableData()) return false;
  return BakeTransform(mesh) && RecalculateNormals(mesh);
}

CommandOutcome CenterOnGridOriginCommand(Document& doc) {
  return RunOriginCommand(doc, "Center on Grid Origin", [](Mesh& mesh) {
    CenterOnGridOrigin(mesh);
    return true;
  });
}

CommandOutcome ResetOriginToCentreCommand(Document& doc) {
  return RunOriginCommand(doc, "Reset Object Origin to its own Center",
                          [](Mesh& mesh) { return ResetOriginToCentre(mesh); });
}

CommandOutcome ResetOriginToGridOriginCommand(Document& doc) {
  return RunOriginCommand(doc, "Reset Object Origin to Grid Origin",
                          [](Mesh& mesh) { return ResetOriginToGridOrigin(mesh); });
}

}  // namespace torvane
