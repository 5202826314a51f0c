// PLY figures: opening a 1,000,000-triangle binary little-endian PLY file
// (written by WritePly) and the same model as ASCII PLY, with ReadPly and
// with libassimp's aiImportFile without post-processing, side by side, with
// the peak memory of each open; and saving with WritePly.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "core/null_progress.h"
#include "format_bench_support.h"
#include "formats/ply/ply.h"

#ifdef TORVANE_BENCH_ASSIMP
#include <assimp/cimport.h>
#include <assimp/scene.h>
#endif

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

void OpenTorvane(benchmark::State& state, const std::string& path) {
  double peak = 0;
  for (auto _ : state) {
    bench::PeakMemory memory;
    ImportedModel model;
    NullProgress progress;
    if (ReadPly(path, progress, model) != kLoaded ||
        model.meshes.front().indices.length() != 3000000)
      state.SkipWithError("load failed");
    peak = std::max(peak, memory.MegabytesAbove());
  }
  state.counters["peak_MB"] = peak;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
}

void BM_PlyBinaryOpen_Torvane(benchmark::State& state) {
  OpenTorvane(state, BinaryFile());
}
BENCHMARK(BM_PlyBinaryOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PlyAsciiOpen_Torvane(benchmark::State& state) {
  OpenTorvane(state, AsciiFile());
}
BENCHMARK(BM_PlyAsciiOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef TORVANE_BENCH_ASSIMP
void OpenAssimp(benchmark::State& state, const std::string& path) {
  double peak = 0;
  for (auto _ : state) {
    bench::PeakMemory memory;
    const aiScene* scene = aiImportFile(path.c_str(), 0);
    if (!scene || scene->mNumMeshes == 0) state.SkipWithError("assimp failed");
    peak = std::max(peak, memory.MegabytesAbove());
    aiReleaseImport(scene);
  }
  state.counters["peak_MB"] = peak;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench::FileSize(path)));
}
void BM_PlyBinaryOpen_Assimp(benchmark::State& state) {
  OpenAssimp(state, BinaryFile());
}
BENCHMARK(BM_PlyBinaryOpen_Assimp)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_PlyAsciiOpen_Assimp(benchmark::State& state) {
  OpenAssimp(state, AsciiFile());
}
BENCHMARK(BM_PlyAsciiOpen_Assimp)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

void BM_PlySave_Torvane(benchmark::State& state) {
  const ImportedModel source = bench::GridModel();
  const std::string path = bench::BenchFolder() + "/saved.ply";
  for (auto _ : state) {
    ImportedModel model = source;
    NullProgress progress;
    if (WritePly(path, progress, model) != kStatusDone) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_PlySave_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
