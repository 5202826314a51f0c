// OBJ figures: opening a 1,000,000-triangle OBJ file (about 40 MB of "v" and
// "f" lines) with ReadObj and with libassimp's aiImportFile without
// post-processing, side by side; the peak memory of each open; and saving
// the same model with WriteObj.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "assimp_bench_support.h"
#include "core/null_progress.h"
#include "format_bench_support.h"
#include "formats/obj/obj.h"

namespace torvane {
namespace {

// Written directly (not by WriteObj, which adds a normal per triangle), as
// most programs write OBJ files.
const std::string& ObjFile() {
  static const std::string path = [] {
    const std::string file = bench::BenchFolder() + "/grid.obj";
    ImportedModel model = bench::GridModel();
    const ImportedMesh& mesh = model.meshes.front();
    FILE* out = std::fopen(file.c_str(), "w");
    for (uint32_t i = 0; i < mesh.positions.length(); ++i)
      std::fprintf(out, "v %.6f %.6f %.6f\n", mesh.positions[i].x, mesh.positions[i].y,
                   mesh.positions[i].z);
    for (uint32_t k = 0; k < mesh.indices.length(); k += 3)
      std::fprintf(out, "f %u %u %u\n", mesh.indices[k] + 1, mesh.indices[k + 1] + 1,
                   mesh.indices[k + 2] + 1);
    std::fclose(out);
    return file;
  }();
  return path;
}

void BM_ObjOpen_Torvane(benchmark::State& state) {
  bench::MeasureOpen(state, ObjFile(), [](const std::string& path) {
    ImportedModel model;
    NullProgress progress;
    return ReadObj(path, progress, model) == kLoaded &&
           model.meshes.front().indices.length() == 3000000;
  });
}
BENCHMARK(BM_ObjOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef TORVANE_BENCH_ASSIMP
void BM_ObjOpen_Assimp(benchmark::State& state) {
  bench::MeasureOpen(state, ObjFile(), bench::OpenWithAssimp);
}
BENCHMARK(BM_ObjOpen_Assimp)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_ObjSave_Torvane(benchmark::State& state) {
  bench::MeasureSave(state, "saved.obj", [](const std::string& path, ImportedModel& model) {
    NullProgress progress;
    return WriteObj(path, progress, model) == kStatusDone;
  });
}
BENCHMARK(BM_ObjSave_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
