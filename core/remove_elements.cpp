// Remove: the picked faces' and triangles' triangles die, leaving their
// vertices in place.
//
// Input: one object's face and triangle records. Output: three dead corners
// per removed triangle, the object deselected; a mesh left with no live
// corner keeps no transform of its own.
#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {

using namespace element;

void RemoveObjectElements(SceneObject& object) {
  Mesh& mesh = object.mesh;
  bool removed = false;
  for (const SelectionRecord& record : object.selectionRecords) {
    if (record.elementType != kSelectFace && record.elementType != kSelectTriangle) continue;
    const auto& k = record.indices;
    MeshCorner* t = RecordTriangle(mesh, k[3], k[4], k[5]);
    if (!t) continue;
    KillTriangle(t);
    removed = true;
  }
  if (removed) {
    MarkChanged(mesh);
    InvalidateBounds(mesh);
  }
  EndSelection(object);
  if (!HasLiveTriangle(mesh)) ResetTransform(object);
}

}  // namespace torvane
