// Duplicate removal: the hashed vertex merge gives exactly the classes of
// the pairwise comparison (positions jittered around the 2^-23 tolerance on
// cell boundaries, chains that do not merge through, dead corners,
// coordinates at the edges of the float range), triangle removal keeps the
// first of every cyclic repeat, cancellation and exhausted memory leave the
// mesh unchanged, and the command's totals, texts and history step.
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

using namespace testing;

constexpr float kTol = kPositionTolerance;

// The pairwise merge: every vertex into the first earlier unmerged vertex
// equal to it; the survivors keep their order.
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
  TrimMesh(mesh);
}

void ExpectMatchesPlain(const Mesh& m, const std::string& what) {
  Mesh fast = m, plain = m;
  NullProgress progress;
  uint64_t fastTotal = 5, plainTotal = 5;
  EXPECT_EQ(RemoveDuplicateVertices(fast, progress, fastTotal), kStatusDone) << what;
  PlainRemoveDuplicateVertices(plain, plainTotal);
  EXPECT_EQ(fastTotal, plainTotal) << what;
  ExpectSameGeometry(fast, plain, what);
}

// Vertices about bases drawn from `coordinates`, each coordinate nudged by
// an offset around the tolerance (exactly at it, one float either side,
// halves and multiples, the search margin 2^-22 .. 2^-20, both signs); a
// quarter are chained from the vertex before by 0.9 x tolerance, so that
// a ~ b ~ c while a and c differ. `local` triangles take three vertices
// about one base (short edges: the smallest cells), others any vertices.
Mesh JitteredMesh(std::mt19937& rng, uint32_t vertices, bool local,
                  const std::vector<float>& coordinates) {
  std::vector<float> offsets = {0.0f,
                                kTol,
                                std::nextafter(kTol, 0.0f),
                                std::nextafter(kTol, 1.0f),
                                0.5f * kTol,
                                0.9f * kTol,
                                1.5f * kTol,
                                2.0f * kTol};
  for (int shift : {22, 21, 20})
    offsets.push_back(std::ldexp(1.0f, -shift));
  for (size_t i = 1, n = offsets.size(); i < n; ++i)
    offsets.push_back(-offsets[i]);
  auto pick = [&](const auto& v) { return v[rng() % v.size()]; };
  std::vector<Vec3> bases(vertices / 8 + 1), points;
  for (Vec3& b : bases)
    b = {pick(coordinates), pick(coordinates), pick(coordinates)};
  std::vector<uint32_t> indices;
  Vec3 base;
  for (uint32_t i = 0; i < vertices; ++i) {
    if (i % 3 == 0 || !local) base = pick(bases);
    Vec3 p{base.x + pick(offsets), base.y + pick(offsets), base.z + pick(offsets)};
    if (i > 0 && rng() % 4 == 0) {
      p = points.back();
      const uint32_t axis = rng() % 3;
      (axis == 0 ? p.x : axis == 1 ? p.y : p.z) += (rng() % 2 ? 0.9f : -0.9f) * kTol;
    }
    points.push_back(p);
    indices.push_back(rng() % 16 == 0 ? kDeadIndex : local ? i : uint32_t(rng() % vertices));
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
    const Mesh m = JitteredMesh(rng, 3 * (10 + rng() % 140), round % 2 == 0, bases);
    ExpectMatchesPlain(m, "round " + std::to_string(round));
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
  ExpectMatchesPlain(extremes, "extremes");
  // Not-a-number and infinite positions equal nothing, not even themselves.
  NullProgress progress;
  uint64_t total = 0;
  RemoveDuplicateVertices(extremes, progress, total);
  int nans = 0;
  for (uint32_t i = 0; i < extremes.vertexCount; ++i)
    nans += std::isnan(extremes.positions.data()[i].x);
  EXPECT_EQ(nans, 2);

  // The soup cube: 28 merged, dead corners stay dead, the flags set; with
  // nothing left to merge the mesh is not touched.
  Mesh cube = SoupCube();
  MeshCorner* c = cube.corners.MutableData();
  c[33].vertexIndex = c[34].vertexIndex = c[35].vertexIndex = kDeadIndex;
  total = 0;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 28u);
  EXPECT_EQ(cube.positions.length(), 8u);
  EXPECT_EQ(cube.corners.data()[35].vertexIndex, kDeadIndex);
  EXPECT_TRUE(cube.unsavedChange && cube.unrecordedChange && cube.renderStale);
  cube.unsavedChange = false;
  EXPECT_EQ(RemoveDuplicateVertices(cube, progress, total), kStatusDone);
  EXPECT_EQ(total, 28u);
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
  std::mt19937 rng(3);
  const Mesh original = JitteredMesh(rng, 9000, true, {0.0f, 1.0f, 0.5f});
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
