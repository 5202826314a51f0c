// PLY figures: opening a 1,000,000-triangle binary little-endian PLY file
// (written by WritePly) and the same model as ASCII PLY, with ReadPly and
// with libassimp's aiImportFile without post-processing, side by side, with
// the peak memory of each open; and saving with WritePly.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "assimp_bench_support.h"
#include "core/null_progress.h"
#include "format_bench_support.h"
#include "formats/ply/ply.h"

namespace torvane {
namespace {

const std::string& BinaryFile() {
  static const std::string path = [] {
    const std::string file = bench::BenchFolder() + "/grid.ply";
    ImportedModel model = bench::GridModel();
    NullProgress progress;
    WritePly(file, progress, model);
    return file;
  }();
  return path;
}

const std::string& AsciiFile() {
  static const std::string path = [] {
    const std::string file = bench::BenchFolder() + "/grid_ascii.ply";
    ImportedModel model = bench::GridModel();
    const ImportedMesh& mesh = model.meshes.front();
    FILE* out = std::fopen(file.c_str(), "w");
    std::fprintf(out,
                 "ply\nformat ascii 1.0\nelement vertex %u\nproperty float x\nproperty float y\n"
                 "property float z\nelement face %u\nproperty list uchar int vertex_indices\n"
                 "end_header\n",
                 mesh.positions.length(), mesh.indices.length() / 3);
    for (uint32_t i = 0; i < mesh.positions.length(); ++i)
      std::fprintf(out, "%.6f %.6f %.6f\n", mesh.positions[i].x, mesh.positions[i].y,
                   mesh.positions[i].z);
    for (uint32_t k = 0; k < mesh.indices.length(); k += 3)
      std::fprintf(out, "3 %u %u %u\n", mesh.indices[k], mesh.indices[k + 1], mesh.indices[k + 2]);
    std::fclose(out);
    return file;
  }();
  return path;
}

bool OpenTorvane(const std::string& path) {
  ImportedModel model;
  NullProgress progress;
  return ReadPly(path, progress, model) == kLoaded &&
         model.meshes.front().indices.length() == 3000000;
}

void BM_PlyBinaryOpen_Torvane(benchmark::State& state) {
  bench::MeasureOpen(state, BinaryFile(), OpenTorvane);
}
BENCHMARK(BM_PlyBinaryOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PlyAsciiOpen_Torvane(benchmark::State& state) {
  bench::MeasureOpen(state, AsciiFile(), OpenTorvane);
}
BENCHMARK(BM_PlyAsciiOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef TORVANE_BENCH_ASSIMP
void BM_PlyBinaryOpen_Assimp(benchmark::State& state) {
  bench::MeasureOpen(state, BinaryFile(), bench::OpenWithAssimp);
}
BENCHMARK(BM_PlyBinaryOpen_Assimp)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PlyAsciiOpen_Assimp(benchmark::State& state) {
  bench::MeasureOpen(state, AsciiFile(), bench::OpenWithAssimp);
}
BENCHMARK(BM_PlyAsciiOpen_Assimp)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_PlySave_Torvane(benchmark::State& state) {
  bench::MeasureSave(state, "saved.ply", [](const std::string& path, ImportedModel& model) {
    NullProgress progress;
    return WritePly(path, progress, model) == kStatusDone;
  });
}
BENCHMARK(BM_PlySave_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
