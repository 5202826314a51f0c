// Document, its objects and its history. Ids, adding and removing objects,
// the queries, the change flags, the selection list and its primary object,
// reset and notifications; the two object copies (for adding and for a
// history snapshot) and what each takes along: editing caches never travel,
// and a snapshot's move cache must be rebuilt before use. History: when a
// snapshot is taken, undo and redo with the forced record after redo, the
// file state of snapshots, copy-on-write sharing and value semantics, the
// selection after a restore, deletions as steps of their own, and the
// memory reserve (oldest entries dropped, giving up cleanly).
// Object commands. Split, group and duplicate: the parts of a split (order,
// corners, first-use vertex numbering, triangles joined through a later
// bridge, dead triangles travelling with the next part), group and split
// round trip, the renumbering of the document after a split, the status
// texts, and a cancelled split leaving the document as it was. Copy buffer:
// copy in object mode only, paste placement along the copied object's
// rotated Z extent, the selection after a paste, objects with 2D outlines,
// cut, and the history steps around them. Primitive shapes: counts,
// extents, closedness, volume, normals, colours and painted flags, the
// selection and history of the commands, and the out-of-memory path leaving
// the document unchanged.
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

// Vertex v lies at x = v and corner k carries colour k, so every part names
// the source vertices and corners it took.
TEST(SplitIntoParts, PartsTakeTheirCornersInOrderAndNumberVerticesByFirstUse) {
  constexpr uint32_t D = kDeadIndex, X = 99;  // X: past the vertices, never valid
  std::vector<Vec3> points;
  for (int v = 0; v < 13; ++v)
    points.push_back({float(v), 0, 0});
  SceneObject object;
  // clang-format off
  object.mesh = MeshOf(points, {D, 5, 6,  4, 5, 6,  0, 1, 2,  7, 9, 8,  2, 3, 0,  X, 1, 1,
                                         6, 7, 4,  D, D, D,  10, 11, 12,  D, 2, D,  D, D, D});
  // clang-format on
  SetScale(object.mesh, {2, 1, 1});
  SetRotation(object.mesh, {0, 30, 0});
  SetPosition(object.mesh, {1, 2, 3});
  UpdateWorldMatrix(object);
  // Head first: the last part found comes first. Triangle 6 bridges 1 and 3;
  // the dead triangles 5 and 7 go with the part seeded after them (8), and
  // the ones after the last seed make a part while a corner is live.
  const struct {
    std::vector<uint32_t> corners, indices, vertices;
  } kParts[] = {
      // clang-format off
      {{27, 28, 29, 30, 31, 32}, {D, 0, D, D, D, D}, {2}},
      {{15, 16, 17, 21, 22, 23, 24, 25, 26}, {D, 0, 0, D, D, D, 1, 2, 3}, {1, 10, 11, 12}},
      {{6, 7, 8, 12, 13, 14}, {0, 1, 2, 2, 3, 0}, {0, 1, 2, 3}},
      {{0, 1, 2, 3, 4, 5, 9, 10, 11, 18, 19, 20}, {D, 0, 1, 2, 0, 1, 3, 4, 5, 1, 3, 2},
       {5, 6, 4, 7, 9, 8}},
      // clang-format on
  };
  ObjectList parts;
  size_t count = 7;
  NullProgress progress;
  ASSERT_EQ(SplitIntoParts(object, progress, parts, count), kStatusDone);
  ASSERT_TRUE(count == 7 + 4 && parts.size() == 4);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Mesh& m = parts[i]->mesh;
    ASSERT_EQ(m.cornerCount, kParts[i].corners.size());
    for (uint32_t k = 0; k < m.cornerCount; ++k) {
      EXPECT_TRUE(m.corners[k].colour == (0xFF000000u | kParts[i].corners[k]) &&
                  m.corners[k].vertexIndex == kParts[i].indices[k])
          << k;
    }
    ASSERT_EQ(m.vertexCount, kParts[i].vertices.size());
    for (uint32_t v = 0; v < m.vertexCount; ++v)
      EXPECT_EQ(m.positions[v].x, float(kParts[i].vertices[v])) << v;
    EXPECT_TRUE(PositionsEqual(m.scale, {2, 1, 1}) && PositionsEqual(m.rotation, {0, 30, 0}) &&
                PositionsEqual(m.position, {1, 2, 3}));
    EXPECT_TRUE(parts[i]->worldMatrix.m == object.worldMatrix.m &&
                m.colour == kDefaultObjectColour && parts[i]->id == kNoObjectId);
  }
}

TEST(SplitObjects, GroupThenSplitGivesBackTheCubesAndRenumbersTheDocument) {
  Document doc;
  const uint32_t first = AddSelectedMesh(doc, Cube({0, 0, 0}, {2, 2, 2}), "A");
  AddSelectedMesh(doc, Cube({5, 0, 0}, {6, 1, 1}), "B");
  EXPECT_EQ(GroupObjectsCommand(doc).statusText,
            "The 2 selected objects have been combined into a single object.");
  ASSERT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.objects[0]->mesh.name, "A");
  EXPECT_EQ(doc.objects[0]->mesh.position.x, 3.0f) << "origin at the centre of the group's bounds";
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{first});

  NullProgress progress;
  EXPECT_EQ(SplitObjectsCommand(doc, progress).statusText,
            "The selected objects have been split into 2.");
  ASSERT_EQ(doc.objects.size(), 2u);
  // The part found last comes first: the small cube, then the big one, each
  // about its own centre and without the group's name.
  EXPECT_EQ(doc.objects[1]->id, 2u);
  EXPECT_TRUE(doc.objects[0]->mesh.position.x == 5.5f && doc.objects[1]->mesh.position.x == 1.0f);
  EXPECT_EQ(MeshBounds(doc.objects[0]->mesh).min.x, -0.5f);
  EXPECT_TRUE(doc.objects[1]->mesh.name.empty() && doc.selection.empty());
  Undo(doc);
  Undo(doc);
  EXPECT_EQ(doc.objects.size(), 2u) << "both steps undone";
}

TEST(SplitObjects, RenumbersEverythingAndKeepsDeadObjectsDead) {
  Document doc;
  for (int i = 0; i < 4; ++i)
    AddObjectCopy(doc, ChangedObject(Cube({float(i), 0, 0}, {float(i) + 0.5f, 1, 1})));
  // Object 1 is deleted (dead), object 3 gets split.
  doc.objects[0]->id = kNoObjectId;
  ClearMesh(doc.objects[0]->mesh);
  AppendMesh(doc.objects[2]->mesh, Cube({3, 3, 3}, {4, 4, 4}));  // apart by index
  SelectById(doc, 3);
  doc.outlineObjectId = 4;

  size_t parts = 0;
  NullProgress progress;
  ASSERT_EQ(SplitSelectedObjects(doc, progress, parts), kStatusDone);
  EXPECT_EQ(parts, 2u);
  std::vector<uint32_t> ids;
  for (const auto& o : doc.objects)
    ids.push_back(o->id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{kNoObjectId, 1, 2, 3, 4}));
  EXPECT_EQ(doc.objectCount, 4u);
  EXPECT_EQ(doc.outlineObjectId, 2u) << "the outline object was renumbered from 4 to 2";

  // One connected object: no new objects, but a new id all the same.
  SelectById(doc, 1);
  EXPECT_EQ(SplitObjectsCommand(doc, progress).statusText,
            "There were no new objects split out of the selected objects.");
  EXPECT_EQ(doc.objects.back()->id, 4u);
}

TEST(SplitObjects, TouchingPiecesStayApartAndACancelLeavesTheDocumentAlone) {
  // Two triangles meeting at an equal position through different vertices.
  SceneObject touching;
  AppendTriangle(touching.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF0000FFu);
  AppendVertex(touching.mesh, {9, 9, 9});
  Mesh& m = touching.mesh;
  for (int i = 0; i < 100; ++i)
    AppendVertex(m, {float(i) + 20, 0, 0});  // push the shared point out of the look-back
  AppendTriangle(m, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}, 0xFF0000FFu);
  ObjectList parts;
  size_t count = 0;
  NullProgress progress;
  ASSERT_EQ(SplitIntoParts(touching, progress, parts, count), kStatusDone);
  EXPECT_EQ(count, 2u);

  Document doc;
  AddSelectedMesh(doc, Cube());
  const Mesh big = SeparateTriangles(5000);
  AddSelectedMesh(doc, big);
  for (int after : {0, 1, 2}) {
    CancelAfter cancel(after);
    EXPECT_EQ(SplitObjectsCommand(doc, cancel).status, kStatusCancelled) << after;
    ASSERT_TRUE(doc.objects.size() == 2 && doc.selection.size() == 2);
    ExpectSameGeometry(doc.objects[1]->mesh, big, "after cancel");
  }
}

TEST(GroupObjects, NeedsTwoObjectsAndTakesTheFirstNonEmptyName) {
  Document doc;
  AddSelectedMesh(doc, Cube());
  EXPECT_FALSE(GroupObjectsCommand(doc).changed);
  EXPECT_FALSE(CanUndo(doc)) << "nothing happened, nothing recorded";

  Document named;
  AddSelectedMesh(named, Cube());
  AddObjectCopy(named, ChangedObject(Cube(), "not selected"));
  AddSelectedMesh(named, Cube({2, 0, 0}, {3, 1, 1}), "B");
  AddSelectedMesh(named, Cube({4, 0, 0}, {5, 1, 1}), "C");
  EXPECT_EQ(GroupObjects(named).statusText,
            "The 3 selected objects have been combined into a single object.");
  EXPECT_TRUE(named.objects[0]->mesh.name == "B" && named.objectCount == 2);

  // Dead corners of an absorbed object stay dead; transforms are baked.
  Mesh target = Cube();
  Mesh source = Cube();
  source.corners.MutableData()[0].vertexIndex = kDeadIndex;
  SetPosition(source, {10, 0, 0});
  ASSERT_TRUE(AppendMesh(target, source));
  EXPECT_TRUE(target.corners[36].vertexIndex == kDeadIndex && target.corners[37].vertexIndex == 10);
  EXPECT_EQ(target.positions.data()[9].x, 11.0f);
}

TEST(DuplicateObjects, PastesACopyBesideEachSelectedObject) {
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, Cube({0, 0, 0}, {1, 1, 10}));
  ASSERT_TRUE(DuplicateObjectsCommand(doc).changed);
  EXPECT_TRUE(doc.objects[1]->mesh.position.z == 10 && !FindObject(doc, id)->selected);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{doc.objects[1]->id});
}

constexpr ColourF kGrey{0.5f, 0.5f, 0.5f, 1.0f};

// A document with one selected cube (id 1), placed and turned as given.
void AddCube(Document& doc, const Vec3& position = {}, const Vec3& rotation = {}) {
  AddPrimitive(doc, PrimitiveShape::kCube, kGrey);
  SceneObject& cube = *doc.objects.back();
  SetPosition(cube.mesh, position);
  SetRotation(cube.mesh, rotation);
  UpdateWorldMatrix(cube);
}

TEST(CopyBuffer, PastePlacesTheCopyOneDepthAlongItsOwnZAxis) {
  Document doc;
  AddCube(doc, Vec3{1, 2, 3});
  CopySelected(doc);
  EXPECT_TRUE(
      doc.copyBuffer.at(0)->mesh.positions.SharesStorageWith(doc.objects[0]->mesh.positions));
  EXPECT_TRUE(PasteFromCopyBuffer(doc).changed);
  const SceneObject& copy = *doc.objects.at(1);
  EXPECT_EQ(copy.id, 2u);
  ExpectNear(copy.mesh.position, Vec3{1, 2, 13});
  EXPECT_FLOAT_EQ(copy.worldMatrix(3, 2), 13.0f) << "world matrix follows the new position";
  EXPECT_TRUE(doc.haveChanges && doc.forceRecord);

  // The copy is the selection now; the original is not in it any more.
  EXPECT_TRUE(doc.selection == std::vector<uint32_t>{2} && copy.selected && copy.primarySelected &&
              copy.showBoundingBox);
  EXPECT_TRUE(!copy.selectionRecords.empty() && copy.selectionRecords.front().ownerId == 2);
  EXPECT_TRUE(!doc.objects[0]->selected && doc.objects[0]->selectionRecords.empty());

  // Turned 90 degrees about X, the object's Z axis points along -Y; the scale
  // is not part of the offset.
  Document turned;
  AddCube(turned, Vec3{}, Vec3{90, 0, 0});
  SetScale(turned.objects[0]->mesh, Vec3{3, 3, 3});
  CopySelected(turned);
  PasteFromCopyBuffer(turned);
  ExpectNear(turned.objects[1]->mesh.position, Vec3{0, -10, 0});
  ExpectNear(turned.objects[1]->mesh.rotation, Vec3{90, 0, 0});

  // Paste is one history step.
  Undo(turned);
  EXPECT_TRUE(turned.objects.size() == 1 && turned.selection == std::vector<uint32_t>{1});
}

TEST(CopyBuffer, PastingTwiceAndFromSeveralObjects) {
  Document doc;
  AddCube(doc);
  AddCube(doc, Vec3{20, 0, 0});
  ASSERT_EQ(doc.selection, (std::vector<uint32_t>{1, 2}));
  CopySelected(doc);
  EXPECT_TRUE(doc.copyBuffer.size() == 2 && doc.copyBuffer[0]->id == 2) << "newest copy first";

  // Changing an original after copying leaves the buffer's copy alone.
  doc.objects[0]->mesh.positions.MutableData()[0] = Vec3{99, 99, 99};
  PasteFromCopyBuffer(doc);
  PasteFromCopyBuffer(doc);
  ASSERT_EQ(doc.objects.size(), 6u);
  EXPECT_FLOAT_EQ(doc.objects[3]->mesh.positions[0].x, -5.0f) << "copy of the first cube";
  ExpectNear(doc.objects[2]->mesh.position, Vec3{20, 0, 10});
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{5, 6})) << "only the latest paste is selected";
}

TEST(CopyBuffer, OnlyInObjectModeAndCutDeletesAfterCopying) {
  Document doc;
  AddCube(doc);
  CopySelected(doc);
  AddCube(doc, Vec3{0, 30, 0});

  // Face mode: copy keeps the earlier buffer, paste does nothing.
  SetSelectionMode(doc, kSelectionModeFace);
  CopySelected(doc);
  EXPECT_FALSE(CanPaste(doc) || PasteFromCopyBuffer(doc).changed || CutSelected(doc).changed);
  EXPECT_TRUE(doc.copyBuffer.size() == 1 && IsLive(*doc.objects[1]));

  SetSelectionMode(doc, kSelectionModeObject);
  DeselectAll(doc);
  SelectObject(*doc.objects[1]);
  AddToSelection(doc, 2);
  EXPECT_TRUE(CutSelected(doc).changed);
  ASSERT_EQ(doc.copyBuffer.size(), 1u);
  // The buffer keeps the geometry.
  EXPECT_TRUE(doc.copyBuffer[0]->id == 2 && TriangleCount(doc.copyBuffer[0]->mesh) == 12);
  EXPECT_TRUE(!IsLive(*doc.objects[1]) && doc.selection.empty());

  PasteFromCopyBuffer(doc);
  EXPECT_EQ(doc.objects.at(2)->id, 2u) << "the cut object's id is free again";
  ExpectNear(doc.objects[2]->mesh.position, Vec3{0, 30, 10});

  Undo(doc);  // the paste
  Undo(doc);  // the cut
  EXPECT_EQ(TriangleCount(doc.objects[1]->mesh), 12u);
}

TEST(CopyBuffer, OutlinesStayWithTheirObject) {
  Document doc;
  AddCube(doc);
  SceneObject& drawn = *doc.objects[0];
  drawn.outlineShapes.push_back(OutlineShape{});
  drawn.pickFlag = true;
  CopySelected(doc);
  const SceneObject& copy = *doc.copyBuffer.at(0);
  EXPECT_TRUE(copy.outlineShapes.empty() && !copy.selected && !copy.pickFlag);
  EXPECT_TRUE(drawn.outlineShapes.size() == 1 && drawn.selected) << "the original is untouched";

  // With an outline object selected, the selection is kept and the pasted
  // (unselected) copy stays out of it.
  PasteFromCopyBuffer(doc);
  EXPECT_TRUE(doc.objects.size() == 2 && doc.selection == std::vector<uint32_t>{1});

  // Without one, the pasted copy is selected and carries its own record.
  DeselectAll(doc);
  PasteFromCopyBuffer(doc);
  const SceneObject& third = *doc.objects.at(2);
  EXPECT_TRUE(third.selectionRecords.size() == 1 && third.selectionRecords.front().ownerId == 3);
}

constexpr ColourF kRed{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Colour32 kRed32 = 0xFFFF0000u;

SceneObject Build(PrimitiveShape shape) {
  SceneObject object;
  BuildPrimitive(shape, kRed32, object);
  return object;
}

// Closed with a positive volume is outward; every corner carries the colour
// and its triangle's face normal.
TEST(Primitives, EachShapeIsClosedOutwardWithItsCountsSizeAndMaterial) {
  const Vec3 kBox{5, 5, 5}, kIco{4.4721f, 4.2533f, 5}, kRing{5, 5, 1};
  const struct {
    PrimitiveShape shape;
    uint32_t vertices, triangles;
    bool painted;
    Vec3 min, max;
    double volume, tolerance;  // relative: the faceted sphere and torus fall short
  } shapes[] = {{PrimitiveShape::kCube, 8, 12, false, -kBox, kBox, 1000, 1e-6},
                {PrimitiveShape::kSphere, 242, 480, true, -kBox, kBox, 4 * M_PI * 125 / 3, 0.05},
                {PrimitiveShape::kIcosahedron, 12, 20, true, -kIco, kIco, 317.0, 1e-3},
                {PrimitiveShape::kTorus, 400, 800, true, -kRing, kRing, 8 * M_PI * M_PI, 0.05}};
  for (const auto& s : shapes) {
    SceneObject object = Build(s.shape);
    Mesh& mesh = object.mesh;
    SCOPED_TRACE(PrimitiveCommandName(s.shape));
    // Trimmed.
    EXPECT_TRUE(mesh.vertexCount == s.vertices && mesh.positions.length() == s.vertices);
    EXPECT_EQ(mesh.cornerCount, s.triangles * 3) << "no dead corners left";
    EXPECT_TRUE(mesh.painted == s.painted && mesh.colour == kRed32);
    EXPECT_TRUE(mesh.unsavedChange && mesh.unautosavedChange && mesh.unrecordedChange &&
                mesh.renderStale);
    EXPECT_FLOAT_EQ(mesh.scale.x, 1.0f) << "the working size is baked in";
    ExpectNear(MeshBounds(mesh).min, s.min, 1e-3f);
    ExpectNear(MeshBounds(mesh).max, s.max, 1e-3f);
    for (uint32_t k = 0; k < mesh.cornerCount; ++k) {
      const MeshCorner* t = mesh.corners.data() + k / 3 * 3;
      ASSERT_LT(t[k % 3].vertexIndex, mesh.vertexCount);
      const Vec3 normal =
          FaceNormal(mesh.positions[t[0].vertexIndex], mesh.positions[t[1].vertexIndex],
                     mesh.positions[t[2].vertexIndex]);
      EXPECT_LT(Length(t[k % 3].normal - normal), 1e-5f) << k;
      EXPECT_EQ(t[k % 3].colour, kRed32);
    }
    EXPECT_TRUE(IsClosed(mesh));
    EXPECT_NEAR(MeshVolume(mesh), s.volume, s.volume * s.tolerance);
    for (uint32_t i = 0; s.painted && s.shape != PrimitiveShape::kTorus && i < s.vertices; ++i)
      EXPECT_NEAR(Length(mesh.positions[i]), 5.0f, 1e-5f);
  }
}

TEST(Primitives, AddSelectsTheShapeAndIsOneUndoStep) {
  Document doc;
  RecordingListener listener;
  doc.mainWindow = &listener;
  const CommandOutcome first = AddPrimitive(doc, PrimitiveShape::kCube, kRed);
  EXPECT_TRUE(first.changed && first.status == kStatusDone && doc.forceRecord);
  EXPECT_EQ(doc.undoStack.size(), 1u) << "the empty document is recorded too";
  const SceneObject& cube = *doc.objects.at(0);
  EXPECT_TRUE(cube.selected && cube.showBoundingBox && cube.mesh.corners[0].colour == kRed32);

  AddPrimitive(doc, PrimitiveShape::kTorus, kRed);
  EXPECT_EQ(doc.selection, (std::vector<uint32_t>{1, 2})) << "the earlier selection stays";
  EXPECT_TRUE(doc.objects[0]->primarySelected && doc.undoStack.size() == 2 && doc.objectCount == 2);
  EXPECT_EQ(std::count(listener.codes.begin(), listener.codes.end(), kNotifyObjectAdded), 2);

  Undo(doc);
  EXPECT_TRUE(doc.objects.size() == 1 && doc.selection == std::vector<uint32_t>{1});
}

// What every generator leaves when memory runs out: no triangles, no object.
TEST(Primitives, AShapeWithoutTrianglesIsNotAdded) {
  Document doc;
  AddPrimitive(doc, PrimitiveShape::kIcosahedron, kRed);
  RecordingListener listener;
  doc.mainWindow = &listener;
  const std::vector<uint32_t> selection = doc.selection;
  const std::pair<PrimitiveShape, const char*> kShapes[] = {
      {PrimitiveShape::kCube, "Cube"},
      {PrimitiveShape::kSphere, "Sphere"},
      {PrimitiveShape::kIcosahedron, "Icosahedron"},
      {PrimitiveShape::kTorus, "Torus"}};
  for (const auto& [shape, name] : kShapes) {
    SceneObject empty;
    const CommandOutcome outcome = AddPrimitiveObject(doc, shape, empty);
    EXPECT_TRUE(outcome.status == kStatusFailed && !outcome.changed);
    EXPECT_EQ(outcome.errorText, std::string("Torvane is unable to create the ") + name +
                                     " object due to there not being enough memory for the "
                                     "operation.");
  }
  EXPECT_TRUE(doc.objects.size() == 1u && doc.selection == selection && listener.codes.empty());
}

}  // namespace
}  // namespace torvane
