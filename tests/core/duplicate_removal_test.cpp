// Duplicate removal: the hashed vertex merge and triangle removal give
// exactly the results of the pairwise comparison (random meshes, positions
// jittered around the 2^-23 tolerance, chains that do not merge through,
// dead corners, coordinates at the edges of the float range), the cube's 28
// merged vertices, cancellation and exhausted memory leaving the mesh
// unchanged, and the command's totals, texts and history step.
#include "core/duplicate_removal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "core/history.h"
#include "mesh_test_shapes.h"

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

// The pairwise versions: every vertex against every later unmerged one,
// every triangle against every later one in the same cyclic order.
void PlainRemoveDuplicateVertices(Mesh& mesh, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  const Vec3* p = mesh.positions.data();
  std::vector<uint32_t> index(n, kDeadIndex);
  std::vector<Vec3> kept;
  for (uint32_t i = 0; i < n && c > 0; ++i) {
    if (index[i] != kDeadIndex) continue;
    index[i] = uint32_t(kept.size());
    kept.push_back(p[i]);
    for (uint32_t j = i + 1; j < n; ++j)
      if (index[j] == kDeadIndex && PositionsEqual(p[j], p[i])) index[j] = index[i];
  }
  if (kept.size() == n || c == 0) return;
  total += n - kept.size();
  for (uint32_t k = 0; k < c; ++k) {
    uint32_t& v = mesh.corners.MutableData()[k].vertexIndex;
    if (v < n) v = index[v];
  }
  GrowArray<Vec3> positions;
  positions.ResizeDiscard(kept.size());
  std::copy(kept.begin(), kept.end(), positions.MutableData());
  mesh.positions = std::move(positions);
  mesh.vertexCount = uint32_t(kept.size());
  mesh.cornerCount = c;
  TrimMesh(mesh);
}

void PlainRemoveDuplicateTriangles(Mesh& mesh, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  auto v = [&](uint32_t k) { return mesh.corners.data()[k].vertexIndex; };
  std::vector<bool> gone(c, false);
  std::vector<MeshCorner> kept;
  for (uint32_t t = 0; t + 2 < c; t += 3) {
    for (uint32_t u = t + 3; !gone[t] && u + 2 < c; u += 3) {
      for (uint32_t r = 0; r < 3 && !gone[u]; ++r) {
        if (v(u + r) == v(t) && v(u + (r + 1) % 3) == v(t + 1) && v(u + (r + 2) % 3) == v(t + 2))
          gone[u] = gone[u + 1] = gone[u + 2] = true;
      }
    }
  }
  for (uint32_t k = 0; k < c; ++k)
    if (!gone[k]) kept.push_back(mesh.corners.data()[k]);
  if (kept.size() == c) return;
  total += (c - kept.size()) / 3;
  GrowArray<MeshCorner> corners;
  corners.ResizeDiscard(kept.size());
  std::copy(kept.begin(), kept.end(), corners.MutableData());
  mesh.corners = std::move(corners);
  mesh.cornerCount = uint32_t(kept.size());
  TrimMesh(mesh);
}

// Runs the fast and the pairwise version on copies of `m`: identical outcomes.
template <class Fast, class Plain>
void ExpectMatchesPlain(Fast fast, Plain plain, const Mesh& m, const std::string& what) {
  Mesh a = m, b = m;
  NullProgress progress;
  uint64_t fastTotal = 5, plainTotal = 5;
  EXPECT_EQ(fast(a, progress, fastTotal), kStatusDone) << what;
  plain(b, plainTotal);
  EXPECT_EQ(fastTotal, plainTotal) << what;
  ExpectSameGeometry(a, b, what);
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
    if (rng() % 16 == 0) indices.back() = kDeadIndex;  // a dead corner
    if (rng() % 32 == 0) {
      for (int i = 1; i <= 3; ++i)
        indices[indices.size() - i] = kDeadIndex;  // a removed triangle
    }
  }
  return MeshOf(points, indices);
}

TEST(RemoveDuplicateVertices, MatchesThePairwiseMergeOnJitteredMeshesAndAtTheFloatRangesEdges) {
  std::mt19937 rng(20240607);
  const std::vector<float> nearOne = {0.0f, 0.5f, 1.0f, -1.0f, 0.25f, 2.0f, -0.75f};
  const std::vector<float> tinyCells = {0.0f, 9.5367431640625e-07f, -9.5367431640625e-07f,
                                        1.9073486328125e-06f, 0.5f};
  const std::vector<float> wide = {0.0f, 1000.0f, -65536.0f, 3.0e7f, 1.0e-30f, 0.125f};
  for (int round = 0; round < 60; ++round) {
    const auto& bases = round % 3 == 0 ? nearOne : round % 3 == 1 ? tinyCells : wide;
    const uint32_t vertices = 20 + rng() % 400;
    const Mesh m = JitteredMesh(rng, vertices, vertices / 2, round % 2 == 0, bases);
    ExpectMatchesPlain(RemoveDuplicateVertices, PlainRemoveDuplicateVertices, m,
                       "round " + std::to_string(round));
  }

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
  for (uint32_t i = 0; i + 2 < points.size(); ++i)
    indices.insert(indices.end(), {i, i + 1, i + 2});
  Mesh extremes = MeshOf(points, indices);
  ExpectMatchesPlain(RemoveDuplicateVertices, PlainRemoveDuplicateVertices, extremes, "extremes");
  // Not-a-number and infinite positions equal nothing, not even themselves.
  NullProgress progress;
  uint64_t total = 0;
  RemoveDuplicateVertices(extremes, progress, total);
  int nans = 0;
  for (uint32_t i = 0; i < extremes.vertexCount; ++i)
    nans += std::isnan(extremes.positions.data()[i].x);
  EXPECT_EQ(nans, 2);
}

TEST(RemoveDuplicateVertices, SoupCubeBecomesEightVerticesAndKeepsDeadCorners) {
  Mesh cube = MakeSoupCube();
  MeshCorner* c = cube.corners.MutableData();
  c[33].vertexIndex = c[34].vertexIndex = c[35].vertexIndex = kDeadIndex;
  NullProgress progress;
  uint64_t total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 28u);
  EXPECT_EQ(cube.positions.length(), 8u);
  EXPECT_EQ(cube.corners.data()[35].vertexIndex, kDeadIndex);
  EXPECT_TRUE(cube.unsavedChange && cube.unrecordedChange && cube.renderStale);
  // Nothing left to merge: the mesh is not touched.
  cube.unsavedChange = false;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 28u);
  EXPECT_FALSE(cube.unsavedChange);
}

TEST(RemoveDuplicateTriangles, MatchesThePairwiseRemoval) {
  const std::vector<Vec3> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    const uint32_t range = 3 + rng() % 6;
    std::vector<uint32_t> indices;
    const uint32_t triangles = 1 + rng() % 200;
    for (uint32_t i = 0; i < triangles * 3; ++i)
      indices.push_back(rng() % 20 == 0 ? kDeadIndex : uint32_t(rng() % range));
    ExpectMatchesPlain(RemoveDuplicateTriangles, PlainRemoveDuplicateTriangles,
                       MeshOf(points, indices), "round " + std::to_string(round));
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
