// Transforms and drags: the matrices, the drag arithmetic of moving,
// rotating and scaling the selection, and element moves (a whole-object
// record moves the position; element records move their vertices by the
// scene delta through the object's scale and rotation, renormal the
// triangles around them, and reuse the move cache until it is marked stale;
// outline objects stay put).
#include "core/manipulation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/document.h"
#include "core/matrix4.h"
#include "core/mesh.h"
#include "core/move_elements.h"
#include "core/scene_object.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

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
  SceneObject object;
  object.mesh = Cube();
  AddObjectCopy(doc, object);  // not selected: stays

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
  EXPECT_FLOAT_EQ(cube.worldMatrix.m[0], cube.mesh.scale.x);

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
  for (float a : {angles.x, angles.y, angles.z}) {
    EXPECT_GE(a, 0.0f);
    EXPECT_LE(a, 360.0f);
  }

  Document doc;
  SceneObject& cube = AddSelectedCube(doc);
  EXPECT_TRUE(RotateSelectionByDrag(doc, {0, 60, 0}));
  ExpectNear(cube.mesh.rotation, {0, 60, 0}, 2e-3f);
  EXPECT_FALSE(cube.mesh.renderStale);

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
  for (uint32_t v = 0; v < 8; ++v) {
    if (v == 6) continue;
    EXPECT_TRUE(PositionsEqual(o.mesh.positions.data()[v], before.positions.data()[v])) << v;
  }
  EXPECT_EQ(o.moveVertices, std::vector<uint32_t>{6});
  EXPECT_FALSE(o.moveCacheStale);
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
    EXPECT_FLOAT_EQ(o.mesh.positions.data()[v].z, 2.0f) << v;
  EXPECT_EQ(o.moveVertices.size(), 4u);

  // A record added without marking the cache stale is not moved by the next
  // step: the step works from the cache alone.
  PushSelectionRecord(o.selectionRecords, ElementRecord(kSelectVertex, 0));
  MoveElements(o, {0, 0, -1});
  EXPECT_FLOAT_EQ(o.mesh.positions.data()[4].z, 3.0f);
  EXPECT_FLOAT_EQ(o.mesh.positions.data()[0].z, 0.0f);
  o.moveCacheStale = true;
  MoveElements(o, {0, 0, -1});
  EXPECT_FLOAT_EQ(o.mesh.positions.data()[0].z, 1.0f);
  EXPECT_FLOAT_EQ(o.mesh.positions.data()[4].z, 4.0f);
  // Vertex 0 brings the triangles around it into the cache.
  EXPECT_EQ(o.moveTriangles.size(), 12u) << "every cube triangle uses one of 0, 4..7";
}

}  // namespace
}  // namespace torvane
