// ApplyColourToSelection and RotateSelection.
#include "app/object_edits.h"

#include "core/colour32.h"
#include "core/mesh.h"

namespace torvane {

CommandOutcome ApplyColourToSelection(Document& doc) {
  CommandOutcome outcome;
  if (!doc.colourChosen) return outcome;
  const ColourF& c = doc.currentColour;
  const Colour32 colour = MakeColour32(c.r, c.g, c.b, c.a);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object) || !object->selected) continue;
    Mesh& mesh = object->mesh;
    for (const SelectionRecord& record : object->selectionRecords) {
      bool applied = true;
      if (record.elementType == kSelectObject) {
        // The corners first: when they cannot be written the object keeps
        // its colour too.
        applied = RecolourAllCorners(mesh, colour);
        if (applied) SetColour(mesh, c.r, c.g, c.b, c.a);
      } else if (record.elementType == kSelectFace || record.elementType == kSelectTriangle) {
        for (size_t k = 3; k < 6 && applied; ++k)
          applied = SetCornerColour(mesh, record.indices[k], colour);
      } else {
        continue;
      }
      if (!applied) {
        SetOutOfMemory(outcome, "Apply color");
        return outcome;
      }
      outcome.changed = true;
    }
  }
  return outcome;
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
