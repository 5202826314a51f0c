// Drag steps on a whole selected object: moving, scaling and turning change
// the transform only, so a step costs the same for a thousand triangles as
// for a million and never asks the renderer to rebuild the render arrays
// (the "stale_steps" counter stays 0).
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/document.h"
#include "core/manipulation.h"
#include "core/mesh.h"
#include "core/scene_object.h"

namespace torvane {
namespace {

// A grid of triangles in the z = 0 plane, selected as a whole.
SceneObject& AddSelectedGrid(Document& doc, int triangles) {
  SceneObject object;
  const int columns = static_cast<int>(std::sqrt(triangles / 2.0)) + 1;
  for (int t = 0; t < triangles; t += 2) {
    const int r = (t / 2) / columns, c = (t / 2) % columns;
    const Vec3 p00{float(c), float(r), 0}, p10{float(c + 1), float(r), 0};
    const Vec3 p01{float(c), float(r + 1), 0}, p11{float(c + 1), float(r + 1), 0};
    AppendTriangle(object.mesh, p00, p10, p11, 0xFFDCDCDCu);
    AppendTriangle(object.mesh, p00, p11, p01, 0xFFDCDCDCu);
  }
  const uint32_t id = AddObjectCopy(doc, object);
  SceneObject& added = *FindObject(doc, id);
  SelectObject(added);
  AddToSelection(doc, id);
  return added;
}

template <typename Step>
void RunSteps(benchmark::State& state, Step&& step) {
  Document doc;
  SceneObject& object = AddSelectedGrid(doc, static_cast<int>(state.range(0)));
  int stale = 0;
  for (auto _ : state) {
    object.mesh.renderStale = false;
    step(doc);
    stale += object.mesh.renderStale ? 1 : 0;
  }
  state.counters["stale_steps"] = stale;
  state.counters["triangles"] = double(TriangleCount(object.mesh));
}

void BM_MoveStep(benchmark::State& state) {
  RunSteps(state, [](Document& doc) { MoveSelection(doc, {0.01f, 0.02f, 0.0f}); });
}
void BM_ScaleStep(benchmark::State& state) {
  bool up = false;
  RunSteps(state, [&](Document& doc) { ScaleSelection(doc, (up = !up) ? 1.01f : 0.99f); });
}
void BM_RotateStep(benchmark::State& state) {
  RunSteps(state, [](Document& doc) { RotateSelectionByDrag(doc, {0.5f, 1.0f, 0.0f}); });
}

BENCHMARK(BM_MoveStep)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_ScaleStep)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_RotateStep)->Arg(1000)->Arg(1000000);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
