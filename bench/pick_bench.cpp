// Picking and element-move benchmarks: an object pick and a triangle pick
// (and, for comparison, an edge pick) through a 2,000,000-triangle sphere
// with the default worker count, and element move steps of 1,000 selected
// vertices on a 1,000,000-triangle sphere: the first step, which fills the
// move cache, and the later steps, which reuse it.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cmath>
#include <cstdint>

#include "core/move_elements.h"
#include "core/pick.h"
#include "core/scene_object.h"

namespace torvane {
namespace {

// A UV sphere of radius 5 with rows x columns quads (two triangles each).
SceneObject MakeSphere(uint32_t rows, uint32_t columns) {
  SceneObject o;
  o.id = 1;
  Mesh& m = o.mesh;
  const uint32_t vertices = (rows + 1) * (columns + 1);
  const uint32_t corners = rows * columns * 6;
  m.positions.ResizeDiscard(vertices);
  m.corners.ResizeDiscard(corners);
  Vec3* p = m.positions.MutableData();
  MeshCorner* c = m.corners.MutableData();
  const double pi = 3.14159265358979323846;
  for (uint32_t r = 0; r <= rows; ++r) {
    const double theta = pi * r / rows;
    for (uint32_t k = 0; k <= columns; ++k) {
      const double phi = 2 * pi * k / columns;
      p[r * (columns + 1) + k] = {float(5 * std::sin(theta) * std::cos(phi)),
                                  float(5 * std::cos(theta)),
                                  float(5 * std::sin(theta) * std::sin(phi))};
    }
  }
  uint32_t n = 0;
  auto at = [&](uint32_t r, uint32_t k) { return r * (columns + 1) + k; };
  for (uint32_t r = 0; r < rows; ++r) {
    for (uint32_t k = 0; k < columns; ++k) {
      for (uint32_t v :
           {at(r, k), at(r + 1, k), at(r + 1, k + 1), at(r, k), at(r + 1, k + 1), at(r, k + 1)}) {
        c[n++] = MeshCorner{v, {0, 1, 0}, 0xFFDCDCDCu};
      }
    }
  }
  m.vertexCount = vertices;
  m.cornerCount = corners;
  SetRotation(m, {10, 20, 0});
  SetPosition(m, {1, 2, 3});
  return o;
}

SceneObject& BigSphere() {
  static SceneObject sphere = MakeSphere(1000, 1000);  // 2,000,000 triangles
  return sphere;
}

// CPU time of the whole process (the workers included), in milliseconds.
double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void Pick(benchmark::State& state, uint32_t kind) {
  SceneObject& sphere = BigSphere();
  PickSettings settings;
  settings.workerCount = unsigned(state.range(0));
  const double cpuBefore = ProcessCpuMs();
  for (auto _ : state) {
    PickRequest r;
    r.kind = kind;
    r.rayStart = {2.3f, 3.1f, 40};
    r.rayEnd = {1.9f, 2.4f, -40};
    const bool hit = PickObject(sphere, r, settings);
    if (!hit) state.SkipWithError("the ray must hit the sphere");
    benchmark::DoNotOptimize(r.distance);
  }
  state.counters["cpu_ms_all_threads"] = (ProcessCpuMs() - cpuBefore) / double(state.iterations());
}

void BM_PickObject(benchmark::State& state) {
  Pick(state, kPickObject);
}
void BM_PickTriangle(benchmark::State& state) {
  Pick(state, kPickTriangle);
}
void BM_PickEdge(benchmark::State& state) {
  Pick(state, kPickEdge);
}
// Argument: the worker count (0: one per processor, the default).
BENCHMARK(BM_PickObject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PickTriangle)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PickEdge)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// 1,000,000 triangles with 1,000 vertex records spread over the sphere.
SceneObject& MoveSphere() {
  static SceneObject sphere = [] {
    SceneObject o = MakeSphere(500, 1000);
    for (uint32_t i = 0; i < 1000; ++i) {
      SelectionRecord record;
      record.elementType = kSelectVertex;
      record.indices[0] = i * (o.mesh.vertexCount / 1000);
      PushSelectionRecord(o.selectionRecords, record);
    }
    return o;
  }();
  return sphere;
}

void BM_MoveFirstStep(benchmark::State& state) {
  SceneObject& sphere = MoveSphere();
  for (auto _ : state) {
    sphere.moveCacheStale = true;
    MoveElements(sphere, {0.001f, 0, 0});
  }
}
BENCHMARK(BM_MoveFirstStep)->Unit(benchmark::kMillisecond);

void BM_MoveLaterStep(benchmark::State& state) {
  SceneObject& sphere = MoveSphere();
  MoveElements(sphere, {0.001f, 0, 0});
  for (auto _ : state)
    MoveElements(sphere, {0.001f, 0, 0});
}
BENCHMARK(BM_MoveLaterStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
