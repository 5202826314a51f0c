// Element moves: a whole-object record moves the position; element records
// move their vertices by the scene delta through the object's scale and
// rotation, renormal the triangles around them, and reuse the move cache
// until it is marked stale; outline objects stay put.
#include "core/move_elements.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/document.h"
#include "core/matrix4.h"
#include "core/mesh.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using testing::ExpectNear;
using testing::MakeIndexedCube;

SelectionRecord ElementRecord(uint32_t type, uint32_t a, uint32_t b = kDeadIndex,
                              uint32_t c = kDeadIndex) {
  SelectionRecord r;
  r.elementType = type;
  r.indices = {a, b, c, kDeadIndex, kDeadIndex, kDeadIndex};
  return r;
}

TEST(MoveElements, WholeObjectRecordMovesThePositionOnly) {
  SceneObject o;
  o.mesh = MakeIndexedCube();
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
  outline.mesh = MakeIndexedCube();
  SelectObject(outline);
  outline.outlineShapes.emplace_back();
  MoveElements(outline, {1, 1, 1});
  ExpectNear(outline.mesh.position, {0, 0, 0}, 1e-5f);
}

TEST(MoveElements, VertexMovesInObjectSpaceAndRenormalsItsTriangles) {
  SceneObject o;
  o.mesh = MakeIndexedCube();
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
  o.mesh = MakeIndexedCube();
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
