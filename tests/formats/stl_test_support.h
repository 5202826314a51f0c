// Helpers of the format tests: a private temporary folder, whole-file reads
// and writes, a progress monitor that records texts and cancels on request,
// binary STL images built byte by byte, and small documents.
#pragma once

#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/mesh.h"
#include "core/progress_monitor.h"
#include "core/scene_object.h"
#include "formats/stl/stl_facet.h"

namespace torvane::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvane-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  size_t EntryCount() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                             std::filesystem::directory_iterator()));
  }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records texts and fractions; answers "cancelled" from the n-th question on.
class RecordingProgress : public ProgressMonitor {
 public:
  explicit RecordingProgress(int cancelAtQuestion = -1) : cancelAt_(cancelAtQuestion) {}
  bool IsCancelled() override { return cancelAt_ >= 0 && questions_++ >= cancelAt_; }
  int Sleep(uint32_t) override { return 0; }
  int WaitForObject(WaitHandle, uint32_t) override { return 2; }
  int WaitForObjects(std::span<const WaitHandle>, uint32_t) override { return 2; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void SetText(const std::string& text, int) override { texts.push_back(text); }
  void SetFraction(double fraction) override { fractions.push_back(fraction); }
  void BeginIndeterminate() override {}
  void EndIndeterminate() override {}

  std::vector<std::string> texts;
  std::vector<std::string> errors;
  std::vector<double> fractions;

 private:
  int cancelAt_;
  int questions_ = 0;
};

inline StlFacet MakeFacet(Vec3 a, Vec3 b, Vec3 c, uint16_t attribute = 0) {
  StlFacet f{};
  SetFacetNormal(f, FaceNormal(a, b, c));
  SetFacetVertex(f, 0, a);
  SetFacetVertex(f, 1, b);
  SetFacetVertex(f, 2, c);
  f.attribute = attribute;
  return f;
}

// A binary STL image: the header padded with spaces to 80 bytes, the count
// and the records.
inline std::string BinaryStl(std::string header, const std::vector<StlFacet>& facets) {
  header.resize(80, ' ');
  const uint32_t count = static_cast<uint32_t>(facets.size());
  header.append(reinterpret_cast<const char*>(&count), 4);
  if (!facets.empty()) {
    header.append(reinterpret_cast<const char*>(facets.data()), facets.size() * sizeof(StlFacet));
  }
  return header;
}

// The four faces of a tetrahedron, counter-clockwise seen from outside.
inline std::vector<StlFacet> TetrahedronFacets(uint16_t attribute = 0) {
  const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0}, d{0, 0, 1};
  return {MakeFacet(a, c, b, attribute), MakeFacet(a, b, d, attribute),
          MakeFacet(a, d, c, attribute), MakeFacet(b, c, d, attribute)};
}

// Adds an object made of the given triangles (program axes) to the document.
inline uint32_t AddTriangles(Document& document, const std::vector<std::array<Vec3, 3>>& triangles,
                             Colour32 colour = 0xFF808080u) {
  SceneObject object;
  for (const auto& t : triangles)
    AppendTriangle(object.mesh, t[0], t[1], t[2], colour);
  return AddImportedObject(document, object);
}

inline std::vector<std::array<Vec3, 3>> Tetrahedron(Vec3 offset = {}, float size = 1.0f) {
  const Vec3 a = offset, b = offset + Vec3{size, 0, 0}, c = offset + Vec3{0, size, 0},
             d = offset + Vec3{0, 0, size};
  return {{a, c, b}, {a, b, d}, {a, d, c}, {b, c, d}};
}

}  // namespace torvane::test
