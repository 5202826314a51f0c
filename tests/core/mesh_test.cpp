// Mesh and its storage: the growable arrays (growth, the memory guard,
// copy-on-write), vertex reuse, buffer growth under the memory guard,
// transform setters and baking, bounds and their cache, render arrays and
// copy-on-write copies.
#include "core/mesh.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "core/grow_array.h"
#include "core/mesh_ops.h"
#include "core/vec3.h"
#include "mesh_test_shapes.h"
#include "platform/available_memory.h"

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

}  // namespace
}  // namespace torvane
