// Document: ids, adding and removing objects, the queries, the change flags,
// the selection list and its primary object, reset and notifications.
#include "core/document.h"

#include <gtest/gtest.h>

#include <vector>

#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::SeparateTriangles;

uint32_t AddTriangles(Document& doc, int triangles = 4) {
  SceneObject o;
  o.mesh = SeparateTriangles(triangles);
  return AddObjectCopy(doc, o);
}

uint32_t AddOutlined(Document& doc) {
  SceneObject outlined;
  outlined.outlineShapes.push_back({});
  return AddObjectCopy(doc, outlined);
}

// The deletion of Collapse in object mode: emptied and marked dead.
void KillObject(Document& doc, uint32_t id) {
  SceneObject* o = FindObject(doc, id);
  ASSERT_NE(o, nullptr);
  ClearMesh(o->mesh);
  o->id = kNoObjectId;
  o->selected = false;
}

TEST(Document, IdsObjectsAndTheImportRule) {
  Document doc;
  EXPECT_EQ(NextObjectId(doc), 1u);
  for (int i = 0; i < 5; ++i)
    AddTriangles(doc);
  for (uint32_t id : {2u, 3u, 4u, 42u, kNoObjectId})
    RemoveObject(doc, id);
  EXPECT_EQ(doc.objectCount, 2u);
  EXPECT_EQ(NextObjectId(doc), 6u) << "one more than the largest live id";
  KillObject(doc, 5);
  EXPECT_EQ(NextObjectId(doc), 2u) << "dead objects hold no id";
  EXPECT_EQ(FindObject(doc, kNoObjectId), nullptr) << "dead objects are not found by 0xFFFFFFFF";

  // A copy gets a fresh id and leaves the source alone; an import takes the
  // contents over, unless it has too few triangles.
  SceneObject src;
  src.mesh = SeparateTriangles(2);
  src.id = 40;
  src.metadata.Set("ObjectName", "A");
  ASSERT_EQ(AddObjectCopy(doc, src), 2u);
  EXPECT_EQ(FindObject(doc, 2)->metadata.GetOr("ObjectName", ""), "A");
  SceneObject three, four;
  three.mesh = SeparateTriangles(3);
  four.mesh = SeparateTriangles(4);
  four.metadata.Set("ObjectName", "B");
  EXPECT_EQ(AddImportedObject(doc, three), kNoObjectId);
  EXPECT_EQ(TriangleCount(three.mesh), 3u) << "a refused import is left alone";
  EXPECT_EQ(AddImportedObject(doc, four), 3u);
  EXPECT_EQ(TriangleCount(four.mesh), 0u) << "the contents were taken over";
  EXPECT_TRUE(TriangleCount(doc.objects.back()->mesh) == 4 &&
              doc.objects.back()->metadata.GetOr("ObjectName", "") == "B")
      << "appended at the end";
}

TEST(Document, SelectionKeepsOrderUniqueIdsAndOnePrimary) {
  Document doc;
  const uint32_t a = AddTriangles(doc), b = AddTriangles(doc), c = AddTriangles(doc);
  for (uint32_t id : {a, b, c, b, kNoObjectId, 77u})  // 77 names no object
    AddToSelection(doc, id);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{a, b, c}));
  auto primary = [&](uint32_t id) { return FindObject(doc, id)->primarySelected; };
  EXPECT_TRUE(primary(a) && !primary(b));
  RemoveFromSelection(doc, b);
  EXPECT_TRUE(primary(a)) << "removing a later id keeps the primary";
  RemoveFromSelection(doc, a);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{c}));
  EXPECT_TRUE(!primary(a) && primary(c)) << "the next in selection order takes over";
  RemoveFromSelection(doc, c);
  AddToSelection(doc, b);
  EXPECT_TRUE(primary(b)) << "an emptied list gives the primary to the next id added";
}

TEST(Document, SelectAllSkipsDeadObjectsAndDeselectAllClearsTheEditingState) {
  Document doc;
  const uint32_t a = AddTriangles(doc);
  const uint32_t dead = AddTriangles(doc);
  const uint32_t o = AddOutlined(doc);
  KillObject(doc, dead);
  SelectAll(doc);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{a, o}));
  SceneObject* first = FindObject(doc, a);
  EXPECT_TRUE(first->selected && first->primarySelected && first->showBoundingBox);
  ASSERT_EQ(first->selectionRecords.size(), 1u);
  EXPECT_EQ(first->selectionRecords.front().ownerId, a);
  EXPECT_FALSE(FindObject(doc, o)->showBoundingBox) << "outlines are shown instead";
  EXPECT_TRUE(AnySelectedWithOutlines(doc));

  first->lineSlots[0].inUse = true;
  first->outlineWork.push_back({});
  DeselectAll(doc);
  EXPECT_TRUE(doc.selection.empty() && !AnySelected(doc));
  EXPECT_FALSE(first->primarySelected || first->showBoundingBox || first->lineSlots[0].inUse);
  EXPECT_TRUE(first->selectionRecords.empty() && first->outlineWork.empty());
  SelectAll(doc);
  SetSelectionMode(doc, kSelectionModeEdge);
  SetSelectionMode(doc, 9);
  EXPECT_EQ(doc.selectionMode, kSelectionModeEdge) << "an unknown mode is refused";
  EXPECT_EQ(doc.selection.size(), 2u) << "a new mode keeps the selection";
}

TEST(Document, QueriesSkipDeadObjectsButChangesIncludeDeletions) {
  Document doc;
  EXPECT_TRUE(IsBlank(doc) && !HasChanges(doc));
  const uint32_t a = AddTriangles(doc);
  EXPECT_TRUE(HasChanges(doc)) << "a new object's mesh carries its change flags";
  ClearSavedFlags(doc);
  EXPECT_FALSE(HasChanges(doc));
  doc.haveChanges = true;
  EXPECT_TRUE(HasChanges(doc));

  const uint32_t o = AddOutlined(doc);
  EXPECT_EQ(FirstObjectWithOutlines(doc), o);
  ClearSavedFlags(doc);
  KillObject(doc, a);
  EXPECT_FALSE(AnyWithTriangles(doc));
  EXPECT_TRUE(HasChanges(doc)) << "a deleted object still has to be saved away";
  KillObject(doc, o);
  EXPECT_TRUE(IsBlank(doc));
  EXPECT_EQ(FirstObjectWithOutlines(doc), kNoObjectId);
}

TEST(Document, ResetStartsAnUntitledDocumentInTheDefaultFolder) {
  Document doc;
  doc.defaultFolder = "/tmp/models";
  AddTriangles(doc);
  AddToSelection(doc, 1);
  doc.filePath = "/elsewhere/a.obj";
  doc.fileType = 4;
  doc.untitled = false;
  doc.haveChanges = doc.forceRecord = true;
  doc.metadata.Set("ModelName", "x");
  ResetDocument(doc);
  EXPECT_TRUE(doc.objects.empty() && doc.selection.empty() && doc.metadata.empty() &&
              doc.objectCount == 0);
  EXPECT_EQ(doc.filePath, "/tmp/models/Untitled.stl");
  EXPECT_TRUE(doc.fileType == 3 && doc.untitled && !doc.haveChanges && !doc.forceRecord);
  EXPECT_EQ(AddTriangles(doc), 1u);

  Document fresh;
  testing::RecordingListener listener;
  Notify(fresh, kNotifyReset);  // nobody listening yet
  fresh.mainWindow = &listener;
  Notify(fresh, kNotifyObjectAdded, 1, 2);
  EXPECT_EQ(listener.codes, (std::vector<uint32_t>{kNotifyObjectAdded}));
}

}  // namespace
}  // namespace torvane
