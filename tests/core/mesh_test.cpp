// Mesh, its storage and its transforms: the growable arrays (growth, the
// memory guard, copy-on-write), vertex reuse, buffer growth under the
// memory guard, transform setters and baking, bounds and their cache,
// render arrays and copy-on-write copies; the matrices, the drag arithmetic
// of moving, rotating and scaling the selection, and element moves (a
// whole-object record moves the position; element records move their
// vertices by the scene delta through the object's scale and rotation,
// renormal the triangles around them, and reuse the move cache until it is
// marked stale; outline objects stay put).
#include "core/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/grow_array.h"
#include "core/manipulation.h"
#include "core/matrix4.h"
#include "core/mesh_ops.h"
#include "core/move_elements.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

bool AnyChangeFlag(const Mesh& m) {
  return m.unsavedChange || m.unautosavedChange || m.unrecordedChange;
}

// Two triangles sharing an edge: a unit square in the XY plane at z = 0.
Mesh MakeSquare(Colour32 colour = 0xFF112233u) {
  Mesh m;
  AppendTriangle(m, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, colour);
  AppendTriangle(m, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}, colour);
  return m;
}

TEST(MeshAppend, VertexReuseLooksBackExactlyOneHundredVerticesAndCornersCarryTheirTriangle) {
  Mesh n;
  const Vec3 a{5, 5, 5};
  // Within the tolerance counts as equal; just outside does not.
  EXPECT_EQ(AppendVertex(n, a), 0u);
  EXPECT_EQ(AppendVertex(n, {5.0f + 1e-7f, 5, 5}), 0u);
  EXPECT_EQ(AppendVertex(n, {5.0f + 1e-6f, 5, 5}), 1u);
  for (int i = 0; i < 98; ++i)
    AppendVertex(n, {float(i), -1, 0});
  EXPECT_EQ(AppendVertex(n, a), 0u) << "100 vertices back is still looked at";
  AppendVertex(n, {-7, -7, -7});  // now a is 101 back
  EXPECT_EQ(AppendVertex(n, a), 101u);

  Mesh m = MakeSquare(0xFF00FF00u);
  const uint32_t expected[6] = {0, 1, 2, 0, 2, 3};  // shared vertices are reused
  ASSERT_EQ(m.cornerCount, 6u);
  for (uint32_t k = 0; k < 6; ++k) {
    EXPECT_EQ(m.corners[k].vertexIndex, expected[k]);
    ExpectNear(m.corners[k].normal, {0, 0, 1});
    EXPECT_EQ(m.corners[k].colour, 0xFF00FF00u);
  }
  EXPECT_TRUE(AnyChangeFlag(m) && m.renderStale);
  // From corners: indices and colours from the given corners, a fresh normal
  // (reversed winding faces down).
  SetCornerColour(m, 2, 0xFFABCDEFu);
  ASSERT_TRUE(AppendTriangleFromCorners(m, 0, 2, 1));
  EXPECT_TRUE(m.corners[7].vertexIndex == 2u && m.corners[7].colour == 0xFFABCDEFu);
  ExpectNear(m.corners[8].normal, {0, 0, -1});
  EXPECT_FALSE(AppendTriangleFromCorners(m, 0, 1, 9)) << "corner out of range";
  m.corners.MutableData()[3].vertexIndex = kDeadIndex;
  EXPECT_FALSE(AppendTriangleFromCorners(m, 3, 4, 5)) << "dead corner";
  EXPECT_EQ(m.cornerCount, 9u);
}

TEST(MeshAppend, MemoryGuardRefusesGrowthAndEmptiesTheMesh) {
  Mesh m;
  // Enough vertices that the next growth needs a new allocation of more than
  // 1,000,000 bytes (the buffer keeps spare capacity between allocations).
  uint32_t i = 0;
  do {
    AppendVertex(m, {float(i++), 0, 0});
  } while (m.vertexCount != m.positions.length() ||
           m.vertexCount + m.vertexCount / 2 <= m.positions.capacity() || m.vertexCount < 60000);
  const float last = float(i - 1);
  ASSERT_TRUE(AppendTriangle(m, {last, 0, 0}, {last - 1, 0, 0}, {last - 2, 0, 0}, 0));
  ASSERT_EQ(m.vertexCount, m.positions.length()) << "the triangle reused its vertices";
  {
    MemoryOverride low(1000);
    EXPECT_EQ(AppendVertex(m, {-1, -1, -1}), kDeadIndex);
  }
  // No corner may point at freed positions.
  EXPECT_EQ(m.vertexCount + m.cornerCount + m.positions.length(), 0u);

  // Corners: the same three vertices over and over, until the corner buffer
  // is full and large.
  Mesh t;
  do {
    ASSERT_TRUE(AppendTriangle(t, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0));
  } while (t.cornerCount + 3 <= t.corners.length() ||
           t.cornerCount + t.cornerCount / 2 <= t.corners.capacity() || t.cornerCount < 60000);
  const uint32_t vertices = t.vertexCount;
  {
    MemoryOverride low(1000);
    EXPECT_FALSE(AppendTriangle(t, {-1, 0, 0}, {-1, 1, 0}, {-1, 0, 1}, 0));
  }
  EXPECT_TRUE(t.cornerCount == 0u && t.vertexCount == vertices);
  // With memory back, the mesh works again.
  EXPECT_TRUE(AppendTriangle(t, {-1, 0, 0}, {-1, 1, 0}, {-1, 0, 1}, 0));
}

TEST(MeshTransform, SettersFollowTheirRulesAndTheMatrixScalesTurnsThenMoves) {
  Mesh m;
  for (Vec3 refused : {Vec3{0.004f, 1, 1}, Vec3{1, 1, -2}})
    SetScale(m, refused);
  ExpectNear(m.scale, {1, 1, 1}, 0);
  EXPECT_FALSE(AnyChangeFlag(m)) << "a refused scale is no edit";
  SetScale(m, {0.005f, 1, 1});
  ExpectNear(m.scale, {0.005f, 1, 1}, 0);
  EXPECT_TRUE(AnyChangeFlag(m));
  SetRotation(m, {370, -370, 720});
  ExpectNear(m.rotation, {10, -10, 0});
  SetRotation(m, {-90, 359, 360});
  ExpectNear(m.rotation, {-90, 359, 0});
  SetScale(m, {2, 3, 4});
  SetRotation(m, {0, 0, 90});
  SetPosition(m, {10, 20, 30});
  ExpectNear(TransformPoint({1, 0, 0}, MeshTransformMatrix(m)), {10, 22, 30});
}

TEST(MeshTransform, BakeFoldsTheTransformIntoPositionsOnlyWhenNotIdentity) {
  Mesh m = MakeSquare();
  m.unsavedChange = m.unautosavedChange = m.unrecordedChange = m.renderStale = false;
  MeshBounds(m);
  BakeTransform(m);
  EXPECT_FALSE(AnyChangeFlag(m) || m.renderStale);
  EXPECT_NE(m.boundsIndex[0], kDeadIndex) << "identity bake keeps the cache";

  SetScale(m, {2, 2, 2});
  SetRotation(m, {0, 0, 90});
  SetPosition(m, {1, 0, 0});
  m.unsavedChange = false;
  const Vec3 normalBefore = m.corners[0].normal;
  BakeTransform(m);
  ExpectNear(m.positions[1], {1, 2, 0});  // (1,0,0) scaled, turned, moved
  ExpectNear(m.positions[2], {-1, 2, 0});
  EXPECT_TRUE(PositionsEqual(m.scale, {1, 1, 1}) && PositionsEqual(m.rotation, {}) &&
              PositionsEqual(m.position, {}) && m.unsavedChange);
  ExpectNear(m.corners[0].normal, normalBefore, 0);
  ExpectNear(MeshBounds(m).min, {-1, 0, 0});

  // Resetting the origin to the centre recomputes the normals and moves the
  // bounds cache along; a mesh without vertices keeps its position.
  Mesh r;
  AppendTriangle(r, {10, 10, 10}, {12, 10, 10}, {12, 14, 10}, 0);
  r.corners.MutableData()[1].normal = {9, 9, 9};
  SetPosition(r, {1, 0, 0});
  MeshBounds(r);
  ResetOriginToCentre(r);
  ExpectNear(r.position, {12, 12, 10});
  ExpectNear(r.positions[0], {-1, -2, 0});
  ExpectNear(r.corners[1].normal, {0, 0, 1});
  ExpectNear(MeshBounds(r).max, {1, 2, 0});
  Mesh empty;
  SetPosition(empty, {3, 3, 3});
  ResetOriginToCentre(empty);
  ExpectNear(empty.position, {3, 3, 3}, 0);
}

TEST(MeshBounds, SentinelsWhenEmptyTrueBoundsBeyondAMillionAndTheCacheFollowsEdits) {
  Mesh m;
  BoundingBox box = MeshBounds(m);
  ExpectNear(box.min, {1e6f, 1e6f, 1e6f}, 0);
  ExpectNear(box.max, {-1e6f, -1e6f, -1e6f}, 0);
  EXPECT_EQ(m.boundsIndex[0], kDeadIndex) << "an empty mesh never caches";
  AppendVertex(m, {2e6f, 3e6f, -5e6f});
  AppendVertex(m, {4e6f, 3.5e6f, -4e6f});
  ExpectNear(MeshCentre(m, &box), {3e6f, 3.25e6f, -4.5e6f}, 0);
  ExpectNear(box.min, {2e6f, 3e6f, -5e6f}, 0);

  // The first vertex reaching an extreme keeps it.
  Mesh t;
  for (Vec3 p : {Vec3{1, 0, 0}, Vec3{0, 0, 0}, Vec3{1, 5, 0}})
    AppendVertex(t, p);
  MeshBounds(t);
  EXPECT_EQ(t.boundsIndex[1], 0u);  // max x: vertex 0, not 2
  EXPECT_EQ(t.boundsIndex[0], 1u);  // min x
  EXPECT_EQ(t.boundsIndex[4], 0u);  // min z: all equal, first wins
  // An appended vertex beyond the cached box is seen; clearing drops the
  // cache.
  AppendVertex(t, {-3, 0, 7});
  box = MeshBounds(t);
  ExpectNear(box.min, {-3, 0, 0}, 0);
  ExpectNear(box.max, {1, 5, 7}, 0);
  ClearMesh(t);
  EXPECT_FLOAT_EQ(MeshBounds(t).min.x, 1e6f);
}

TEST(MeshRender, ArraysFollowCornersAndSkipDeadOnes) {
  Mesh m = MakeSquare(0xFF102030u);
  SetCornerColour(m, 5, 0xFFFFFFFFu);
  SetCornerColour(m, kDeadIndex, 0xFF000001u);  // ignored
  EXPECT_TRUE(m.painted);
  m.corners.MutableData()[1].vertexIndex = kDeadIndex;
  BuildRenderArrays(m);
  ASSERT_EQ(m.render.positions.size() + m.render.normals.size() + m.render.colours.size(), 42u);
  EXPECT_TRUE(m.renderStale) << "the renderer clears the flag once uploaded";
  // Dead corner 1 keeps its untouched (zero) entries; corner 5 is vertex 3
  // (0, 1, 0).
  EXPECT_TRUE(m.render.positions[3] == 0 && m.render.normals[5] == 0 && m.render.colours[1] == 0);
  EXPECT_TRUE(m.render.positions[16] == 1.0f && m.render.colours[2] == 0xFF102030u);
  EXPECT_EQ(m.render.colours[5], 0xFFFFFFFFu);
  // An emptied mesh leaves no stale geometry to draw.
  ClearMesh(m);
  BuildRenderArrays(m);
  EXPECT_TRUE(m.render.positions.empty() && m.render.colours.empty());
}

TEST(MeshCopy, CopiesShareStorageUntilEitherSideIsEditedAndMovesEmptyTheSource) {
  Mesh a = MakeSquare();
  a.renderStale = false;
  a.name = "part";
  BuildRenderArrays(a);
  Mesh b(a);
  EXPECT_TRUE(b.positions.SharesStorageWith(a.positions) && b.corners.SharesStorageWith(a.corners));
  EXPECT_TRUE(b.render.positions.empty()) << "render arrays are derived, never copied";
  EXPECT_FALSE(b.renderStale) << "the copy keeps the source's flag";
  EXPECT_EQ(b.name, "part");

  // Editing the copy never changes the original, and vice versa.
  SetCornerColour(b, 0, 0xFF0000FFu);
  EXPECT_FALSE(b.corners.SharesStorageWith(a.corners));
  EXPECT_TRUE(b.positions.SharesStorageWith(a.positions) && a.corners[0].colour == 0xFF112233u);
  AppendVertex(a, {7, 7, 7});
  RecolourAllCorners(a, 0xFF000000u);
  EXPECT_TRUE(b.vertexCount == 4u && b.corners[1].colour == 0xFF112233u);
  SetRotation(b, {0, 0, 90});
  BakeTransform(b);
  ExpectNear(a.positions[1], {1, 0, 0}, 0);

  Mesh moved;
  moved = std::move(b);
  EXPECT_EQ(moved.cornerCount, 6u);
  EXPECT_EQ(b.cornerCount + b.corners.length(), 0u);  // NOLINT(bugprone-use-after-move)
}

// A mesh sharing its buffers with a copy (a history snapshot) whose private
// copy cannot be made: every writer fails and leaves the mesh exactly as it
// was, never emptied. (The normal and winding writers are checked through
// their commands.)
TEST(MeshCopy, AWriteWhosePrivateCopyCannotBeMadeChangesNothing) {
  Mesh big;
  for (int i = 0; i < 40000; ++i) {
    const float x = float(i);
    ASSERT_TRUE(AppendTriangle(big, {x, 0, 0}, {x + 0.5f, 1, 0}, {x, 0, 1}, 0xFF102030u));
  }
  SetRotation(big, {10, 20, 30});
  ASSERT_GT(size_t{big.positions.capacity()} * sizeof(Vec3), 1'000'000u);
  using Write = bool (*)(Mesh&);
  const std::pair<const char*, Write> writers[] = {
      {"bake", [](Mesh& m) { return BakeTransform(m); }},
      {"recolour", [](Mesh& m) { return RecolourAllCorners(m, 0xFFFFFFFFu); }},
      {"corner colour", [](Mesh& m) { return SetCornerColour(m, 4, 0xFFFFFFFFu); }},
      {"origin to centre", [](Mesh& m) { return ResetOriginToCentre(m); }},
      {"triangle",
       [](Mesh& m) {
         return AppendTriangle(m, {9, 9, 9}, {8, 9, 9}, {9, 8, 9}, 0);
       }},
      {"from corners", [](Mesh& m) { return AppendTriangleFromCorners(m, 0, 1, 2); }},
      {"vertex",
       [](Mesh& m) {
         return AppendVertex(m, {-5, -5, -5}) != kDeadIndex;
       }},
  };
  for (const auto& [name, write] : writers) {
    SCOPED_TRACE(name);
    Mesh copy(big);
    {
      MemoryOverride low(1000);
      EXPECT_FALSE(write(copy));
    }
    EXPECT_TRUE(copy.vertexCount == big.vertexCount && copy.cornerCount == big.cornerCount);
    EXPECT_TRUE(copy.positions.SharesStorageWith(big.positions) &&
                copy.corners.SharesStorageWith(big.corners));
    ExpectNear(copy.rotation, {10, 20, 30}, 0);
    EXPECT_TRUE(write(copy)) << "with memory back";
  }
  EXPECT_EQ(big.corners[4].colour, 0xFF102030u);
}

struct Corner {
  uint32_t vertexIndex = 0xFFFFFFFFu;
  float value = 0.0f;
};

TEST(GrowArray, GrowthKeepsOldElementsFillsNewSlotsAndDiscardDropsThem) {
  GrowArray<Corner> a;
  ASSERT_TRUE(a.ResizeKeep(3));
  a.MutableData()[0].vertexIndex = 7;
  a.MutableData()[2].vertexIndex = 9;
  ASSERT_TRUE(a.ResizeKeep(20));
  EXPECT_TRUE(a[0].vertexIndex == 7u && a[2].vertexIndex == 9u && a[3].vertexIndex == 0xFFFFFFFFu);
  // Shrinking keeps the memory; growing again within it refills the slots.
  ASSERT_TRUE(a.ResizeKeep(1));
  EXPECT_EQ(a.capacity(), 20u);
  ASSERT_TRUE(a.ResizeKeep(3));
  EXPECT_TRUE(a[0].vertexIndex == 7u && a[2].vertexIndex == 0xFFFFFFFFu);
  ASSERT_TRUE(a.ResizeDiscard(5));
  EXPECT_TRUE(a.length() == 5u && a[0].vertexIndex == 0xFFFFFFFFu);
}

TEST(GrowArray, MemoryGuardRefusesLargeGrowthAndEmptiesTheArray) {
  GrowArray<Vec3> a;
  ASSERT_TRUE(a.ResizeKeep(10));
  SetAvailableMemoryOverride(3'000'000);
  // 200,000 x 12 bytes = 2.4 MB: above 1 MB and above half of 3 MB.
  EXPECT_TRUE(!a.ResizeKeep(200'000) && a.data() == nullptr && a.length() + a.capacity() == 0u);
  EXPECT_TRUE(a.ResizeKeep(1000)) << "small requests pass whatever the figure says";
  SetAvailableMemoryOverride(std::nullopt);
  EXPECT_TRUE(a.ResizeKeep(200'000));
}

TEST(GrowArray, CopiesShareUntilOneSideWrites) {
  GrowArray<Vec3> a;
  ASSERT_TRUE(a.ResizeKeep(4));
  a.MutableData()[0] = {1, 1, 1};
  GrowArray<Vec3> b = a;
  EXPECT_TRUE(a.SharesStorageWith(b));
  b.MutableData()[0] = {2, 2, 2};
  EXPECT_TRUE(!a.SharesStorageWith(b) && a[0].x == 1.0f);
  // Growing a shared array within its capacity must not write into the other copy.
  GrowArray<Vec3> c = a;
  ASSERT_TRUE(c.ResizeKeep(2));
  ASSERT_TRUE(c.ResizeKeep(4));
  c.MutableData()[3] = {5, 5, 5};
  EXPECT_EQ(a[3].x, 0.0f);
  GrowArray<Vec3> d = std::move(c);
  EXPECT_TRUE(c.length() == 0u && d[3].x == 5.0f);
}

SceneObject& AddSelectedCube(Document& doc) {
  SceneObject& added = *FindObject(doc, AddSelectedMesh(doc, Cube()));
  added.mesh.renderStale = false;
  return added;
}

TEST(Manipulation, ThresholdAndLocks) {
  EXPECT_FALSE(BeyondDragThreshold(100, 100, 105, 95)) << "a 5-pixel wobble is no drag";
  EXPECT_TRUE(BeyondDragThreshold(100, 100, 106, 100) && BeyondDragThreshold(100, 100, 100, 94));

  // Locked axes are dropped; the 2D views also drop their viewing axis.
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 1, {false, false, false}), {1, 2, 0});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 2, {false, false, false}), {0, 2, 3});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 3, {false, true, false}), {1, 0, 3});
  ExpectNear(Lock2DMoveDelta({1, 2, 3}, 1, {true, false, false}), {0, 2, 0});
  ExpectNear(ApplyAxisLocks({1, 2, 3}, {false, true, true}), {1, 0, 0});
}

TEST(Manipulation, MovingAnObjectChangesItsTransformNotItsRenderArrays) {
  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  AddObjectCopy(doc, ChangedObject(Cube()));  // not selected: stays

  EXPECT_TRUE(MoveSelection(doc, {1, -2, 0.5f}));
  ExpectNear(cube.mesh.position, {-1, 2, -0.5f});
  EXPECT_FLOAT_EQ(cube.worldMatrix.m[12], -1.0f) << "the world matrix follows";
  EXPECT_TRUE(cube.mesh.unrecordedChange && cube.mesh.unsavedChange);
  EXPECT_FALSE(cube.mesh.renderStale) << "a drag step must not rebuild the render arrays";
  ExpectNear(doc.objects[1]->mesh.position, {0, 0, 0});
}

TEST(Manipulation, ScaleStepsCompoundAndRefuseTooSmall) {
  EXPECT_FLOAT_EQ(DragScaleFactor(110, 100), 1.1f) << "dragging up enlarges";
  EXPECT_FLOAT_EQ(DragScaleFactor(100, 110), 0.9f);

  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  EXPECT_TRUE(ScaleSelection(doc, 1.1f) && ScaleSelection(doc, 1.1f));
  EXPECT_NEAR(cube.mesh.scale.x, 1.21f, 1e-5f);
  EXPECT_EQ(cube.worldMatrix.m[0], cube.mesh.scale.x);

  cube.mesh.scale = {0.006f, 1.0f, 1.0f};
  EXPECT_FALSE(ScaleSelection(doc, 0.5f)) << "0.003 is below the smallest scale";
  ExpectNear(cube.mesh.scale, {0.006f, 1, 1}, 0);
  EXPECT_TRUE(ScaleSelection(doc, 2.0f)) << "the drag goes on afterwards";
}

TEST(Manipulation, DragRotationComposesAndStaysWithinAFullTurn) {
  ExpectNear(DragRotationIncrements({1, 2, 3}, {false, false, false}), {1, 4, -1});
  ExpectNear(DragRotationIncrements({1, 2, 3}, {false, true, false}), {1, 0, -1});

  // Single-axis turns add up; the result is brought into 0..360.
  ExpectNear(ComposeRotation({0, 0, 0}, {30, 0, 0}), {30, 0, 0});
  ExpectNear(ComposeRotation({350, 0, 0}, {20, 0, 0}), {10, 0, 0}, 2e-3f);
  ExpectNear(ComposeRotation({10, 0, 0}, {-20, 0, 0}), {350, 0, 0}, 2e-3f);
  ExpectNear(ComposeRotation({0, 0, 40}, {0, 0, 5}), {0, 0, 45}, 2e-3f);

  // A combined turn: the extracted angles rebuild the same matrix.
  const Vec3 angles = ComposeRotation({20, 30, 40}, {5, -10, 15});
  const Matrix4 expected = Multiply(RotationMatrix({20, 30, 40}), RotationMatrix({5, -10, 15}));
  const Matrix4 rebuilt = RotationMatrix(angles);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(rebuilt.m[i], expected.m[i], 1e-4f) << i;
  for (float a : {angles.x, angles.y, angles.z})
    EXPECT_TRUE(a >= 0 && a <= 360) << a;

  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  EXPECT_TRUE(RotateSelectionByDrag(doc, {0, 60, 0}) && !cube.mesh.renderStale);
  ExpectNear(cube.mesh.rotation, {0, 60, 0}, 2e-3f);

  // The 2D views turn about X by vertical and about Y by horizontal motion,
  // without wrapping.
  cube.mesh.rotation = {0, 0, 0};
  EXPECT_TRUE(RotateSelection2D(doc, 100, 100, 90, 110));
  ExpectNear(cube.mesh.rotation, {4, -2, 0});
  cube.mesh.rotation = {1, 359, 0};
  RotateSelection2D(doc, 80, 100, 100, 110);
  ExpectNear(cube.mesh.rotation, {5, 363, 0});
}

TEST(Matrix4, RightHandedTurnsInXYZOrderThenScaleTurnMove) {
  const struct {
    Vec3 angles, point, turned;
  } kTurns[] = {{{90, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                {{0, 90, 0}, {0, 0, 1}, {1, 0, 0}},
                {{0, 0, 90}, {1, 0, 0}, {0, 1, 0}},
                {{90, 0, 90}, {0, 1, 0}, {0, 0, 1}}};  // X first: then on the Z axis
  for (const auto& t : kTurns)
    ExpectNear(TransformPoint(t.point, RotationMatrix(t.angles)), t.turned, 1e-5f);
  ExpectNear(TransformDirection({1, 0, 0}, TransformMatrix({2, 1, 1}, {0, 0, 90}, {10, 20, 30})),
             {0, 2, 0}, 1e-5f);
  Matrix4 inv;
  const Matrix4 m = TransformMatrix({2, 3, 4}, {10, 20, 30}, {1, 2, 3});
  ASSERT_TRUE(Invert(m, &inv));
  ExpectNear(TransformPoint(TransformPoint({5, -6, 7}, m), inv), {5, -6, 7}, 1e-5f);
  inv.m[0] = 42;
  EXPECT_FALSE(Invert(TransformMatrix({1, 0, 1}, {0, 0, 0}, {0, 0, 0}), &inv));
  EXPECT_EQ(inv.m[0], 42.0f) << "a singular matrix leaves the result alone";
}

SelectionRecord ElementRecord(uint32_t type, uint32_t a, uint32_t b = kDeadIndex,
                              uint32_t c = kDeadIndex) {
  SelectionRecord r;
  r.elementType = type;
  r.indices = {a, b, c, kDeadIndex, kDeadIndex, kDeadIndex};
  return r;
}

TEST(MoveElements, WholeObjectRecordMovesThePositionOnly) {
  SceneObject o;
  o.mesh = Cube();
  SelectObject(o);
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectVertex, 0));
  o.mesh.unsavedChange = false;
  MoveElements(o, {1, -2, 0.5f});
  ExpectNear(o.mesh.position, {-1, 2, -0.5f}, 1e-5f);
  ExpectNear(TransformPoint({0, 0, 0}, o.worldMatrix), {-1, 2, -0.5f}, 1e-5f);
  EXPECT_FLOAT_EQ(o.mesh.positions.data()[0].x, 0.0f) << "vertices stay";
  EXPECT_TRUE(o.mesh.unsavedChange);

  // Objects carrying a 2D outline are not dragged.
  SceneObject outline;
  outline.mesh = Cube();
  SelectObject(outline);
  outline.outlineShapes.emplace_back();
  MoveElements(outline, {1, 1, 1});
  ExpectNear(outline.mesh.position, {0, 0, 0}, 1e-5f);
}

TEST(MoveElements, VertexMovesInObjectSpaceAndRenormalsItsTriangles) {
  SceneObject o;
  o.mesh = Cube();
  SetScale(o.mesh, {2, 1, 0.5f});
  SetRotation(o.mesh, {30, 60, 10});
  SetPosition(o.mesh, {5, 0, 0});
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectVertex, 6));
  const Matrix4 world = MeshTransformMatrix(o.mesh);
  const Mesh before = o.mesh;
  EXPECT_FLOAT_EQ(MeshBounds(o.mesh).max.z, 1.0f);

  const Vec3 delta{0.3f, -0.4f, 0.2f};
  MoveElements(o, delta);
  // On screen the vertex moved by exactly minus the delta.
  const Vec3 was = TransformPoint(before.positions.data()[6], world);
  const Vec3 now = TransformPoint(o.mesh.positions.data()[6], world);
  ExpectNear(now - was, -delta, 1e-5f);
  for (uint32_t v = 0; v < 8; ++v)
    EXPECT_TRUE(v == 6 || PositionsEqual(o.mesh.positions[v], before.positions[v])) << v;
  EXPECT_TRUE(o.moveVertices == std::vector<uint32_t>{6} && !o.moveCacheStale);
  // Bounds follow the moved vertex.
  const BoundingBox box = MeshBounds(o.mesh);
  const Vec3 moved = o.mesh.positions.data()[6];
  ExpectNear(box.max, {std::max(moved.x, 1.0f), std::max(moved.y, 1.0f), std::max(moved.z, 1.0f)},
             0);
  EXPECT_FLOAT_EQ(box.min.z, std::min(moved.z, 0.0f));

  // Triangles using vertex 6 get their new face normal; the others keep theirs.
  const Vec3* p = o.mesh.positions.data();
  for (uint32_t t = 0; t < 12; ++t) {
    const MeshCorner* c = o.mesh.corners.data() + t * 3;
    const bool uses = c[0].vertexIndex == 6 || c[1].vertexIndex == 6 || c[2].vertexIndex == 6;
    EXPECT_EQ(uses, std::count(o.moveTriangles.begin(), o.moveTriangles.end(), t) == 1) << t;
    const Vec3 expected =
        uses ? FaceNormal(p[c[0].vertexIndex], p[c[1].vertexIndex], p[c[2].vertexIndex])
             : before.corners.data()[t * 3].normal;
    for (int k = 0; k < 3; ++k)
      ExpectNear(c[k].normal, expected, 1e-5f);
  }
}

TEST(MoveElements, CacheHoldsEachVertexOnceUntilMarkedStale) {
  SceneObject o;
  o.mesh = Cube();
  // A triangle record and an edge record sharing vertices, a dead corner's
  // record: vertices 4, 5, 6 and 7, each moved once.
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectTriangle, 4, 5, 6));
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectEdge, 6, 7));
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectVertex, kDeadIndex));
  MoveElements(o, {0, 0, -1});
  for (uint32_t v = 4; v < 8; ++v)
    EXPECT_EQ(o.mesh.positions[v].z, 2.0f) << v;
  EXPECT_EQ(o.moveVertices.size(), 4u);

  // A record added without marking the cache stale is not moved by the next
  // step: the step works from the cache alone.
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectVertex, 0));
  MoveElements(o, {0, 0, -1});
  EXPECT_TRUE(o.mesh.positions[4].z == 3 && o.mesh.positions[0].z == 0);
  o.moveCacheStale = true;
  MoveElements(o, {0, 0, -1});
  EXPECT_TRUE(o.mesh.positions[0].z == 1 && o.mesh.positions[4].z == 4);
  // Vertex 0 brings the triangles around it into the cache.
  EXPECT_EQ(o.moveTriangles.size(), 12u) << "every cube triangle uses one of 0, 4..7";
}

}  // namespace
}  // namespace torvane
