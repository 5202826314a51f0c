// The BSP kernel on two overlapping spheres of 8,192 triangles each (radius
// 10, the second moved by (5, 3, 2)): union, subtract and intersect from the
// world meshes to the result mesh, without file reading or the clean-up.
// bench/compare_booleans.sh runs the same case through whole torvane-cli
// processes beside @jscad/modeling and manifold-3d.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "core/null_progress.h"
#include "solid/booleans.h"

namespace torvane {
namespace {

Mesh Sphere(float radius, Vec3 centre, int slices, int stacks) {
  std::vector<Vec3> v{{centre.x, centre.y + radius, centre.z}};
  for (int i = 1; i < stacks; ++i) {
    const double phi = M_PI * i / stacks;
    for (int j = 0; j < slices; ++j) {
      const double theta = 2 * M_PI * j / slices;
      v.push_back({centre.x + float(radius * std::sin(phi) * std::cos(theta)),
                   centre.y + float(radius * std::cos(phi)),
                   centre.z + float(radius * std::sin(phi) * std::sin(theta))});
    }
  }
  v.push_back({centre.x, centre.y - radius, centre.z});
  const uint32_t bottom = static_cast<uint32_t>(v.size() - 1);
  auto ring = [&](int i, int j) { return uint32_t(1 + (i - 1) * slices + (j % slices)); };
  std::vector<uint32_t> idx;
  for (int j = 0; j < slices; ++j)
    idx.insert(idx.end(), {0, ring(1, j + 1), ring(1, j)});
  for (int i = 1; i < stacks - 1; ++i)
    for (int j = 0; j < slices; ++j) {
      idx.insert(idx.end(), {ring(i, j), ring(i, j + 1), ring(i + 1, j + 1)});
      idx.insert(idx.end(), {ring(i, j), ring(i + 1, j + 1), ring(i + 1, j)});
    }
  for (int j = 0; j < slices; ++j)
    idx.insert(idx.end(), {bottom, ring(stacks - 1, j), ring(stacks - 1, j + 1)});
  Mesh m;
  m.positions.ResizeDiscard(v.size());
  for (size_t i = 0; i < v.size(); ++i)
    m.positions.MutableData()[i] = v[i];
  m.vertexCount = uint32_t(v.size());
  m.corners.ResizeDiscard(idx.size());
  for (size_t k = 0; k < idx.size(); ++k)
    m.corners.MutableData()[k] = MeshCorner{idx[k], {}, 0xFF808080u};
  m.cornerCount = uint32_t(idx.size());
  return m;
}

void BM_SphereBoolean(benchmark::State& state) {
  const auto kind = static_cast<BooleanKind>(state.range(0));
  const WorldMesh a = MakeWorldMesh(Sphere(10, {}, 64, 65));
  const WorldMesh b = MakeWorldMesh(Sphere(10, {5, 3, 2}, 64, 65));
  NullProgress quiet;
  for (auto _ : state) {
    Mesh out;
    if (RunBooleanDriver(kind, a, b, out, quiet) != kCsgDone) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.cornerCount);
    state.counters["triangles"] = out.cornerCount / 3;
  }
}
BENCHMARK(BM_SphereBoolean)
    ->Arg(int(BooleanKind::kUnion))
    ->Arg(int(BooleanKind::kSubtract))
    ->Arg(int(BooleanKind::kIntersection))
    ->ArgName("kind")  // 0 union, 1 intersection, 2 subtract
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The union's kernel steps one by one, each step's time as a counter, to see
// where a boolean spends its time.
void BM_SphereUnionSteps(benchmark::State& state) {
  const WorldMesh wa = MakeWorldMesh(Sphere(10, {}, 64, 65));
  const WorldMesh wb = MakeWorldMesh(Sphere(10, {5, 3, 2}, 64, 65));
  NullProgress m;
  for (auto _ : state) {
    CsgStorePtr store = MakeCsgStore();
    CsgTree a = MakeCsgTree(store), b = MakeCsgTree(store), out = MakeCsgTree(store);
    auto clock = std::chrono::steady_clock::now();
    auto lap = [&](const char* name) {
      const auto now = std::chrono::steady_clock::now();
      state.counters[name] = std::chrono::duration<double, std::milli>(now - clock).count();
      clock = now;
    };
    CsgPolygonList la, lb;
    MeshToPolygons(*store, wa, la, m);
    MeshToPolygons(*store, wb, lb, m);
    lap("0_polygons");
    BuildTree(a, la, m);
    BuildTree(b, lb, m);
    lap("1_trees");
    ClipTo(a, b, m);
    ClipTo(b, a, m);
    InvertTree(b, m);
    ClipTo(b, a, m);
    InvertTree(b, m);
    lap("2_clips");
    CsgPolygonList list;
    CollectPolygons(b, list, m);
    state.counters["b_survivors"] = double(list.size());
    BuildTree(a, list, m);
    lap("3_join");
    CsgPolygonList all;
    CollectPolygons(a, all, m);
    state.counters["joined"] = double(all.size());
    BuildTree(out, all, m);
    lap("4_output_tree");
    CsgPolygonList result;
    CollectPolygons(out, result, m);
    state.counters["result"] = double(result.size());
    Mesh mesh;
    PolygonsToMesh(*store, result, mesh, m);
    lap("5_mesh");
  }
}
BENCHMARK(BM_SphereUnionSteps)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
