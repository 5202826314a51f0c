// History: when a snapshot is taken, undo and redo with the forced record
// after redo, the file state of snapshots, copy-on-write sharing and value
// semantics, the selection after a restore, deletions as steps of their own,
// and the memory reserve (oldest entries dropped, giving up cleanly).
#include "core/history.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/delete_objects.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

SceneObject MakeObject(float x) {
  return ChangedObject(SeparateTriangles(2, x));
}

SceneObject& Object(Document& doc, size_t index) {
  return *doc.objects.at(index);
}

void MoveObject(Document& doc, size_t index, float x) {
  SetPosition(Object(doc, index).mesh, Vec3{x, 0, 0});
}

TEST(History, RecordsOnlyWhenSomethingChanged) {
  Document doc;
  RecordingListener listener;
  doc.mainWindow = &listener;
  EXPECT_EQ(RecordHistory(doc), RecordResult::kNothingToRecord) << "a fresh document";
  AddObjectCopy(doc, MakeObject(0));

  EXPECT_EQ(RecordHistory(doc), RecordResult::kRecorded);
  EXPECT_EQ(RecordHistory(doc), RecordResult::kNothingToRecord) << "two records in a row";
  EXPECT_FALSE(Object(doc, 0).mesh.unrecordedChange);
  // Undo became possible; the second record changed nothing.
  EXPECT_EQ(listener.codes, std::vector<uint32_t>{kNotifyCommandStates});

  doc.forceRecord = true;
  EXPECT_EQ(RecordHistory(doc), RecordResult::kRecorded);
  // The entry keeps the state it saw.
  EXPECT_TRUE(!doc.forceRecord && NewestUndoEntry(doc)->forceRecord);
  MoveObject(doc, 0, 3);
  EXPECT_EQ(RecordHistory(doc), RecordResult::kRecorded);
  EXPECT_TRUE(doc.undoStack.size() == 3 && listener.codes.size() == 1);
}

TEST(History, UndoRedoAndTheForcedRecordAfterRedo) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  RecordHistory(doc);  // state A: position 0
  MoveObject(doc, 0, 1);
  RecordHistory(doc);     // state B: position 1
  MoveObject(doc, 0, 2);  // current C

  EXPECT_TRUE(Undo(doc).changed);
  EXPECT_FLOAT_EQ(Object(doc, 0).mesh.position.x, 1);
  EXPECT_TRUE(CanRedo(doc) && Redo(doc).changed);
  EXPECT_FLOAT_EQ(Object(doc, 0).mesh.position.x, 2);
  EXPECT_TRUE(doc.forceRecord) << "the redone state must be recorded before the next change";

  RecordHistory(doc);
  MoveObject(doc, 0, 5);
  for (float x : {2.0f, 1.0f, 0.0f}) {  // back to the redone state, then the older ones
    Undo(doc);
    EXPECT_FLOAT_EQ(Object(doc, 0).mesh.position.x, x);
  }
  EXPECT_FALSE(CanUndo(doc) || Undo(doc).changed);

  // A new change after undoing discards the undone states.
  ASSERT_TRUE(CanRedo(doc));
  MoveObject(doc, 0, 7);
  RecordHistory(doc);
  EXPECT_FALSE(Redo(doc).changed);
}

TEST(History, UndoRestoresTheFileStateOfTheSnapshot) {
  Document doc;
  doc.defaultFolder = "/tmp/models";
  doc.filePath = DefaultDocumentPath(doc);
  doc.metadata.Set("ModelName", "first");
  AddObjectCopy(doc, MakeObject(0));
  RecordHistory(doc);
  MoveObject(doc, 0, 1);

  // Save As a native file, then keep editing.
  doc.filePath = "/tmp/models/part.tvx";
  doc.fileType = 0;
  doc.untitled = false;
  doc.loadCode = 9;
  doc.metadata.Set("ModelName", "second");
  ClearSavedFlags(doc);
  RecordHistory(doc);
  MoveObject(doc, 0, 2);

  Undo(doc);
  EXPECT_EQ(doc.filePath, "/tmp/models/part.tvx");
  Undo(doc);
  EXPECT_EQ(doc.filePath, "/tmp/models/Untitled.stl");
  EXPECT_TRUE(doc.untitled && doc.fileType == 3u && doc.metadata.GetOr("ModelName", "") == "first");
  EXPECT_EQ(doc.loadCode, 9u) << "the load code is not part of what a snapshot restores";
  EXPECT_TRUE(Object(doc, 0).mesh.unsavedChange) << "the snapshot predates the save";
}

TEST(History, SnapshotsShareGeometryAndKeepValueSemantics) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  AddObjectCopy(doc, MakeObject(10));
  RecordHistory(doc);
  const HistoryEntry* entry = NewestUndoEntry(doc);
  ASSERT_TRUE(entry != nullptr && entry->objects.size() == 2);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_TRUE(
        entry->objects[i]->mesh.positions.SharesStorageWith(Object(doc, i).mesh.positions) &&
        entry->objects[i]->mesh.corners.SharesStorageWith(Object(doc, i).mesh.corners));
  }

  // An edit writes to the document's own copy only.
  Object(doc, 0).mesh.positions.MutableData()[0] = Vec3{-4, -4, -4};
  MarkChanged(Object(doc, 0).mesh);
  EXPECT_FLOAT_EQ(entry->objects[0]->mesh.positions[0].x, 0);
  // The unchanged object still shares.
  EXPECT_TRUE(entry->objects[1]->mesh.positions.SharesStorageWith(Object(doc, 1).mesh.positions));

  for (auto& o : doc.objects)
    o->mesh.renderStale = false;
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 0).mesh.positions[0].x, 0);
  for (auto& o : doc.objects)
    EXPECT_TRUE(o->mesh.renderStale) << "restored meshes are drawn anew";

  // An edit after undo leaves the redo entry as it was.
  Object(doc, 0).mesh.positions.MutableData()[0] = Vec3{8, 8, 8};
  ASSERT_EQ(doc.redoStack.size(), 1u);
  EXPECT_FLOAT_EQ(doc.redoStack.back()->objects[0]->mesh.positions[0].x, -4);
  Redo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 0).mesh.positions[0].x, -4);
}

TEST(History, RestoreRebuildsTheSelectionFromTheObjects) {
  Document doc;
  for (int i = 0; i < 3; ++i)
    AddObjectCopy(doc, MakeObject(float(i)));
  // Selected in the order 3, 1 (3 is primary).
  for (uint32_t id : {3u, 1u})
    SelectById(doc, id);
  RecordHistory(doc);
  DeselectAll(doc);
  SelectById(doc, 2);
  doc.outlineObjectId = 2;
  MoveObject(doc, 1, 4);

  Undo(doc);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{1, 3})) << "list order after a restore";
  EXPECT_TRUE(FindObject(doc, 1)->primarySelected && !FindObject(doc, 3)->primarySelected);
  EXPECT_FALSE(FindObject(doc, 2)->selected);
  EXPECT_EQ(doc.outlineObjectId, kNoObjectId) << "no object holds an outline";
}

TEST(History, ADeletionIsAStepOfItsOwn) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  AddObjectCopy(doc, MakeObject(5));
  SelectById(doc, 1);
  RecordHistory(doc);

  DeleteSelectedObjects(doc);  // records the state before, then deletes object 1
  ASSERT_FALSE(IsLive(Object(doc, 0)));
  EXPECT_EQ(doc.objectCount, 1u);
  SelectAll(doc);  // nothing live changed since, but the deletion must be recorded
  EXPECT_TRUE(Object(doc, 1).selected);

  Undo(doc);
  // Undoing Select all keeps the deletion.
  EXPECT_TRUE(!IsLive(Object(doc, 0)) && doc.selection.empty());
  Undo(doc);
  EXPECT_TRUE(IsLive(Object(doc, 0)) && TriangleCount(Object(doc, 0).mesh) == 2);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{1});
  EXPECT_EQ(doc.objectCount, 2u);
}

// Answers a low figure for the first `lowCalls` questions, then plenty.
int gLowCalls = 0;
uint64_t RecoveringFigure() {
  if (gLowCalls > 0) {
    --gLowCalls;
    return kHistoryMemoryReserve;
  }
  return uint64_t{8} << 30;
}

TEST(History, MemoryReserveDropsTheOldestEntriesFirst) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  for (int i = 0; i < 4; ++i) {
    doc.metadata.SetInt("Step", i);
    doc.forceRecord = true;
    RecordHistory(doc);
  }
  ASSERT_EQ(doc.undoStack.size(), 4u);
  Undo(doc);
  ASSERT_EQ(doc.redoStack.size(), 1u);

  gLowCalls = 2;
  SetHistoryMemoryFigure(&RecoveringFigure);
  doc.metadata.SetInt("Step", 4);
  doc.forceRecord = true;
  EXPECT_EQ(RecordHistory(doc), RecordResult::kRecorded);
  SetHistoryMemoryFigure(nullptr);

  EXPECT_TRUE(doc.redoStack.empty());
  std::vector<int64_t> steps;
  for (const auto& e : doc.undoStack)
    steps.push_back(e->metadata.GetInt("Step"));
  // Steps 0..2 were left after the undo; 0 and 1 made room for step 4.
  EXPECT_EQ(steps, (std::vector<int64_t>{2, 4}));
}

TEST(History, GivesUpCleanlyWhenMemoryStaysShort) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  RecordHistory(doc);
  MoveObject(doc, 0, 1);
  RecordHistory(doc);
  MoveObject(doc, 0, 2);

  {
    MemoryOverride low(kHistoryMemoryReserve);
    EXPECT_EQ(RecordHistory(doc), RecordResult::kNoRoom);
  }
  EXPECT_TRUE(doc.undoStack.empty()) << "every entry was dropped trying to make room";
  EXPECT_TRUE(Object(doc, 0).mesh.unrecordedChange) << "nothing recorded, nothing cleared";
  {
    MemoryOverride enough(kHistoryMemoryReserve + 1);
    EXPECT_EQ(RecordHistory(doc), RecordResult::kRecorded);
  }
  MoveObject(doc, 0, 3);
  Undo(doc);
  EXPECT_FLOAT_EQ(Object(doc, 0).mesh.position.x, 2);
}

}  // namespace
}  // namespace torvane
