// Duplicate removal: the hashed vertex merge gives the classes of the
// pairwise rule (positions around the 2^-23 tolerance across cell
// boundaries of either size, chains that do not merge through, dead
// corners, coordinates at the edges of the float range), triangle removal keeps the
// first of every cyclic repeat, cancellation and exhausted memory leave the
// mesh unchanged, and the command's totals, texts and history step.
#include "core/duplicate_removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/history.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

// Each vertex merges into the lowest earlier representative (a vertex that
// merged into nothing) equal to it; the survivors keep their order. Every
// point set runs with triangles of short edges (the finest cells) and with
// every vertex in a triangle with two far points (cells of 4096), so each
// pair straddles cell boundaries at either size. A last triangle of a dead
// corner, an index past the vertices and vertex 0 checks the renumbering.
TEST(RemoveDuplicateVertices, MergesIntoTheLowestEqualRepresentativeAtEveryCellSize) {
  const float t = kPositionTolerance, nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity(), big = std::numeric_limits<float>::max();
  const float tiny = std::numeric_limits<float>::denorm_min();
  const Vec3 q = Vec3{1, 1, 1} * (0.4f * t);
  const struct {
    const char* what;
    std::vector<Vec3> points;
    std::vector<uint32_t> merged;  // the new index of every point
  } kCases[] = {
      // clang-format off
      {"chains do not merge through", {{0, 0, 0}, {0.9f * t, 0, 0}, {1.8f * t, 0, 0}}, {0, 0, 1}},
      {"at the tolerance, not a float beyond", {{}, {0, t, 0}, {0, std::nextafter(t, 1.0f), 0}},
       {0, 0, 1}},
      // Equal to two representatives in the cells either side of 0.
      {"the lowest equal one wins", {{-0.6f * t, 0, 0}, {0.6f * t, 0, 0}, {}}, {0, 1, 0}},
      {"from well inside a cell", {{-0.3f * t, 0, 0}, {0.6f * t, 0, 0}, {0, 0, 5}}, {0, 0, 1}},
      {"across a cell corner", {-q, q, {0.3f * t, -0.6f * t, 0}}, {0, 0, 0}},
      // Cell numbers far from the origin are never narrowed to integers.
      {"far from the origin", {{1e30f, 0, 0}, {1e30f, 0, 0}, {-1e30f, 0, 0}, {3e38f, -3e38f, 0},
       {3e38f, -3e38f, 0}, {}, {0.5f * t, 0, 0}}, {0, 0, 1, 2, 2, 3, 3}},
      {"not-a-number and infinities equal nothing, not even themselves",
       {{nan, 0, 0}, {nan, 0, 0}, {inf, 1, 1}, {inf, 1, 1}, {-0.0f, 0, -0.0f}, {}},
       {0, 1, 2, 3, 4, 4}},
      {"denormals and the largest floats",
       {{tiny, 0, 0}, {-tiny, 0, 0}, {big, big, big}, {big, big, big}, {-big, 0, 0}},
       {0, 0, 1, 1, 2}},
      // clang-format on
  };
  NullProgress progress;
  for (const auto& c : kCases) {
    for (bool coarse : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.what << (coarse ? ", coarse cells" : ""));
      std::vector<Vec3> points = c.points;
      std::vector<uint32_t> merged = c.merged, indices;
      const uint32_t n = uint32_t(points.size());
      const uint32_t kept = *std::max_element(merged.begin(), merged.end()) + 1;
      if (coarse) {
        points.insert(points.end(), {{4096, 0, 0}, {0, 4096, 0}});
        merged.insert(merged.end(), {kept, kept + 1});
      }
      for (uint32_t i = 0; i < n; ++i)
        indices.insert(indices.end(), {i, coarse ? n : (i + 1) % n, coarse ? n + 1 : (i + 2) % n});
      indices.insert(indices.end(), {kDeadIndex, 99, 0});
      Mesh m = MeshOf(points, indices);
      uint64_t total = 5;
      ASSERT_EQ(RemoveDuplicateVertices(m, progress, total), kStatusDone);
      EXPECT_EQ(total, 5 + n - kept);
      ASSERT_EQ(m.vertexCount, kept + (coarse ? 2 : 0));
      for (uint32_t k = 0; k < m.cornerCount; ++k)
        EXPECT_EQ(m.corners[k].vertexIndex,
                  indices[k] < points.size() ? merged[indices[k]] : indices[k]);
      for (uint32_t i = 0; i < points.size(); ++i) {  // each survivor is its class's first point
        EXPECT_TRUE(std::count(merged.begin(), merged.begin() + i, merged[i]) > 0 ||
                    SameBits(&m.positions[merged[i]], &points[i], sizeof(Vec3)))
            << i;
      }
    }
  }

  // The soup cube: 28 merged, dead corners stay dead, the flags set; with
  // nothing left to merge the mesh is not touched.
  Mesh cube = SoupCube();
  MeshCorner* c = cube.corners.MutableData();
  c[33].vertexIndex = c[34].vertexIndex = c[35].vertexIndex = kDeadIndex;
  uint64_t total = 0;
  EXPECT_TRUE(RemoveDuplicateVertices(cube, progress, total) == kStatusDone && total == 28u);
  EXPECT_TRUE(cube.positions.length() == 8u && cube.corners.data()[35].vertexIndex == kDeadIndex);
  EXPECT_TRUE(cube.unsavedChange && cube.unrecordedChange && cube.renderStale);
  cube.unsavedChange = false;
  EXPECT_TRUE(RemoveDuplicateVertices(cube, progress, total) == kStatusDone && total == 28u);
  EXPECT_FALSE(cube.unsavedChange);
}

// Corner k of the input carries colour k, so the kept corners name
// themselves.
TEST(RemoveDuplicateTriangles, KeepsTheFirstOfEveryCyclicRepeat) {
  constexpr uint32_t D = kDeadIndex;
  const struct {
    const char* what;
    std::vector<uint32_t> indices, kept;  // kept: the input's corner numbers
  } kCases[] = {
      {"rotations", {0, 1, 2, 1, 2, 0, 2, 0, 1}, {0, 1, 2}},
      {"the other winding stays", {0, 1, 2, 0, 2, 1}, {0, 1, 2, 3, 4, 5}},
      {"a later copy goes", {0, 1, 2, 3, 1, 2, 2, 0, 1}, {0, 1, 2, 3, 4, 5}},
      {"dead corners compare as indices", {D, 1, 2, 1, 2, D, D, D, D, D, D, D}, {0, 1, 2, 6, 7, 8}},
      {"corners past the last triangle stay", {0, 1, 2, 0, 1, 2, 0}, {0, 1, 2, 6}},
  };
  const std::vector<Vec3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  NullProgress progress;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Mesh m = MeshOf(points, c.indices);
    uint64_t total = 5;
    ASSERT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusDone);
    EXPECT_EQ(total, 5 + (c.indices.size() - c.kept.size()) / 3);
    ASSERT_EQ(m.cornerCount, c.kept.size());
    for (size_t k = 0; k < c.kept.size(); ++k) {
      EXPECT_EQ(m.corners.data()[k].colour, 0xFF000000u | c.kept[k]) << k;
      EXPECT_EQ(m.corners.data()[k].vertexIndex, c.indices[c.kept[k]]) << k;
    }
  }
  // Every triple over four vertices, twice: 24 cyclic classes of 128.
  std::vector<uint32_t> all;
  for (uint32_t t = 0; t < 128; ++t)
    all.insert(all.end(), {t % 4, t / 4 % 4, t / 16 % 4});
  Mesh m = MeshOf(points, all);
  uint64_t total = 0;
  ASSERT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusDone);
  EXPECT_EQ(total, 128u - 24u);
  EXPECT_EQ(m.corners.data()[3].colour, 0xFF000003u) << "(1, 0, 0) is no repeat of (0, 0, 0)";
}

TEST(DuplicateRemoval, CancelAndExhaustedMemoryLeaveTheMeshUnchanged) {
  // 300,000 corners over 1000 repeated vertex numbers: plenty to merge and
  // to remove.
  std::vector<Vec3> points(300000);
  std::vector<uint32_t> indices(300000);
  for (uint32_t i = 0; i < 300000; ++i) {
    points[i] = {float(i % 1000), float(i / 1000 % 2), 0};
    indices[i] = i % 1000;
  }
  const Mesh big = MeshOf(points, indices);
  for (int after : {0, 1, 3}) {
    Mesh m = big;
    m.unsavedChange = false;
    CancelAfter cancel(after), cancelTriangles(after);
    uint64_t total = 0;
    EXPECT_EQ(RemoveDuplicateVertices(m, cancel, total), kStatusCancelled) << after;
    EXPECT_EQ(RemoveDuplicateTriangles(m, cancelTriangles, total), kStatusCancelled) << after;
    EXPECT_TRUE(total == 0 && !m.unsavedChange);
    ExpectSameGeometry(m, big, "cancelled");
  }
  // Half a megabyte available: the 1.2 MB working arrays are refused.
  Mesh m = big;
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, big);
  MemoryOverride low(500000);
  NullProgress progress;
  uint64_t total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(m, progress, total), kStatusFailed);
  EXPECT_TRUE(RemoveDuplicateTriangles(m, progress, total) == kStatusFailed && total == 0u);
  ExpectSameGeometry(m, big, "out of memory");
  // The commands fail with their own memory message and change nothing.
  EXPECT_EQ(RemoveDuplicateVerticesCommand(doc, progress).errorText,
            "Remove duplicate vertices: Not enough memory to complete the operation");
  EXPECT_EQ(RemoveDuplicateTrianglesCommand(doc, progress).errorText,
            "Remove duplicate triangles: Not enough memory to complete the operation");
  ExpectSameGeometry(FindObject(doc, id)->mesh, big, "commands out of memory");
}

TEST(DuplicateRemovalCommand, TotalsOverSelectedObjectsWithTextsAndHistory) {
  Document doc;
  const uint32_t a = AddSelectedMesh(doc, SoupCube());
  const uint32_t b = AddObjectCopy(doc, ChangedObject(SoupCube({2, 0, 0}, {3, 1, 1})));
  AddSelectedMesh(doc, SoupCube({5, 0, 0}, {6, 1, 1}));
  CancelAfter never(1 << 30);
  CommandOutcome vertices = RemoveDuplicateVerticesCommand(doc, never);
  EXPECT_EQ(vertices.status, kStatusDone);
  EXPECT_EQ(vertices.statusText,
            "Removed a total of 56 duplicated vertices from the selected objects.");
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 8u);
  EXPECT_EQ(FindObject(doc, b)->mesh.vertexCount, 36u) << "not selected";
  EXPECT_TRUE(CanUndo(doc));

  CommandOutcome triangles = RemoveDuplicateTrianglesCommand(doc, never);
  EXPECT_EQ(triangles.statusText,
            "There were no duplicated triangles to remove from the selected objects.");
  EXPECT_FALSE(triangles.changed);
  CommandOutcome again = RemoveDuplicateVerticesCommand(doc, never);
  EXPECT_EQ(again.statusText,
            "There were no duplicated vertices to remove from the selected objects.");
  // The triangle run found nothing but still recorded the merged state.
  Undo(doc);
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 8u);
  Undo(doc);
  EXPECT_EQ(FindObject(doc, a)->mesh.vertexCount, 36u);
  EXPECT_FALSE(CanUndo(doc));
}

}  // namespace
}  // namespace torvane
