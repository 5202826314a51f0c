// 3MF figures: saving a 1,000,000-triangle model with Write3mf and with
// lib3mf, and opening it with Read3mf and with lib3mf (both read the file
// each library wrote), side by side, with the peak memory of each open.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/null_progress.h"
#include "format_bench_support.h"
#include "formats/3mf/3mf.h"

#ifdef TORVANE_BENCH_LIB3MF
#include "Model/COM/NMR_DLLInterfaces.h"
#endif

namespace torvane {
namespace {

const ImportedModel& Grid() {
  static const ImportedModel model = bench::GridModel();
  return model;
}

std::string OurFile() {
  return bench::BenchFolder() + "/torvane.3mf";
}
std::string TheirFile() {
  return bench::BenchFolder() + "/lib3mf.3mf";
}

void BM_3mfSave_Torvane(benchmark::State& state) {
  for (auto _ : state) {
    ImportedModel model = Grid();
    NullProgress progress;
    if (Write3mf(OurFile(), progress, model) != kStatusDone) state.SkipWithError("save failed");
  }
  state.counters["file_MB"] = bench::FileSize(OurFile()) / 1e6;
}
BENCHMARK(BM_3mfSave_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void OpenTorvane(benchmark::State& state, const std::string& path) {
  double peak = 0;
  for (auto _ : state) {
    bench::PeakMemory memory;
    ImportedModel model;
    NullProgress progress;
    if (Read3mf(path, progress, model) != kLoaded || model.meshes.size() != 1 ||
        model.meshes.front().indices.length() != 3000000)
      state.SkipWithError("load failed");
    peak = std::max(peak, memory.MegabytesAbove());
  }
  state.counters["peak_MB"] = peak;
}

void BM_3mfOpen_Torvane(benchmark::State& state) {
  OpenTorvane(state, OurFile());
}
BENCHMARK(BM_3mfOpen_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

#ifdef TORVANE_BENCH_LIB3MF
using namespace NMR;

void BM_3mfSave_Lib3mf(benchmark::State& state) {
  const ImportedMesh& mesh = Grid().meshes.front();
  for (auto _ : state) {
    PLib3MFModel* model = nullptr;
    lib3mf_createmodel(&model);
    PLib3MFModelMeshObject* object = nullptr;
    lib3mf_model_addmeshobject(model, &object);
    std::vector<MODELMESHVERTEX> vertices(mesh.positions.length());
    for (uint32_t i = 0; i < vertices.size(); ++i)
      vertices[i] = {{mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z}};
    std::vector<MODELMESHTRIANGLE> triangles(mesh.indices.length() / 3);
    for (uint32_t t = 0; t < triangles.size(); ++t)
      triangles[t] = {{mesh.indices[3 * t], mesh.indices[3 * t + 1], mesh.indices[3 * t + 2]}};
    lib3mf_meshobject_setgeometry(object, vertices.data(), static_cast<DWORD>(vertices.size()),
                                  triangles.data(), static_cast<DWORD>(triangles.size()));
    PLib3MFModelBuildItem* item = nullptr;
    lib3mf_model_addbuilditem(model, object, nullptr, &item);
    PLib3MFModelWriter* writer = nullptr;
    lib3mf_model_querywriter(model, "3mf", &writer);
    if (lib3mf_writer_writetofileutf8(writer, TheirFile().c_str()) != LIB3MF_OK)
      state.SkipWithError("lib3mf write failed");
    lib3mf_release(writer);
    lib3mf_release(item);
    lib3mf_release(object);
    lib3mf_release(model);
  }
  state.counters["file_MB"] = bench::FileSize(TheirFile()) / 1e6;
}
BENCHMARK(BM_3mfSave_Lib3mf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void OpenLib3mf(benchmark::State& state, const std::string& path) {
  double peak = 0;
  for (auto _ : state) {
    bench::PeakMemory memory;
    PLib3MFModel* model = nullptr;
    lib3mf_createmodel(&model);
    PLib3MFModelReader* reader = nullptr;
    lib3mf_model_queryreader(model, "3mf", &reader);
    if (lib3mf_reader_readfromfileutf8(reader, path.c_str()) != LIB3MF_OK)
      state.SkipWithError("lib3mf read failed");
    // Take the geometry out, as a program using the library would.
    PLib3MFModelResourceIterator* meshes = nullptr;
    lib3mf_model_getmeshobjects(model, &meshes);
    BOOL more = false;
    lib3mf_resourceiterator_movenext(meshes, &more);
    PLib3MFModelResource* mesh = nullptr;
    lib3mf_resourceiterator_getcurrent(meshes, &mesh);
    DWORD vertexCount = 0, triangleCount = 0;
    lib3mf_meshobject_getvertexcount(mesh, &vertexCount);
    lib3mf_meshobject_gettrianglecount(mesh, &triangleCount);
    std::vector<MODELMESHVERTEX> vertices(vertexCount);
    std::vector<MODELMESHTRIANGLE> triangles(triangleCount);
    lib3mf_meshobject_getvertices(mesh, vertices.data(), vertexCount, nullptr);
    lib3mf_meshobject_gettriangleindices(mesh, triangles.data(), triangleCount, nullptr);
    if (triangleCount != 1000000) state.SkipWithError("lib3mf read the wrong mesh");
    peak = std::max(peak, memory.MegabytesAbove());
    lib3mf_release(mesh);
    lib3mf_release(meshes);
    lib3mf_release(reader);
    lib3mf_release(model);
  }
  state.counters["peak_MB"] = peak;
}

void BM_3mfOpen_Lib3mf(benchmark::State& state) {
  OpenLib3mf(state, OurFile());
}
BENCHMARK(BM_3mfOpen_Lib3mf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_3mfOpenTheirFile_Torvane(benchmark::State& state) {
  OpenTorvane(state, TheirFile());
}
BENCHMARK(BM_3mfOpenTheirFile_Torvane)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
void BM_3mfOpenTheirFile_Lib3mf(benchmark::State& state) {
  OpenLib3mf(state, TheirFile());
}
BENCHMARK(BM_3mfOpenTheirFile_Lib3mf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
#endif

}  // namespace
}  // namespace torvane

BENCHMARK_MAIN();
