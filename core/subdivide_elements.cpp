// Subdivide face or triangle into 3, triangle into 4: the picked triangles
// are split one by one; into 4 also splits the neighbours on their edges,
// except the neighbours that are picked too (they are split themselves).
//
// Input: one object's face and triangle records. Output: the split triangles
// (their corner numbers stay valid, pieces are appended), the object
// deselected.
#include <new>
#include <vector>

#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {

using namespace element;

namespace {

bool IsTriangleRecord(const SelectionRecord& record) {
  return (record.elementType == kSelectFace || record.elementType == kSelectTriangle) &&
         record.indices[5] != kDeadIndex;
}

}  // namespace

bool SubdivideObjectTriangles(SceneObject& object, Subdivision kind) {
  Mesh& mesh = object.mesh;
  std::vector<uint32_t> picked;
  bool ok = true;
  try {
    for (const SelectionRecord& record : object.selectionRecords) {
      if (IsTriangleRecord(record)) picked.push_back(record.indices[3] / 3);
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (ok) {
    for (const SelectionRecord& record : object.selectionRecords) {
      if (!IsTriangleRecord(record)) continue;
      const auto& k = record.indices;
      ok = kind == Subdivision::kInto3
               ? SubdivideTriangleInto3(mesh, k[3], k[4], k[5])
               : SubdivideTriangleInto4(mesh, k[3], k[4], k[5], true, picked);
      if (!ok) break;
    }
  }
  InvalidateBounds(mesh);
  EndSelection(object);
  return ok;
}

}  // namespace torvane
