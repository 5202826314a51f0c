// Shared by the OBJ, PLY and 3MF benchmarks: the 1,000,000-triangle test
// mesh, a private folder for the files, the peak-memory measurement and
// the open and save loops.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/imported_model.h"

namespace torvane::bench {

constexpr uint32_t kColumns = 1000;
constexpr uint32_t kRows = 500;  // 2 x 1000 x 500 = 1,000,000 triangles

// A wavy height field: 501,501 shared vertices, 1,000,000 triangles.
inline ImportedModel GridModel() {
  ImportedModel model;
  model.upAxis = kUpAxisY;
  model.handedness = kHandednessProgram;
  model.winding = kWindingFirst;
  model.keepNormals = 1;
  ImportedMesh& mesh = AppendMesh(model);
  const uint32_t width = kColumns + 1;
  mesh.positions.ResizeDiscard(size_t{width} * (kRows + 1));
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t r = 0; r <= kRows; ++r)
    for (uint32_t c = 0; c <= kColumns; ++c)
      p[r * width + c] = {0.137f * c, 3.0f * std::sin(0.05f * c) * std::cos(0.07f * r), 0.211f * r};
  mesh.indices.ResizeDiscard(size_t{kColumns} * kRows * 6);
  uint32_t* i = mesh.indices.MutableData();
  for (uint32_t r = 0; r < kRows; ++r) {
    for (uint32_t c = 0; c < kColumns; ++c) {
      const uint32_t a = r * width + c;
      const uint32_t quad[6] = {a, a + width, a + 1, a + 1, a + width, a + width + 1};
      for (uint32_t q : quad)
        *i++ = q;
    }
  }
  return model;
}

// A folder for the benchmark's files, removed at exit.
inline const std::string& BenchFolder() {
  // Never destroyed, so the removal at exit can still read it.
  static const std::string* folder = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "torvane-bench-XXXXXX").string();
    auto* made = new std::string(mkdtemp(pattern.data()) ? pattern : std::string());
    std::atexit([] {
      std::error_code error;
      if (!BenchFolder().empty()) std::filesystem::remove_all(BenchFolder(), error);
    });
    return made;
  }();
  return *folder;
}

inline uint64_t FileSize(const std::string& path) {
  std::error_code error;
  return std::filesystem::file_size(path, error);
}

// The peak resident size reached while the scope is open, above the resident
// size at its start: the kernel's high-water mark is reset when it opens.
class PeakMemory {
 public:
  PeakMemory() {
    malloc_trim(0);  // memory freed by the previous run must not hide this one's
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    start_ = Read("VmRSS:");
  }
  double MegabytesAbove() const { return (Read("VmHWM:") - start_) / 1024.0; }

 private:
  static double Read(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
      if (word == key) {
        double kb = 0;
        status >> kb;
        return kb;
      }
    return 0;
  }
  double start_ = 0;
};

// One open of `path` per iteration through `open` (false: the open failed),
// with the peak memory above the start of each open and the bytes read.
template <typename Open>
void MeasureOpen(benchmark::State& state, const std::string& path, Open&& open) {
  double peak = 0;
  for (auto _ : state) {
    PeakMemory memory;
    if (!open(path)) state.SkipWithError("load failed");
    peak = std::max(peak, memory.MegabytesAbove());
  }
  state.counters["peak_MB"] = peak;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize(path)));
}

// One save of the grid model per iteration to `name` in the bench folder
// through `write` (false: the save failed).
template <typename Write>
void MeasureSave(benchmark::State& state, const std::string& name, Write&& write) {
  const ImportedModel source = GridModel();
  const std::string path = BenchFolder() + "/" + name;
  for (auto _ : state) {
    ImportedModel model = source;
    if (!write(path, model)) state.SkipWithError("save failed");
  }
}

}  // namespace torvane::bench
