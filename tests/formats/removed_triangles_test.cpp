// A document saved after triangles were removed opens again with exactly
// the live triangles, in every format the program writes; a mesh whose
// triangles were all removed is not written at all.

#include "core/element_edit.h"
#include "core/live_triangles.h"
#include "core/null_progress.h"
#include "core/primitives.h"
#include "format_test_support.h"
#include "formats/document_file_io.h"

namespace torvane {
namespace {

void SelectTriangles(Document& doc, SceneObject& object, uint32_t first, uint32_t last) {
  object.selected = true;
  AddToSelection(doc, object.id);
  for (uint32_t t = first; t < last; ++t) {
    SelectionRecord r;
    r.elementType = kSelectTriangle;
    for (uint32_t i = 0; i < 3; ++i) {
      r.indices[i] = object.mesh.corners.data()[t * 3 + i].vertexIndex;
      r.indices[3 + i] = t * 3 + i;
    }
    PushSelectionRecord(object.selectionRecords, r);
  }
}

TEST(RemovedTriangles, SavedFilesOpenAgainWithTheLiveTriangles) {
  test::TempFolder folder;
  for (const char* name : {"m.stl", "m.obj", "m.ply", "m.3ds", "m.3mf", "m.tvx"}) {
    SCOPED_TRACE(name);
    Document doc;
    ASSERT_TRUE(AddPrimitive(doc, PrimitiveShape::kCube, doc.currentColour).changed);
    ASSERT_TRUE(AddPrimitive(doc, PrimitiveShape::kIcosahedron, doc.currentColour).changed);
    DeselectAll(doc);
    SceneObject& cube = *doc.objects[0];
    SceneObject& ico = *doc.objects[1];
    // Two triangles out of the cube's middle, every one of the icosahedron's.
    SelectTriangles(doc, cube, 4, 6);
    SelectTriangles(doc, ico, 0, TriangleCount(ico.mesh));
    ASSERT_EQ(RunElementEdit(doc, ElementEdit::kRemove).status, kStatusDone);
    ASSERT_EQ(LiveTriangleCount(cube.mesh), 10u);
    ASSERT_FALSE(HasLiveTriangle(ico.mesh));

    NullProgress progress;
    const std::string path = folder.File(name);
    ASSERT_EQ(SaveDocumentToFile(doc, progress, path, false), kStatusDone);
    Document reopened;
    ASSERT_EQ(LoadFileIntoDocument(reopened, progress, path, false, nullptr), kLoaded);
    uint32_t objects = 0;
    for (const auto& o : reopened.objects) {
      if (!o || !IsLive(*o)) continue;
      ++objects;
      EXPECT_EQ(TriangleCount(o->mesh), 10u);
      EXPECT_EQ(LiveTriangleCount(o->mesh), 10u) << "no dead corner was written";
    }
    EXPECT_EQ(objects, 1u);
  }
}

}  // namespace
}  // namespace torvane
