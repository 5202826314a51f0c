// ApplyColourToSelection and RotateSelection.
#include "app/object_edits.h"

#include "core/colour32.h"
#include "core/mesh.h"

namespace torvane {

bool ApplyColourToSelection(Document& doc) {
  if (!doc.colourChosen) return false;
  const ColourF& c = doc.currentColour;
  const Colour32 colour = MakeColour32(c.r, c.g, c.b, c.a);
  bool changed = false;
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    Mesh& mesh = object->mesh;
    for (const SelectionRecord& record : object->selectionRecords) {
      if (record.elementType == kSelectObject) {
        SetColour(mesh, c.r, c.g, c.b, c.a);
        RecolourAllCorners(mesh, colour);
        changed = true;
      } else if (record.elementType == kSelectFace || record.elementType == kSelectTriangle) {
        for (size_t k = 3; k < 6; ++k)
          SetCornerColour(mesh, record.indices[k], colour);
        changed = true;
      }
    }
  }
  return changed;
}

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
