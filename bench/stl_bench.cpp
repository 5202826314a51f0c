// STL figures: opening (LoadModelFile + conversion into a Document) and saving
// a binary STL of 1,000,000 facets, opening the same model as ASCII STL
// (MB/s), and libassimp's aiImportFile with aiProcess_JoinIdenticalVertices
// on the same binary file in the same run.
//
// The model is a closed latitude-longitude sphere whose facets share
// vertices, written once into a temporary folder.
//
// `torvane_stl_bench --open-rss FILE` opens FILE once and prints the peak
// resident size of the process next to the finished document's memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/document.h"
#include "core/null_progress.h"
#include "formats/model_file.h"
#include "formats/stl/stl.h"

#ifdef TORVANE_BENCH_ASSIMP
#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

namespace torvane {
namespace {

constexpr uint32_t kSegments = 1000;
constexpr uint32_t kRings = 501;  // 2 x 1000 fan triangles + 2 x 1000 x 499 = 1,000,000

ImportedModel SphereModel() {
  ImportedModel model;
  model.upAxis = kUpAxisY;
  model.handedness = kHandednessProgram;
  model.winding = kWindingFirst;
  model.keepNormals = 1;
  ImportedMesh& mesh = model.meshes.emplace_back();
  const uint32_t vertices = 2 + (kRings - 1) * kSegments;
  mesh.positions.ResizeDiscard(vertices);
  Vec3* p = mesh.positions.MutableData();
  p[0] = {0.0f, 50.0f, 0.0f};
  p[1] = {0.0f, -50.0f, 0.0f};
  for (uint32_t r = 1; r < kRings; ++r) {
    const double theta = M_PI * r / kRings;
    for (uint32_t s = 0; s < kSegments; ++s) {
      const double phi = 2.0 * M_PI * s / kSegments;
      p[2 + (r - 1) * kSegments + s] = {static_cast<float>(50.0 * std::sin(theta) * std::cos(phi)),
                                        static_cast<float>(50.0 * std::cos(theta)),
                                        static_cast<float>(50.0 * std::sin(theta) * std::sin(phi))};
    }
  }
  const auto ring = [](uint32_t r, uint32_t s) { return 2 + (r - 1) * kSegments + s % kSegments; };
  const uint32_t triangles = 2 * kSegments + 2 * kSegments * (kRings - 2);
  mesh.indices.ResizeDiscard(triangles * 3);
  uint32_t* idx = mesh.indices.MutableData();
  size_t k = 0;
  const auto add = [&](uint32_t a, uint32_t b, uint32_t c) {
    idx[k++] = a;
    idx[k++] = b;
    idx[k++] = c;
  };
  for (uint32_t s = 0; s < kSegments; ++s)
    add(0, ring(1, s + 1), ring(1, s));
  for (uint32_t r = 1; r + 1 < kRings; ++r) {
    for (uint32_t s = 0; s < kSegments; ++s) {
      add(ring(r, s), ring(r, s + 1), ring(r + 1, s));
      add(ring(r, s + 1), ring(r + 1, s + 1), ring(r + 1, s));
    }
  }
  for (uint32_t s = 0; s < kSegments; ++s)
    add(1, ring(kRings - 1, s), ring(kRings - 1, s + 1));
  return model;
}

struct Files {
  std::string folder;
  std::string binary;
  std::string ascii;
  std::string saved;
  uint64_t asciiBytes = 0;
};

const Files& BenchFiles() {
  static Files files = [] {
    Files f;
    f.folder = (std::filesystem::temp_directory_path() / "torvane-stl-bench").string();
    std::filesystem::create_directories(f.folder);
    f.binary = f.folder + "/sphere.stl";
    f.ascii = f.folder + "/sphere_ascii.stl";
    f.saved = f.folder + "/saved.stl";
    NullProgress progress;
    ImportedModel binary = SphereModel();
    SaveModelFile(f.binary, progress, binary);
    ImportedModel ascii = SphereModel();
    WriteStlAscii(f.ascii, progress, ascii);
    f.asciiBytes = std::filesystem::file_size(f.ascii);
    return f;
  }();
  return files;
}

// Open as the program does: read, convert, add the objects.
size_t OpenIntoDocument(const std::string& path, Document& document) {
  NullProgress progress;
  ImportedModel model;
  if (LoadModelFile(path, progress, model) != kLoaded) return 0;
  if (ConvertModelToDocument(model, document, progress, false) != 0) return 0;
  size_t triangles = 0;
  for (const auto& o : document.objects)
    triangles += TriangleCount(o->mesh);
  return triangles;
}

size_t DocumentBytes(const Document& document) {
  size_t bytes = 0;
  for (const auto& o : document.objects) {
    bytes += size_t{o->mesh.positions.capacity()} * sizeof(Vec3);
    bytes += size_t{o->mesh.corners.capacity()} * sizeof(MeshCorner);
  }
  return bytes;
}

void BM_OpenBinaryStl(benchmark::State& state) {
  const Files& files = BenchFiles();
  for (auto _ : state) {
    Document document;
    const size_t triangles = OpenIntoDocument(files.binary, document);
    if (triangles != 1000000) state.SkipWithError("wrong triangle count");
    benchmark::DoNotOptimize(triangles);
    state.PauseTiming();
    {
      Document discard;
      std::swap(discard.objects, document.objects);
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(files.binary)));
}
BENCHMARK(BM_OpenBinaryStl)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SaveBinaryStl(benchmark::State& state) {
  const Files& files = BenchFiles();
  Document document;
  OpenIntoDocument(files.binary, document);
  NullProgress progress;
  for (auto _ : state) {
    ImportedModel model;
    ConvertDocumentToModel(document, progress, model, false);
    if (SaveModelFile(files.saved, progress, model) != kLoaded) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveBinaryStl)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_OpenAsciiStl(benchmark::State& state) {
  const Files& files = BenchFiles();
  for (auto _ : state) {
    Document document;
    const size_t triangles = OpenIntoDocument(files.ascii, document);
    if (triangles != 1000000) state.SkipWithError("wrong triangle count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(files.asciiBytes));
}
BENCHMARK(BM_OpenAsciiStl)->Unit(benchmark::kMillisecond)->MinTime(3.0);

#ifdef TORVANE_BENCH_ASSIMP
void BM_AssimpImportJoinIdentical(benchmark::State& state) {
  const Files& files = BenchFiles();
  for (auto _ : state) {
    const aiScene* scene = aiImportFile(files.binary.c_str(), aiProcess_JoinIdenticalVertices);
    if (!scene) state.SkipWithError("assimp could not read the file");
    benchmark::DoNotOptimize(scene);
    aiReleaseImport(scene);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(files.binary)));
}
BENCHMARK(BM_AssimpImportJoinIdentical)->Unit(benchmark::kMillisecond)->MinTime(3.0);
#endif

int OpenAndReportMemory(const std::string& path) {
  Document document;
  const size_t triangles = OpenIntoDocument(path, document);
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  const double peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double documentMb = static_cast<double>(DocumentBytes(document)) / (1024.0 * 1024.0);
  std::printf("triangles %zu, peak RSS %.1f MB, document %.1f MB, ratio %.2f\n", triangles, peakMb,
              documentMb, peakMb / documentMb);
  return triangles ? 0 : 2;
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--open-rss") == 0) {
    return torvane::OpenAndReportMemory(argv[2]);
  }
  if (argc == 2 && std::strcmp(argv[1], "--make-files") == 0) {
    std::printf("%s\n", torvane::BenchFiles().binary.c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
