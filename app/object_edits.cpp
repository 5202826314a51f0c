// RotateSelection.
#include "app/object_edits.h"

#include "core/colour32.h"
#include "core/mesh.h"

namespace torvane {

bool RotateSelection(Document& doc, FixedRotation rotation) {
  doc.manipulateMode = kManipulateRotateFixed;
  bool changed = false;
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    Mesh& mesh = object->mesh;
    // Stored as given: fixed rotations do not wrap at 360.
    if (rotation.axis == 0) mesh.rotation.x += rotation.degrees;
    if (rotation.axis == 1) mesh.rotation.y += rotation.degrees;
    if (rotation.axis == 2) mesh.rotation.z += rotation.degrees;
    MarkTransformChanged(mesh);
    UpdateWorldMatrix(*object);
    changed = true;
  }
  return changed;
}

}  // namespace torvane
