// History benchmarks: a document of 2,000,000 triangles (one large object, or
// 100 objects of 20,000) plus a 12-triangle cube. Each step changes the cube
// and then records, undoes or redoes. Only the history call is timed; the new
// heap memory a Record takes is reported as bytes_per_record (mallinfo2
// delta), and the entries it leaves are kept, as in use.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdint>

#include "core/document.h"
#include "core/history.h"
#include "core/primitives.h"

namespace torvane {
namespace {

constexpr uint32_t kDocumentTriangles = 2000000;
constexpr uint32_t kCubeTriangles = 12;

// A strip of triangles filled straight into the buffers (two triangles a
// quad, a row of 1000 quads), not through the append look-back.
SceneObject MakeStrip(uint32_t triangles, float y) {
  SceneObject o;
  Mesh& mesh = o.mesh;
  const uint32_t quads = (triangles + 1) / 2;
  const uint32_t columns = 1000;
  const uint32_t rows = (quads + columns - 1) / columns;
  const uint32_t vertices = (rows + 1) * (columns + 1);
  mesh.positions.ResizeDiscard(vertices);
  mesh.corners.ResizeDiscard(size_t{triangles} * 3);
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t r = 0; r <= rows; ++r) {
    for (uint32_t c = 0; c <= columns; ++c)
      p[r * (columns + 1) + c] = Vec3{float(c), y + float(r), 0};
  }
  MeshCorner* k = mesh.corners.MutableData();
  for (uint32_t t = 0; t < triangles; ++t) {
    const uint32_t q = t / 2, r = q / columns, c = q % columns;
    const uint32_t v00 = r * (columns + 1) + c, v10 = v00 + 1;
    const uint32_t v01 = v00 + columns + 1, v11 = v01 + 1;
    const uint32_t idx[3] = {v00, t % 2 ? v11 : v10, t % 2 ? v01 : v11};
    for (int i = 0; i < 3; ++i)
      k[t * 3 + i] = MeshCorner{idx[i], Vec3{0, 0, 1}, 0xFFDCDCDCu};
  }
  mesh.vertexCount = vertices;
  mesh.cornerCount = triangles * 3;
  MarkChanged(mesh);
  return o;
}

// `parts` objects sharing the 2,000,000 triangles, then the cube (last).
void FillDocument(Document& doc, uint32_t parts) {
  const uint32_t each = (kDocumentTriangles - kCubeTriangles) / parts;
  for (uint32_t i = 0; i < parts; ++i) {
    const uint32_t triangles =
        i + 1 < parts ? each : kDocumentTriangles - kCubeTriangles - each * (parts - 1);
    AddObjectCopy(doc, MakeStrip(triangles, float(i) * 30.0f));
  }
  AddPrimitive(doc, PrimitiveShape::kCube, ColourF{0.5f, 0.5f, 0.5f, 1.0f});
  RecordHistory(doc);
}

// Changes one vertex of the cube (its buffer becomes its own again).
void ChangeCube(Document& doc, int step) {
  Mesh& cube = doc.objects.back()->mesh;
  cube.positions.MutableData()[0].x = -5.0f - 0.001f * float(step % 100);
  MarkChanged(cube);
  InvalidateBounds(cube);
}

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

template <class F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_RecordAfterChangingTheCube(benchmark::State& state) {
  Document doc;
  FillDocument(doc, uint32_t(state.range(0)));
  int step = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    ChangeCube(doc, ++step);
    const size_t before = HeapInUse();
    state.SetIterationTime(Seconds([&] { RecordHistory(doc); }));
    bytes += HeapInUse() - before;
  }
  state.counters["bytes_per_record"] = double(bytes) / double(state.iterations());
  state.counters["entries"] = double(doc.undoStack.size());
}
BENCHMARK(BM_RecordAfterChangingTheCube)
    ->Arg(1)
    ->Arg(100)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Undo of the cube change, then Redo of it (each timed on its own).
void BM_UndoRedoOfTheCubeChange(benchmark::State& state) {
  Document doc;
  FillDocument(doc, uint32_t(state.range(0)));
  ChangeCube(doc, 1);
  RecordHistory(doc);
  ChangeCube(doc, 2);
  double undoSeconds = 0, redoSeconds = 0;
  for (auto _ : state) {
    const double undo = Seconds([&] { Undo(doc); });
    const double redo = Seconds([&] { Redo(doc); });
    undoSeconds += undo;
    redoSeconds += redo;
    state.SetIterationTime(undo + redo);
  }
  const double n = double(state.iterations());
  state.counters["undo_ms"] = undoSeconds / n * 1e3;
  state.counters["redo_ms"] = redoSeconds / n * 1e3;
}
BENCHMARK(BM_UndoRedoOfTheCubeChange)
    ->Arg(1)
    ->Arg(100)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
