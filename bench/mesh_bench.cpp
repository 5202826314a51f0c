// Mesh benchmarks: appending a million triangles through AppendTriangle
// (vertex reuse inside the look-back window, and a grid too wide for it), and
// the bounds of a million-vertex mesh, uncached and cached.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "core/mesh.h"

namespace torvane {
namespace {

constexpr int kTriangles = 1000000;

// A grid of `columns` quads per row, two triangles a quad, rows until a
// million triangles; rows are appended in order so that neighbouring rows
// share vertices when a row is shorter than the look-back window.
void AppendGrid(Mesh& mesh, int columns) {
  const int rows = kTriangles / (2 * columns);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const Vec3 p00{float(c), float(r), 0}, p10{float(c + 1), float(r), 0};
      const Vec3 p01{float(c), float(r + 1), 0}, p11{float(c + 1), float(r + 1), 0};
      AppendTriangle(mesh, p00, p10, p11, 0xFFDCDCDCu);
      AppendTriangle(mesh, p00, p11, p01, 0xFFDCDCDCu);
    }
  }
}

void ReportPerTriangle(benchmark::State& state, const Mesh& mesh) {
  state.counters["per_triangle"] = benchmark::Counter(
      double(TriangleCount(mesh)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["vertices"] = double(mesh.vertexCount);
}

void BM_AppendTriangleSharedGrid(benchmark::State& state) {
  Mesh mesh;
  for (auto _ : state) {
    mesh = Mesh();
    AppendGrid(mesh, int(state.range(0)));
    benchmark::DoNotOptimize(mesh.cornerCount);
  }
  ReportPerTriangle(state, mesh);
}
// 25 columns: the row above is inside the 100-vertex look-back (vertices
// shared); 1000 columns: it is not, so most look-backs scan all 100.
BENCHMARK(BM_AppendTriangleSharedGrid)->Arg(25)->Arg(1000)->Unit(benchmark::kMillisecond);

Mesh MakeCloud(uint32_t count) {
  Mesh mesh;
  mesh.positions.ResizeKeep(count);
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t i = 0; i < count; ++i) {
    const float t = float(i) * 0.001f;
    p[i] = {std::sin(t) * 50.0f, std::cos(t * 1.3f) * 40.0f, float(i % 977) * 0.1f};
  }
  mesh.vertexCount = count;
  return mesh;
}

void BM_BoundsUncached(benchmark::State& state) {
  Mesh mesh = MakeCloud(1000000);
  for (auto _ : state) {
    InvalidateBounds(mesh);
    benchmark::DoNotOptimize(MeshBounds(mesh));
  }
}
BENCHMARK(BM_BoundsUncached)->Unit(benchmark::kMicrosecond);

void BM_BoundsCached(benchmark::State& state) {
  Mesh mesh = MakeCloud(1000000);
  MeshBounds(mesh);
  for (auto _ : state)
    benchmark::DoNotOptimize(MeshBounds(mesh));
}
BENCHMARK(BM_BoundsCached);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
