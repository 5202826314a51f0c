// Split, group and duplicate: the parts of a split (order, corners,
// first-use vertex numbering, triangles joined through a later bridge, dead
// triangles travelling with the next part), group and split round trip, the
// renumbering of the document after a split, the status texts, and a
// cancelled split leaving the document as it was.
#include "core/split_group.h"

#include <gtest/gtest.h>

#include "core/copy_buffer.h"
#include "core/history.h"
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
      {{27, 28, 29, 30, 31, 32}, {D, 0, D, D, D, D}, {2}},
      {{15, 16, 17, 21, 22, 23, 24, 25, 26}, {D, 0, 0, D, D, D, 1, 2, 3}, {1, 10, 11, 12}},
      {{6, 7, 8, 12, 13, 14}, {0, 1, 2, 2, 3, 0}, {0, 1, 2, 3}},
      {{0, 1, 2, 3, 4, 5, 9, 10, 11, 18, 19, 20},
       {D, 0, 1, 2, 0, 1, 3, 4, 5, 1, 3, 2},
       {5, 6, 4, 7, 9, 8}},
  };
  ObjectList parts;
  size_t count = 7;
  NullProgress progress;
  ASSERT_EQ(SplitIntoParts(object, progress, parts, count), kStatusDone);
  EXPECT_EQ(count, 7u + 4u);
  ASSERT_EQ(parts.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Mesh& m = parts[i]->mesh;
    ASSERT_EQ(m.cornerCount, kParts[i].corners.size());
    for (uint32_t k = 0; k < m.cornerCount; ++k) {
      EXPECT_EQ(m.corners[k].colour, 0xFF000000u | kParts[i].corners[k]) << k;
      EXPECT_EQ(m.corners[k].vertexIndex, kParts[i].indices[k]) << k;
    }
    ASSERT_EQ(m.vertexCount, kParts[i].vertices.size());
    for (uint32_t v = 0; v < m.vertexCount; ++v)
      EXPECT_EQ(m.positions[v].x, float(kParts[i].vertices[v])) << v;
    EXPECT_TRUE(PositionsEqual(m.scale, {2, 1, 1}) && PositionsEqual(m.rotation, {0, 30, 0}) &&
                PositionsEqual(m.position, {1, 2, 3}));
    EXPECT_EQ(parts[i]->worldMatrix.m, object.worldMatrix.m);
    EXPECT_EQ(m.colour, kDefaultObjectColour);
    EXPECT_EQ(parts[i]->id, kNoObjectId);
  }
}

TEST(SplitObjects, GroupThenSplitGivesBackTheCubesAndRenumbersTheDocument) {
  Document doc;
  const uint32_t first = AddSelectedMesh(doc, MakeIndexedCube({0, 0, 0}, {2, 2, 2}), "A");
  AddSelectedMesh(doc, MakeIndexedCube({5, 0, 0}, {6, 1, 1}), "B");
  CommandOutcome grouped = GroupObjectsCommand(doc);
  EXPECT_EQ(grouped.statusText, "The 2 selected objects have been combined into a single object.");
  ASSERT_EQ(doc.objects.size(), 1u);
  EXPECT_EQ(doc.objects[0]->mesh.name, "A");
  EXPECT_EQ(doc.objects[0]->mesh.position.x, 3.0f) << "origin at the centre of the group's bounds";
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{first});

  CommandOutcome split = SplitObjectsCommand(doc, *std::make_unique<NullProgress>());
  EXPECT_EQ(split.statusText, "The selected objects have been split into 2.");
  ASSERT_EQ(doc.objects.size(), 2u);
  // The part found last comes first: the small cube, then the big one, each
  // about its own centre and without the group's name.
  EXPECT_EQ(doc.objects[1]->id, 2u);
  EXPECT_EQ(doc.objects[0]->mesh.position.x, 5.5f);
  EXPECT_EQ(doc.objects[1]->mesh.position.x, 1.0f);
  EXPECT_EQ(MeshBounds(doc.objects[0]->mesh).min.x, -0.5f);
  EXPECT_TRUE(doc.objects[1]->mesh.name.empty() && doc.selection.empty());
  Undo(doc);
  Undo(doc);
  EXPECT_EQ(doc.objects.size(), 2u) << "both steps undone";
}

TEST(SplitObjects, RenumbersEverythingAndKeepsDeadObjectsDead) {
  Document doc;
  for (int i = 0; i < 4; ++i)
    AddObjectCopy(doc, ChangedObject(MakeIndexedCube({float(i), 0, 0}, {float(i) + 0.5f, 1, 1})));
  // Object 1 is deleted (dead), object 3 gets split.
  doc.objects[0]->id = kNoObjectId;
  ClearMesh(doc.objects[0]->mesh);
  Mesh two = MakeIndexedCube();
  Mesh other = MakeIndexedCube({3, 3, 3}, {4, 4, 4});
  AppendMesh(two, other);  // two cubes apart by vertex index
  doc.objects[2]->mesh = two;
  SelectById(doc, 3);
  doc.outlineObjectId = 4;

  size_t parts = 0;
  NullProgress progress;
  ASSERT_EQ(SplitSelectedObjects(doc, progress, parts), kStatusDone);
  EXPECT_EQ(parts, 2u);
  ASSERT_EQ(doc.objects.size(), 5u);
  const uint32_t expected[5] = {kNoObjectId, 1, 2, 3, 4};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(doc.objects[i]->id, expected[i]) << i;
  EXPECT_EQ(doc.objectCount, 4u);
  EXPECT_EQ(doc.outlineObjectId, 2u) << "the outline object was renumbered from 4 to 2";

  // One connected object: no new objects, but a new id all the same.
  SelectById(doc, 1);
  CommandOutcome single = SplitObjectsCommand(doc, progress);
  EXPECT_EQ(single.statusText, "There were no new objects split out of the selected objects.");
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
  AddSelectedMesh(doc, MakeIndexedCube());
  const Mesh big = SeparateTriangles(5000);
  AddSelectedMesh(doc, big);
  for (int after : {0, 1, 2}) {
    CancelAfter cancel(after);
    CommandOutcome outcome = SplitObjectsCommand(doc, cancel);
    EXPECT_EQ(outcome.status, kStatusCancelled) << after;
    ASSERT_EQ(doc.objects.size(), 2u);
    EXPECT_EQ(doc.selection.size(), 2u);
    ExpectSameGeometry(doc.objects[1]->mesh, big, "after cancel");
  }
}

TEST(GroupObjects, NeedsTwoObjectsAndTakesTheFirstNonEmptyName) {
  Document doc;
  AddSelectedMesh(doc, MakeIndexedCube());
  EXPECT_FALSE(GroupObjectsCommand(doc).changed);
  EXPECT_FALSE(CanUndo(doc)) << "nothing happened, nothing recorded";

  Document named;
  AddSelectedMesh(named, MakeIndexedCube());
  AddObjectCopy(named, ChangedObject(MakeIndexedCube(), "not selected"));
  AddSelectedMesh(named, MakeIndexedCube({2, 0, 0}, {3, 1, 1}), "B");
  AddSelectedMesh(named, MakeIndexedCube({4, 0, 0}, {5, 1, 1}), "C");
  CommandOutcome outcome = GroupObjects(named);
  EXPECT_EQ(outcome.statusText, "The 3 selected objects have been combined into a single object.");
  EXPECT_EQ(named.objects[0]->mesh.name, "B");
  EXPECT_EQ(named.objectCount, 2u);

  // Dead corners of an absorbed object stay dead; transforms are baked.
  Mesh target = MakeIndexedCube();
  Mesh source = MakeIndexedCube();
  source.corners.MutableData()[0].vertexIndex = kDeadIndex;
  SetPosition(source, {10, 0, 0});
  ASSERT_TRUE(AppendMesh(target, source));
  EXPECT_EQ(target.corners.data()[36].vertexIndex, kDeadIndex);
  EXPECT_EQ(target.corners.data()[37].vertexIndex, 8u + 2u);
  EXPECT_EQ(target.positions.data()[9].x, 11.0f);
}

TEST(DuplicateObjects, PastesACopyBesideEachSelectedObject) {
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, MakeIndexedCube({0, 0, 0}, {1, 1, 10}));
  CommandOutcome outcome = DuplicateObjectsCommand(doc);
  ASSERT_TRUE(outcome.changed);
  EXPECT_EQ(doc.objects[1]->mesh.position.z, 10.0f);
  EXPECT_FALSE(FindObject(doc, id)->selected);
  EXPECT_EQ(doc.selection, std::vector<uint32_t>{doc.objects[1]->id});
}

}  // namespace
}  // namespace torvane
