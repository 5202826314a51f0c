// Document: ids, adding and removing objects, the queries, the change flags,
// the selection list and its primary object, reset and notifications.
#include "core/document.h"

#include <gtest/gtest.h>

#include <vector>

#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::RecordingListener;

SceneObject MakeObject(int triangles) {
  SceneObject o;
  for (int i = 0; i < triangles; ++i) {
    const float f = float(i);
    AppendTriangle(o.mesh, {f, 0, 0}, {f + 1, 0, 0}, {f, 1, 0}, 0xFF808080u);
  }
  return o;
}

uint32_t AddTriangles(Document& doc, int triangles = 4) {
  return AddObjectCopy(doc, MakeObject(triangles));
}

// The deletion of Collapse in object mode: emptied and marked dead.
void KillObject(Document& doc, uint32_t id) {
  SceneObject* o = FindObject(doc, id);
  ASSERT_NE(o, nullptr);
  ClearMesh(o->mesh);
  o->id = kNoObjectId;
  o->selected = false;
}

TEST(Document, NextIdIsOneMoreThanTheLargestLiveId) {
  Document doc;
  EXPECT_EQ(NextObjectId(doc), 1u);
  EXPECT_EQ(AddTriangles(doc), 1u);
  for (int i = 0; i < 4; ++i)
    AddTriangles(doc);
  RemoveObject(doc, 2);
  RemoveObject(doc, 3);
  RemoveObject(doc, 4);
  EXPECT_EQ(doc.objects.size(), 2u);
  EXPECT_EQ(doc.objectCount, 2u);
  EXPECT_EQ(NextObjectId(doc), 6u);
  KillObject(doc, 5);
  EXPECT_EQ(NextObjectId(doc), 2u) << "dead objects hold no id";
  EXPECT_EQ(FindObject(doc, 5), nullptr);
  EXPECT_EQ(FindObject(doc, kNoObjectId), nullptr) << "dead objects are not found by 0xFFFFFFFF";
  RemoveObject(doc, 42);
  RemoveObject(doc, kNoObjectId);
  EXPECT_EQ(doc.objects.size(), 2u);
  RecountObjects(doc);
  EXPECT_EQ(doc.objectCount, 1u);
}

TEST(Document, AddedObjectsAreCopiesOrTakeOverImports) {
  Document doc;
  SceneObject src = MakeObject(2);
  src.id = 40;
  src.metadata.Set("ObjectName", "A");
  const uint32_t id = AddObjectCopy(doc, src);
  EXPECT_EQ(id, 1u) << "a fresh id, not the source's";
  EXPECT_EQ(TriangleCount(src.mesh), 2u);
  SceneObject* added = FindObject(doc, id);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->metadata.GetOr("ObjectName", ""), "A");

  SceneObject three = MakeObject(3);
  EXPECT_EQ(AddImportedObject(doc, three), kNoObjectId);
  EXPECT_EQ(TriangleCount(three.mesh), 3u) << "a refused import is left alone";
  SceneObject four = MakeObject(4);
  four.metadata.Set("ObjectName", "B");
  const uint32_t imported = AddImportedObject(doc, four);
  EXPECT_EQ(imported, 2u);
  EXPECT_EQ(TriangleCount(four.mesh), 0u) << "the contents were taken over";
  ASSERT_EQ(doc.objects.back()->id, imported) << "appended at the end";
  EXPECT_EQ(TriangleCount(doc.objects.back()->mesh), 4u);
  EXPECT_EQ(doc.objects.back()->metadata.GetOr("ObjectName", ""), "B");
  EXPECT_EQ(doc.objectCount, 2u);
}

TEST(Document, SelectionKeepsOrderUniqueIdsAndOnePrimary) {
  Document doc;
  const uint32_t a = AddTriangles(doc), b = AddTriangles(doc), c = AddTriangles(doc);
  AddToSelection(doc, a);
  AddToSelection(doc, b);
  AddToSelection(doc, c);
  AddToSelection(doc, b);
  AddToSelection(doc, kNoObjectId);
  AddToSelection(doc, 77);  // names no object
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{a, b, c}));
  EXPECT_TRUE(FindObject(doc, a)->primarySelected);
  EXPECT_FALSE(FindObject(doc, b)->primarySelected);

  RemoveFromSelection(doc, b);
  EXPECT_TRUE(FindObject(doc, a)->primarySelected) << "removing a later id keeps the primary";
  RemoveFromSelection(doc, a);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{c}));
  EXPECT_FALSE(FindObject(doc, a)->primarySelected);
  EXPECT_TRUE(FindObject(doc, c)->primarySelected) << "the next in selection order takes over";
  RemoveFromSelection(doc, c);
  EXPECT_FALSE(FindObject(doc, c)->primarySelected);
  EXPECT_TRUE(doc.selection.empty());
  // An emptied list gives the primary to the next id added.
  AddToSelection(doc, b);
  EXPECT_TRUE(FindObject(doc, b)->primarySelected);
}

TEST(Document, SelectAllAndDeselectAll) {
  Document doc;
  const uint32_t a = AddTriangles(doc);
  const uint32_t dead = AddTriangles(doc);
  SceneObject outlined;
  outlined.outlineShapes.push_back({});
  const uint32_t o = AddObjectCopy(doc, outlined);
  KillObject(doc, dead);
  SelectAll(doc);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{a, o}));
  EXPECT_EQ(SelectedCount(doc), 2u);
  SceneObject* first = FindObject(doc, a);
  EXPECT_TRUE(first->selected && first->primarySelected && first->showBoundingBox);
  ASSERT_EQ(first->selectionRecords.size(), 1u);
  EXPECT_EQ(first->selectionRecords.front().elementType, kSelectObject);
  EXPECT_EQ(first->selectionRecords.front().ownerId, a);
  EXPECT_FALSE(FindObject(doc, o)->showBoundingBox) << "outlines are shown instead";
  EXPECT_FALSE(doc.objects[1]->selected) << "dead objects are skipped";
  EXPECT_TRUE(AnySelectedWithOutlines(doc));

  first->lineSlots[0].inUse = true;
  first->outlineWork.push_back({});
  DeselectAll(doc);
  EXPECT_TRUE(doc.selection.empty());
  EXPECT_FALSE(AnySelected(doc));
  EXPECT_FALSE(first->primarySelected || first->showBoundingBox);
  EXPECT_TRUE(first->selectionRecords.empty());
  EXPECT_FALSE(first->lineSlots[0].inUse);
  EXPECT_TRUE(first->outlineWork.empty());

  // The selection mode is only stored.
  SelectAll(doc);
  SetSelectionMode(doc, kSelectionModeEdge);
  EXPECT_EQ(doc.selectionMode, kSelectionModeEdge);
  SetSelectionMode(doc, 9);
  EXPECT_EQ(doc.selectionMode, kSelectionModeEdge);
  EXPECT_EQ(doc.selection.size(), 2u);
}

TEST(Document, QueriesSkipDeadObjectsButChangesIncludeDeletions) {
  Document doc;
  EXPECT_TRUE(IsBlank(doc));
  EXPECT_FALSE(HasChanges(doc));
  EXPECT_EQ(FirstObjectWithOutlines(doc), kNoObjectId);

  const uint32_t a = AddTriangles(doc);
  EXPECT_FALSE(IsBlank(doc));
  EXPECT_TRUE(AnyWithTriangles(doc));
  EXPECT_TRUE(HasChanges(doc)) << "a new object's mesh carries its change flags";
  ClearSavedFlags(doc);
  EXPECT_FALSE(HasChanges(doc));
  doc.haveChanges = true;
  EXPECT_TRUE(HasChanges(doc));
  ClearSavedFlags(doc);

  SceneObject outlined;
  outlined.outlineShapes.push_back({});
  const uint32_t o = AddObjectCopy(doc, outlined);
  EXPECT_EQ(FirstObjectWithOutlines(doc), o);
  EXPECT_TRUE(AnyWithOutlines(doc));
  EXPECT_FALSE(AnySelectedWithOutlines(doc));

  ClearSavedFlags(doc);
  KillObject(doc, a);
  EXPECT_FALSE(AnyWithTriangles(doc));
  EXPECT_TRUE(HasChanges(doc)) << "a deleted object still has to be saved away";
  KillObject(doc, o);
  EXPECT_TRUE(IsBlank(doc));
  EXPECT_EQ(FirstObjectWithOutlines(doc), kNoObjectId);

  doc.forceRecord = true;
  ClearRecordedFlags(doc);
  EXPECT_FALSE(doc.forceRecord);
  for (const auto& obj : doc.objects)
    EXPECT_FALSE(obj->mesh.unrecordedChange);
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
  EXPECT_TRUE(doc.objects.empty());
  EXPECT_TRUE(doc.selection.empty());
  EXPECT_EQ(doc.objectCount, 0u);
  EXPECT_EQ(doc.filePath, "/tmp/models/Untitled.stl");
  EXPECT_EQ(doc.fileType, 3u);
  EXPECT_TRUE(doc.untitled);
  EXPECT_FALSE(doc.haveChanges);
  EXPECT_FALSE(doc.forceRecord);
  EXPECT_TRUE(doc.metadata.empty());
  EXPECT_EQ(AddTriangles(doc), 1u);

  Document fresh;
  EXPECT_NE(fresh.filePath.find("Untitled.stl"), std::string::npos);
  RecordingListener listener;
  Notify(fresh, kNotifyReset);  // nobody listening yet
  fresh.mainWindow = &listener;
  Notify(fresh, kNotifyObjectAdded, 1, 2);
  EXPECT_EQ(listener.codes, (std::vector<uint32_t>{kNotifyObjectAdded}));
}

}  // namespace
}  // namespace torvane
