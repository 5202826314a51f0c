// Duplicate removal: the hashed vertex merge and triangle removal give
// exactly the results of the pairwise comparison (random meshes, positions
// jittered around the 2^-23 tolerance, chains that do not merge through,
// dead corners, coordinates at the edges of the float range), the cube's 28
// merged vertices, cancellation and exhausted memory leaving the mesh
// unchanged, and the command's totals, texts and history step.
#include "core/duplicate_removal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "core/history.h"
#include "mesh_test_shapes.h"
#include "plain_mesh_ops.h"

namespace torvane {
namespace {

using testing::AddSelectedMesh;
using testing::CancelAfter;
using testing::ExpectSameGeometry;
using testing::MakeIndexedCube;
using testing::MakeSoupCube;
using testing::MemoryOverride;
using testing::MeshOf;

constexpr float kTol = kPositionTolerance;

// Runs both versions on copies of `m` and expects identical outcomes.
void ExpectVertexMergeMatchesPlain(const Mesh& m, const std::string& what) {
  Mesh fast = m, plainMesh = m;
  NullProgress progress;
  uint64_t fastTotal = 5, plainTotal = 5;
  EXPECT_EQ(RemoveDuplicateVertices(fast, progress, fastTotal), kStatusDone) << what;
  plain::RemoveDuplicateVertices(plainMesh, plainTotal);
  EXPECT_EQ(fastTotal, plainTotal) << what;
  ExpectSameGeometry(fast, plainMesh, what);
}

void ExpectTriangleRemovalMatchesPlain(const Mesh& m, const std::string& what) {
  Mesh fast = m, plainMesh = m;
  NullProgress progress;
  uint64_t fastTotal = 0, plainTotal = 0;
  EXPECT_EQ(RemoveDuplicateTriangles(fast, progress, fastTotal), kStatusDone) << what;
  plain::RemoveDuplicateTriangles(plainMesh, plainTotal);
  EXPECT_EQ(fastTotal, plainTotal) << what;
  ExpectSameGeometry(fast, plainMesh, what);
}

// Offsets around the tolerance, both signs: exactly at it, one float below
// and above, halves and multiples, and the search margin (2^-22 .. 2^-20).
std::vector<float> ToleranceOffsets() {
  std::vector<float> o = {0.0f, kTol, std::nextafter(kTol, 0.0f), std::nextafter(kTol, 1.0f)};
  for (float f : {0.5f, 0.9f, 1.5f, 2.0f})
    o.push_back(f * kTol);
  for (int shift : {22, 21, 20})
    o.push_back(std::ldexp(1.0f, -shift));
  const size_t n = o.size();
  for (size_t i = 1; i < n; ++i)
    o.push_back(-o[i]);
  return o;
}

// Vertices clustered on bases that sit on power-of-two cell boundaries,
// each coordinate nudged by an offset around the tolerance; a quarter are
// chained from the previous vertex by 0.9 x tolerance so that a ~ b ~ c
// while a and c differ. `local` triangles take their corners from one
// cluster (short edges, the smallest cells); others take any vertices.
Mesh JitteredMesh(std::mt19937& rng, uint32_t vertices, uint32_t triangles, bool local,
                  const std::vector<float>& baseCoordinates) {
  const std::vector<float> offsets = ToleranceOffsets();
  auto pick = [&](const auto& v) { return v[rng() % v.size()]; };
  std::vector<Vec3> points;
  std::vector<uint32_t> cluster;
  const uint32_t clusters = std::max<uint32_t>(1, vertices / 8);
  std::vector<Vec3> bases;
  for (uint32_t i = 0; i < clusters; ++i)
    bases.push_back({pick(baseCoordinates), pick(baseCoordinates), pick(baseCoordinates)});
  for (uint32_t i = 0; i < vertices; ++i) {
    const uint32_t b = rng() % clusters;
    Vec3 p;
    if (i > 0 && rng() % 4 == 0) {
      p = points.back();
      const float step = 0.9f * kTol * ((rng() % 2) ? 1.0f : -1.0f);
      const uint32_t axis = rng() % 3;
      (axis == 0 ? p.x : axis == 1 ? p.y : p.z) += step;
      cluster.push_back(cluster.back());
    } else {
      p = {bases[b].x + pick(offsets), bases[b].y + pick(offsets), bases[b].z + pick(offsets)};
      cluster.push_back(b);
    }
    points.push_back(p);
  }
  std::vector<std::vector<uint32_t>> members(clusters);
  for (uint32_t i = 0; i < vertices; ++i)
    members[cluster[i]].push_back(i);
  std::vector<uint32_t> indices;
  for (uint32_t t = 0; t < triangles; ++t) {
    const uint32_t c = cluster[rng() % vertices];
    for (int i = 0; i < 3; ++i)
      indices.push_back(local ? pick(members[c]) : uint32_t(rng() % vertices));
    if (rng() % 16 == 0) indices.back() = plain::kDead;  // a dead corner
    if (rng() % 32 == 0) {
      for (int i = 1; i <= 3; ++i)
        indices[indices.size() - i] = plain::kDead;  // a removed triangle
    }
  }
  return MeshOf(points, indices);
}

TEST(RemoveDuplicateVertices, MatchesThePairwiseMergeOnJitteredMeshes) {
  std::mt19937 rng(20240607);
  const std::vector<float> nearOne = {0.0f, 0.5f, 1.0f, -1.0f, 0.25f, 2.0f, -0.75f};
  const std::vector<float> tinyCells = {0.0f, 9.5367431640625e-07f, -9.5367431640625e-07f,
                                        1.9073486328125e-06f, 0.5f};
  const std::vector<float> wide = {0.0f, 1000.0f, -65536.0f, 3.0e7f, 1.0e-30f, 0.125f};
  for (int round = 0; round < 60; ++round) {
    const auto& bases = round % 3 == 0 ? nearOne : round % 3 == 1 ? tinyCells : wide;
    const uint32_t vertices = 20 + rng() % 400;
    const Mesh m = JitteredMesh(rng, vertices, vertices / 2, round % 2 == 0, bases);
    ExpectVertexMergeMatchesPlain(m, "round " + std::to_string(round));
  }
}

TEST(RemoveDuplicateVertices, MatchesThePairwiseMergeAtTheEdgesOfTheFloatRange) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float big = std::numeric_limits<float>::max();
  const float tiny = std::numeric_limits<float>::denorm_min();
  const std::vector<Vec3> points = {
      {0, 0, 0},       {-0.0f, 0, -0.0f}, {nan, 0, 0},         {nan, 0, 0},
      {inf, 1, 1},     {inf, 1, 1},       {-inf, 0, 0},        {big, big, big},
      {big, big, big}, {-big, 0, 0},      {tiny, 0, 0},        {-tiny, 0, 0},
      {1e30f, 0, 0},   {1e30f, 0, 0},     {1e30f, kTol, 0},    {3e38f, -3e38f, 0},
      {kTol, 0, 0},    {2 * kTol, 0, 0},  {1e-38f, 1e-38f, 0}, {0, 0, kTol}};
  std::vector<uint32_t> indices;
  for (uint32_t i = 0; i + 2 < points.size(); ++i) {
    indices.insert(indices.end(), {i, i + 1, i + 2});
  }
  const Mesh m = MeshOf(points, indices);
  ExpectVertexMergeMatchesPlain(m, "extremes");

  // Not-a-number and infinite positions equal nothing, not even themselves.
  Mesh merged = m;
  NullProgress progress;
  uint64_t total = 0;
  RemoveDuplicateVertices(merged, progress, total);
  int nans = 0;
  for (uint32_t i = 0; i < merged.vertexCount; ++i)
    nans += std::isnan(merged.positions.data()[i].x);
  EXPECT_EQ(nans, 2);
}

TEST(RemoveDuplicateVertices, LowestIndexRepresentsAndChainsDoNotMergeThrough) {
  NullProgress progress;
  uint64_t total = 0;
  // 1e-7 apart merge, 2e-7 apart do not.
  Mesh close = MeshOf({{0, 0, 0}, {1e-7f, 0, 0}, {2e-7f, 0, 0}}, {0, 1, 2});
  RemoveDuplicateVertices(close, progress, total);
  EXPECT_EQ(close.vertexCount, 2u);
  EXPECT_EQ(total, 1u);
  EXPECT_EQ(close.corners.data()[1].vertexIndex, 0u);
  EXPECT_EQ(close.corners.data()[2].vertexIndex, 1u);

  // b and c are within tolerance of a: both merge into a. d is within
  // tolerance of b only: once b is merged, d stays on its own.
  total = 0;
  const float t = 0.9f * kTol;
  const float x = 0.01f;
  Mesh chain = MeshOf({{x, 0, 0}, {x + t, 0, 0}, {x, t, 0}, {x + 2 * t, 0, 0}, {9, 9, 9}},
                      {3, 1, 2, 0, 4, 1});
  RemoveDuplicateVertices(chain, progress, total);
  EXPECT_EQ(total, 2u);
  ASSERT_EQ(chain.vertexCount, 3u);
  EXPECT_EQ(chain.positions.data()[0].x, x) << "the first of the class is kept";
  const uint32_t expected[6] = {1, 0, 0, 0, 2, 0};
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(chain.corners.data()[k].vertexIndex, expected[k]) << k;
}

TEST(RemoveDuplicateVertices, SoupCubeBecomesEightVerticesAndKeepsDeadCorners) {
  Mesh cube = MakeSoupCube();
  MeshCorner* c = cube.corners.MutableData();
  c[33].vertexIndex = c[34].vertexIndex = c[35].vertexIndex = kDeadIndex;
  const MeshCorner before = c[7];
  NullProgress progress;
  uint64_t total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 28u);
  EXPECT_EQ(cube.vertexCount, 8u);
  EXPECT_EQ(cube.positions.length(), 8u);
  EXPECT_EQ(cube.cornerCount, 36u);
  for (int k = 33; k < 36; ++k)
    EXPECT_EQ(cube.corners.data()[k].vertexIndex, kDeadIndex);
  EXPECT_EQ(cube.corners.data()[7].colour, before.colour);
  EXPECT_TRUE(cube.unsavedChange && cube.unrecordedChange && cube.renderStale);

  // Nothing left to merge: the mesh is not touched.
  cube.unsavedChange = false;
  total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 0u);
  EXPECT_FALSE(cube.unsavedChange);
}

TEST(RemoveDuplicateTriangles, SameCyclicOrderOnlyAndMatchesThePairwiseRemoval) {
  NullProgress progress;
  uint64_t total = 0;
  const std::vector<Vec3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Mesh m = MeshOf(points, {1, 2, 3, 2, 3, 1, 3, 2, 1, 3, 1, 2, 0, 1, 2});
  EXPECT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusDone);
  EXPECT_EQ(total, 2u);
  ASSERT_EQ(m.cornerCount, 9u);
  const uint32_t expected[9] = {1, 2, 3, 3, 2, 1, 0, 1, 2};
  for (int k = 0; k < 9; ++k)
    EXPECT_EQ(m.corners.data()[k].vertexIndex, expected[k]) << k;
  EXPECT_EQ(m.corners.data()[6].colour, 0xFF00000Cu) << "later corners keep their records";

  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    const uint32_t range = 3 + rng() % 6;
    std::vector<uint32_t> indices;
    const uint32_t triangles = 1 + rng() % 200;
    for (uint32_t i = 0; i < triangles * 3; ++i)
      indices.push_back(rng() % 20 == 0 ? plain::kDead : uint32_t(rng() % range));
    ExpectTriangleRemovalMatchesPlain(MeshOf(points, indices), "round " + std::to_string(round));
  }
}

TEST(DuplicateRemoval, CancelAndExhaustedMemoryLeaveTheMeshUnchanged) {
  std::mt19937 rng(3);
  const Mesh original = JitteredMesh(rng, 5000, 3000, true, {0.0f, 1.0f, 0.5f});
  for (int after : {0, 1, 3}) {
    Mesh m = original;
    m.unsavedChange = false;
    CancelAfter cancel(after);
    uint64_t total = 0;
    EXPECT_EQ(RemoveDuplicateVertices(m, cancel, total), kStatusCancelled) << after;
    EXPECT_EQ(total, 0u);
    EXPECT_FALSE(m.unsavedChange);
    ExpectSameGeometry(m, original, "cancelled vertices");
    CancelAfter cancelTriangles(after);
    EXPECT_EQ(RemoveDuplicateTriangles(m, cancelTriangles, total), kStatusCancelled);
    ExpectSameGeometry(m, original, "cancelled triangles");
  }

  // Half a megabyte available: the 1.2 MB working arrays are refused.
  std::vector<Vec3> points(300000);
  std::vector<uint32_t> indices(300000);
  for (uint32_t i = 0; i < 300000; ++i) {
    points[i] = {float(i % 1000), float(i / 1000), 0};
    indices[i] = i % 1000;
  }
  const Mesh big = MeshOf(points, indices);
  Mesh m = big;
  Document doc;
  const uint32_t id = AddSelectedMesh(doc, big);
  MemoryOverride low(500000);
  NullProgress progress;
  uint64_t total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(m, progress, total), kStatusFailed);
  EXPECT_EQ(RemoveDuplicateTriangles(m, progress, total), kStatusFailed);
  EXPECT_EQ(total, 0u);
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
  const uint32_t a = AddSelectedMesh(doc, MakeSoupCube());
  const uint32_t b = AddObjectCopy(doc, testing::ChangedObject(MakeSoupCube({2, 0, 0}, {3, 1, 1})));
  AddSelectedMesh(doc, MakeSoupCube({5, 0, 0}, {6, 1, 1}));
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
