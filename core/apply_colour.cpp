// ApplyColourToSelection and ApplyColourCommand.
#include "core/apply_colour.h"

#include "core/colour32.h"
#include "core/history.h"
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

CommandOutcome ApplyColourCommand(Document& doc) {
  CommandOutcome outcome;
  if (!AnySelected(doc)) return outcome;
  if (!doc.colourChosen) Notify(doc, kNotifyAskPaintColour);
  if (!doc.colourChosen) return outcome;
  RecordHistory(doc);
  outcome = ApplyColourToSelection(doc);
  RecountObjects(doc);
  return outcome;
}

}  // namespace torvane
