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
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "core/copy_buffer.h"
#include "core/delete_objects.h"
#include "core/document.h"
#include "core/history.h"
#include "core/primitives.h"
#include "core/split_group.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

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
