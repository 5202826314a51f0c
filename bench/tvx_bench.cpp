// TVX save and open of a 1,000,000-triangle model: the writer and reader on
// their own, and the whole Save / Open paths (document conversion, the
// dispatch and the temporary-file save included).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/document.h"
#include "core/null_progress.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"
#include "formats/tvx/tvx.h"

namespace torvane {
namespace {

constexpr uint32_t kColumns = 1000;
constexpr uint32_t kRows = 500;  // 2 x 1000 x 500 = 1,000,000 triangles

// A wavy grid with per-corner normals and colours, as a saved scene has.
ImportedModel MakeGridModel() {
  ImportedModel model;
  ImportedMesh& mesh = model.meshes.emplace_back();
  mesh.rotation = {0.0f, 15.0f, 0.0f};
  const uint32_t vertices = (kColumns + 1) * (kRows + 1);
  const uint32_t corners = kColumns * kRows * 6;
  mesh.positions.ResizeDiscard(vertices);
  mesh.indices.ResizeDiscard(corners);
  mesh.normals.ResizeDiscard(corners);
  mesh.colours.ResizeDiscard(corners);
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t r = 0; r <= kRows; ++r) {
    for (uint32_t c = 0; c <= kColumns; ++c) {
      p[r * (kColumns + 1) + c] = {float(c) * 0.01f, float((r * 7 + c * 3) % 11) * 0.001f,
                                   float(r) * 0.01f};
    }
  }
  uint32_t* index = mesh.indices.MutableData();
  Vec3* normal = mesh.normals.MutableData();
  Colour32* colour = mesh.colours.MutableData();
  uint32_t k = 0;
  for (uint32_t r = 0; r < kRows; ++r) {
    for (uint32_t c = 0; c < kColumns; ++c) {
      const uint32_t a = r * (kColumns + 1) + c;
      const uint32_t quad[6] = {a,     a + kColumns + 1, a + 1,
                                a + 1, a + kColumns + 1, a + kColumns + 2};
      for (uint32_t q = 0; q < 6; ++q, ++k) {
        index[k] = quad[q];
        normal[k] = {0.0f, 1.0f, 0.0f};
        colour[k] = 0xFF000000u | (k & 0xFFFFFF);
      }
    }
  }
  return model;
}

std::string BenchPath(const char* name) {
  return "/tmp/torvane_bench_" + std::to_string(::getpid()) + "_" + name + ".tvx";
}

void BM_WriteTvx(benchmark::State& state) {
  ImportedModel model = MakeGridModel();
  NullProgress progress;
  const std::string path = BenchPath("write");
  for (auto _ : state) {
    if (WriteTvx(path, progress, model) != kLoaded) state.SkipWithError("write failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteTvx)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadTvx(benchmark::State& state) {
  ImportedModel model = MakeGridModel();
  NullProgress progress;
  const std::string path = BenchPath("read");
  WriteTvx(path, progress, model);
  for (auto _ : state) {
    ImportedModel loaded;
    if (ReadTvx(path, progress, loaded) != kLoaded) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(loaded.meshes.front().indices.data());
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadTvx)->Unit(benchmark::kMillisecond)->UseRealTime();

// Save: the document's objects into a model, then SaveModelFile.
void BM_SaveDocumentAsTvx(benchmark::State& state) {
  NullProgress progress;
  Document document;
  ConvertModelToDocument(MakeGridModel(), document, progress, /*restore=*/true);
  const std::string path = BenchPath("save");
  for (auto _ : state) {
    ImportedModel model;
    if (ConvertDocumentToModel(document, progress, model, false) != 0 ||
        SaveModelFile(path, progress, model) != kLoaded) {
      state.SkipWithError("save failed");
    }
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_SaveDocumentAsTvx)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open: LoadModelFile, then the objects into a fresh document.
void BM_OpenTvxIntoDocument(benchmark::State& state) {
  ImportedModel model = MakeGridModel();
  NullProgress progress;
  const std::string path = BenchPath("open");
  WriteTvx(path, progress, model);
  for (auto _ : state) {
    ImportedModel loaded;
    Document document;
    document.fileType = kFileTypeTvx;
    if (LoadModelFile(path, progress, loaded) != kLoaded ||
        ConvertModelToDocument(loaded, document, progress, false) != 0) {
      state.SkipWithError("open failed");
    }
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_OpenTvxIntoDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
