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
CommandOutcome RunOriginCommand(Document& doc, Operation operation) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  RecordHistory(doc);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    operation(object->mesh);
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

void ResetOriginToGridOrigin(Mesh& mesh) {
  if (TriangleCount(mesh) == 0) return;
  BakeTransform(mesh);
  RecalculateNormals(mesh);
}

CommandOutcome CenterOnGridOriginCommand(Document& doc) {
  return RunOriginCommand(doc, [](Mesh& mesh) { CenterOnGridOrigin(mesh); });
}

CommandOutcome ResetOriginToCentreCommand(Document& doc) {
  return RunOriginCommand(doc, [](Mesh& mesh) { ResetOriginToCentre(mesh); });
}

CommandOutcome ResetOriginToGridOriginCommand(Document& doc) {
  return RunOriginCommand(doc, [](Mesh& mesh) { ResetOriginToGridOrigin(mesh); });
}

}  // namespace torvane
