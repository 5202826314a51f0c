// Whole-object mesh operation benchmarks on million-triangle meshes:
// Remove Duplicate Vertices on a triangle soup (3,000,000 vertices), Remove
// Duplicate Triangles (a tenth of them repeats), Split into 1,000 parts (the
// per-object split and the whole command on a document), and Subdivide all
// into 4.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "core/document.h"
#include "core/duplicate_removal.h"
#include "core/mesh_ops.h"
#include "core/null_progress.h"
#include "core/split_group.h"

namespace torvane {
namespace {

constexpr uint32_t kTriangles = 1000000;

// An indexed grid of `columns` x `rows` quads (two triangles each) at `origin`,
// appended to `positions` and `corners`.
void AppendGrid(uint32_t columns, uint32_t rows, Vec3 origin, std::vector<Vec3>& positions,
                std::vector<MeshCorner>& corners) {
  const uint32_t base = uint32_t(positions.size());
  for (uint32_t r = 0; r <= rows; ++r) {
    for (uint32_t c = 0; c <= columns; ++c)
      positions.push_back({origin.x + float(c) * 0.01f, origin.y + float(r) * 0.01f, origin.z});
  }
  auto at = [&](uint32_t c, uint32_t r) { return base + r * (columns + 1) + c; };
  const Vec3 n{0, 0, 1};
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t c = 0; c < columns; ++c) {
      for (uint32_t v :
           {at(c, r), at(c + 1, r), at(c + 1, r + 1), at(c, r), at(c + 1, r + 1), at(c, r + 1)}) {
        corners.push_back(MeshCorner{v, n, 0xFFDCDCDCu});
      }
    }
  }
}

Mesh MeshOf(const std::vector<Vec3>& positions, const std::vector<MeshCorner>& corners) {
  Mesh m;
  m.positions.ResizeDiscard(positions.size());
  std::copy(positions.begin(), positions.end(), m.positions.MutableData());
  m.vertexCount = uint32_t(positions.size());
  m.corners.ResizeDiscard(corners.size());
  std::copy(corners.begin(), corners.end(), m.corners.MutableData());
  m.cornerCount = uint32_t(corners.size());
  return m;
}

// 1000 x 500 quads, every corner with a vertex of its own.
const Mesh& Soup() {
  static const Mesh soup = [] {
    std::vector<Vec3> grid;
    std::vector<MeshCorner> corners;
    AppendGrid(1000, 500, {0, 0, 0}, grid, corners);
    std::vector<Vec3> positions;
    for (uint32_t k = 0; k < corners.size(); ++k) {
      positions.push_back(grid[corners[k].vertexIndex]);
      corners[k].vertexIndex = k;
    }
    return MeshOf(positions, corners);
  }();
  return soup;
}

// 900,000 grid triangles and 100,000 rotated repeats of them, shuffled in.
const Mesh& WithRepeats() {
  static const Mesh mesh = [] {
    std::vector<Vec3> positions;
    std::vector<MeshCorner> corners;
    AppendGrid(900, 500, {0, 0, 0}, positions, corners);
    std::mt19937 rng(1);
    std::vector<std::vector<MeshCorner>> triangles;
    for (size_t k = 0; k < corners.size(); k += 3)
      triangles.push_back({corners[k], corners[k + 1], corners[k + 2]});
    const size_t unique = triangles.size();
    while (triangles.size() < kTriangles) {
      auto t = triangles[rng() % unique];
      std::rotate(t.begin(), t.begin() + 1, t.end());
      triangles.push_back(t);
    }
    std::shuffle(triangles.begin() + 1, triangles.end(), rng);
    corners.clear();
    for (const auto& t : triangles)
      corners.insert(corners.end(), t.begin(), t.end());
    return MeshOf(positions, corners);
  }();
  return mesh;
}

// 1,000 separate 25 x 20 patches (1,000 triangles each) in one object.
const SceneObject& Patches() {
  static const SceneObject object = [] {
    std::vector<Vec3> positions;
    std::vector<MeshCorner> corners;
    for (uint32_t p = 0; p < 1000; ++p)
      AppendGrid(25, 20, {float(p % 40), float(p / 40), 0}, positions, corners);
    SceneObject o;
    o.mesh = MeshOf(positions, corners);
    return o;
  }();
  return object;
}

const Mesh& Grid() {
  static const Mesh mesh = [] {
    std::vector<Vec3> positions;
    std::vector<MeshCorner> corners;
    AppendGrid(1000, 500, {0, 0, 0}, positions, corners);
    return MeshOf(positions, corners);
  }();
  return mesh;
}

void BM_RemoveDuplicateVerticesSoup(benchmark::State& state) {
  const Mesh& soup = Soup();
  NullProgress progress;
  uint64_t total = 0;
  for (auto _ : state) {
    Mesh m = soup;  // shares the buffers; the merge builds new ones
    total = 0;
    RemoveDuplicateVertices(m, progress, total);
    benchmark::DoNotOptimize(m.vertexCount);
  }
  state.counters["merged"] = double(total);
}
BENCHMARK(BM_RemoveDuplicateVerticesSoup)->Unit(benchmark::kMillisecond);

void BM_RemoveDuplicateTriangles(benchmark::State& state) {
  const Mesh& mesh = WithRepeats();
  NullProgress progress;
  uint64_t total = 0;
  for (auto _ : state) {
    Mesh m = mesh;
    total = 0;
    RemoveDuplicateTriangles(m, progress, total);
    benchmark::DoNotOptimize(m.cornerCount);
  }
  state.counters["removed"] = double(total);
}
BENCHMARK(BM_RemoveDuplicateTriangles)->Unit(benchmark::kMillisecond);

void BM_SplitIntoParts(benchmark::State& state) {
  const SceneObject& object = Patches();
  NullProgress progress;
  size_t count = 0;
  for (auto _ : state) {
    ObjectList parts;
    count = 0;
    SplitIntoParts(object, progress, parts, count);
    benchmark::DoNotOptimize(parts.data());
    state.PauseTiming();
    parts.clear();
    state.ResumeTiming();
  }
  state.counters["parts"] = double(count);
}
BENCHMARK(BM_SplitIntoParts)->Unit(benchmark::kMillisecond);

// The whole command's work: split, origins reset, document renumbered.
void BM_SplitSelectedObjects(benchmark::State& state) {
  NullProgress progress;
  size_t count = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto doc = std::make_unique<Document>();
    const uint32_t id = AddObjectCopy(*doc, Patches());
    SelectObject(*FindObject(*doc, id));
    AddToSelection(*doc, id);
    state.ResumeTiming();
    SplitSelectedObjects(*doc, progress, count);
    state.PauseTiming();
    doc.reset();
    state.ResumeTiming();
  }
  state.counters["parts"] = double(count);
}
BENCHMARK(BM_SplitSelectedObjects)->Unit(benchmark::kMillisecond);

void BM_SubdivideAllInto4(benchmark::State& state) {
  const Mesh& grid = Grid();
  NullProgress progress;
  uint32_t triangles = 0;
  for (auto _ : state) {
    Mesh m = grid;
    SubdivideAll(m, Subdivision::kInto4, progress);
    triangles = TriangleCount(m);
    state.PauseTiming();
    m = Mesh();
    state.ResumeTiming();
  }
  state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_SubdivideAllInto4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
