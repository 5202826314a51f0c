// Document, its objects and its history. Ids, adding and removing objects,
// the queries, the change flags, the selection list and its primary object,
// reset and notifications; the two object copies (for adding and for a
// history snapshot) and what each takes along: editing caches never travel,
// and a snapshot's move cache must be rebuilt before use. History: when a
// snapshot is taken, undo and redo with the forced record after redo, the
// file state of snapshots, copy-on-write sharing and value semantics, the
// selection after a restore, deletions as steps of their own, and the
// memory reserve (oldest entries dropped, giving up cleanly).
#include "core/document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "core/copy_buffer.h"
#include "core/delete_objects.h"
#include "core/history.h"
#include "core/primitives.h"
#include "core/split_group.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

uint32_t AddTriangles(Document& doc) {
  return AddObjectCopy(doc, ChangedObject(SeparateTriangles(4)));
}

uint32_t AddOutlined(Document& doc) {
  SceneObject outlined;
  outlined.outlineShapes.push_back({});
  return AddObjectCopy(doc, outlined);
}

// The deletion of Collapse in object mode: emptied and marked dead.
void KillObject(Document& doc, uint32_t id) {
  SceneObject& o = *FindObject(doc, id);
  ClearMesh(o.mesh);
  o.id = kNoObjectId;
  o.selected = false;
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
  // A refused import is left alone; an accepted one's contents are taken over.
  EXPECT_TRUE(AddImportedObject(doc, three) == kNoObjectId && TriangleCount(three.mesh) == 3);
  EXPECT_TRUE(AddImportedObject(doc, four) == 3 && TriangleCount(four.mesh) == 0);
  // Appended at the end.
  EXPECT_TRUE(TriangleCount(doc.objects.back()->mesh) == 4 &&
              doc.objects.back()->metadata.GetOr("ObjectName", "") == "B");
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
  EXPECT_TRUE(first->selectionRecords.size() == 1 && first->selectionRecords[0].ownerId == a);
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
  EXPECT_TRUE(HasChanges(doc)) << "the document's own flag";

  const uint32_t o = AddOutlined(doc);
  EXPECT_EQ(FirstObjectWithOutlines(doc), o);
  ClearSavedFlags(doc);
  KillObject(doc, a);
  // A deleted object still has to be saved away.
  EXPECT_TRUE(!AnyWithTriangles(doc) && HasChanges(doc));
  KillObject(doc, o);
  EXPECT_TRUE(IsBlank(doc) && FirstObjectWithOutlines(doc) == kNoObjectId);
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
  RecordingListener listener;
  Notify(fresh, kNotifyReset);  // nobody listening yet
  fresh.mainWindow = &listener;
  Notify(fresh, kNotifyObjectAdded, 1, 2);
  EXPECT_EQ(listener.codes, (std::vector<uint32_t>{kNotifyObjectAdded}));
}

SceneObject MakeBusyObject() {
  SceneObject o;
  AppendTriangle(o.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF808080u);
  o.id = 7;
  o.worldMatrix.m[12] = 4;
  o.outlineShapes.push_back({{OutlineSegment{{0, 0, 0}, {1, 0, 0}, {}, true}}});
  o.outlineMode = 2;
  o.outlineWork.push_back({});
  o.lineSlots[3].inUse = true;
  SelectionRecord r;
  r.elementType = kSelectTriangle;
  r.indices = {0, 1, 2, 0, 1, 2};
  PushSelectionRecord(o.selectionRecords, r);
  o.selected = o.primarySelected = o.showBoundingBox = o.outlineFlagC = o.pickFlag = true;
  o.moveCacheStale = false;
  o.moveVertices = {0, 1};
  o.moveTriangles = {0};
  o.metadata.Set("ObjectName", "Busy");
  o.pickPoint = {1, 2, 3};
  return o;
}

TEST(SceneObject, CopiesTakeTheModelAndLeaveTheEditingStateBehind) {
  const SceneObject src = MakeBusyObject();
  for (bool snapshot : {false, true}) {
    SCOPED_TRACE(snapshot ? "snapshot" : "adding");
    SceneObject dst;  // a snapshot copy may land on an object in use
    if (snapshot) {
      dst.id = 99;
      dst.moveVertices = {5};
      dst.outlineWork.push_back({});
      dst.lineSlots[0].inUse = true;
    }
    ASSERT_TRUE(snapshot ? CopyObjectForSnapshot(src, dst) : CopyObjectForAdding(src, dst));
    EXPECT_EQ(dst.id, 7u) << "a snapshot, or a destination without an id, takes the source's";
    EXPECT_TRUE(dst.worldMatrix.m[12] == 4 && dst.mesh.corners.SharesStorageWith(src.mesh.corners));
    EXPECT_TRUE(dst.outlineShapes.size() == 1u && dst.metadata.GetOr("ObjectName", "") == "Busy");
    EXPECT_EQ(dst.outlineFlagC && dst.pickFlag && dst.pickPoint.z == 3, snapshot);
    EXPECT_FALSE(dst.primarySelected);
    EXPECT_TRUE(dst.moveVertices.empty() && dst.moveTriangles.empty() && dst.outlineWork.empty());
    EXPECT_TRUE(dst.moveCacheStale) << "an empty move cache must be rebuilt before use";
    for (const OutlineSegment& slot : dst.lineSlots)
      EXPECT_FALSE(slot.inUse);
  }
  SceneObject withId;
  withId.id = 3;
  ASSERT_TRUE(CopyObjectForAdding(src, withId));
  EXPECT_TRUE(withId.id == 3 && withId.selected && withId.showBoundingBox &&
              withId.selectionRecords.size() == 1 && withId.outlineMode == 2);
}

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
  return gLowCalls-- > 0 ? kHistoryMemoryReserve : uint64_t{8} << 30;
}

TEST(History, MemoryReserveDropsTheOldestEntriesFirst) {
  Document doc;
  AddObjectCopy(doc, MakeObject(0));
  for (int i = 0; i < 4; ++i) {
    doc.metadata.SetInt("Step", i);
    doc.forceRecord = true;
    RecordHistory(doc);
  }
  Undo(doc);
  ASSERT_TRUE(doc.undoStack.size() == 3 && doc.redoStack.size() == 1);

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
