// Reverse: each picked triangle turns to face the other way.
//
// Input: one object's triangle records (a face is kept as the records of its
// triangles). Output: in each triangle the first and third corners exchange
// their whole records and all three take the new face normal; the records
// are cleared, the object stays selected.
#include <utility>

#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {

using namespace element;

void ReverseObjectElements(SceneObject& object) {
  Mesh& mesh = object.mesh;
  const uint32_t vertices = ReadableVertices(mesh);
  bool reversed = false;
  for (const SelectionRecord& record : object.selectionRecords) {
    if (record.elementType != kSelectTriangle) continue;
    const auto& k = record.indices;
    MeshCorner* t = RecordTriangle(mesh, k[3], k[4], k[5]);
    if (!t || !IsLiveTriangle(t, vertices)) continue;
    std::swap(t[0], t[2]);
    const Vec3* p = mesh.positions.data();
    const Vec3 normal = FaceNormal(p[t[0].vertexIndex], p[t[1].vertexIndex], p[t[2].vertexIndex]);
    for (int i = 0; i < 3; ++i)
      t[i].normal = normal;
    reversed = true;
  }
  if (reversed) MarkChanged(mesh);
  object.selectionRecords.clear();
  object.moveCacheStale = true;
}

}  // namespace torvane
