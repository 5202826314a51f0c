// Helpers of the format tests: a private temporary folder and a scope that
// points TMPDIR at it, whole-file reads and writes, bytes read through a
// reader or made by a writer, the model a save builds of a document, a
// model described to the bit as text, a progress monitor that
// records texts and cancels on request, a pull source that hands text out
// in small pieces, binary STL images built byte by byte, and small
// documents.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "core/document.h"
#include "core/null_progress.h"
#include "core/scene_object.h"
#include "formats/3ds/3ds.h"
#include "formats/3mf/3mf.h"
#include "formats/model_file.h"
#include "formats/obj/obj.h"
#include "formats/ply/ply.h"
#include "formats/stl/stl.h"
#include "formats/textio/utf8_text.h"
#include "formats/tvx/tvx.h"
#include "formats/xml/xml_events.h"

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

// Points TMPDIR at a folder for its lifetime, so that a test can see what
// the archive readers leave behind.
class TmpDirScope {
 public:
  explicit TmpDirScope(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TmpDirScope() { old_ ? setenv("TMPDIR", old_->c_str(), 1) : unsetenv("TMPDIR"); }
  TmpDirScope(const TmpDirScope&) = delete;
  TmpDirScope& operator=(const TmpDirScope&) = delete;

 private:
  std::optional<std::string> old_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  return std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()),
                     {});
}

using ModelReader = LoadResult (*)(const std::string&, ProgressMonitor&, ImportedModel&);
using ModelWriter = int (*)(const std::string&, ProgressMonitor&, ImportedModel&);

// Every format's own writer and reader, with a file name for it.
inline const std::tuple<const char*, ModelWriter, ModelReader> kFormatIo[] = {
    {"m.obj", WriteObj, ReadObj},          {"m.ply", WritePly, ReadPly},
    {"m.3ds", Write3ds, Read3ds},          {"m.3mf", Write3mf, Read3mf},
    {"m.tvx", WriteTvx, ReadTvx},          {"m.stl", WriteStlBinary, ReadStlBinary},
    {"t.stl", WriteStlAscii, ReadStlAscii}};

// The elements of a GrowArray or PodBuffer.
template <class Array>
auto Values(const Array& array) {
  return std::vector(array.data(), array.data() + array.length());
}

using Triangle = std::array<Vec3, 3>;

// The mesh's triangles corner by corner, moved by `offset`, with Y and Z
// swapped when asked.
inline std::vector<Triangle> TrianglesOf(const ImportedMesh& mesh, bool swapYZ = false,
                                         Vec3 offset = {}) {
  std::vector<Triangle> out;
  for (uint32_t k = 0; k + 2 < mesh.indices.length(); k += 3) {
    Triangle t;
    for (int j = 0; j < 3; ++j) {
      const Vec3 v = mesh.positions[mesh.indices[k + j]] + offset;
      t[j] = swapYZ ? Vec3{v.x, v.z, v.y} : v;
    }
    out.push_back(t);
  }
  return out;
}

inline bool Near(const Vec3& a, const Vec3& b, float tolerance) {
  return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
         std::fabs(a.z - b.z) <= tolerance;
}

// Where `want` is among `read` with the same turning order (any starting
// corner), or -1.
inline int FindTriangle(const std::vector<Triangle>& read, const Triangle& want, float tolerance) {
  for (size_t r = 0; r < read.size(); ++r) {
    for (int s = 0; s < 3; ++s) {
      if (Near(read[r][s], want[0], tolerance) && Near(read[r][(s + 1) % 3], want[1], tolerance) &&
          Near(read[r][(s + 2) % 3], want[2], tolerance))
        return static_cast<int>(r);
    }
  }
  return -1;
}

// Every expected triangle appears among the read ones, and the counts agree.
inline void ExpectSameTriangles(const std::vector<Triangle>& expected,
                                const std::vector<Triangle>& read, float tolerance) {
  ASSERT_EQ(read.size(), expected.size());
  for (size_t t = 0; t < expected.size(); ++t)
    EXPECT_GE(FindTriangle(read, expected[t], tolerance), 0) << "triangle " << t;
}

// Appends a mesh of the given positions, corners and colours.
inline ImportedMesh& AppendMeshOf(ImportedModel& model, std::initializer_list<Vec3> positions,
                                  std::initializer_list<uint32_t> indices,
                                  std::initializer_list<Colour32> colours = {}) {
  ImportedMesh& mesh = AppendMesh(model);
  EXPECT_TRUE(mesh.positions.ResizeDiscard(positions.size()) &&
              mesh.indices.ResizeDiscard(indices.size()) &&
              mesh.colours.ResizeDiscard(colours.size()));
  std::copy(positions.begin(), positions.end(), mesh.positions.MutableData());
  std::copy(indices.begin(), indices.end(), mesh.indices.MutableData());
  std::copy(colours.begin(), colours.end(), mesh.colours.MutableData());
  return mesh;
}

// The bag as "key=value" lines, keys in order.
inline std::string KeyValues(const PropertyBag& bag) {
  std::string out;
  for (const auto& [key, value] : bag.entries())
    out += key + "=" + value + "\n";
  return out;
}

// What `text` makes of each element of a GrowArray, joined.
template <class Array, class Text>
std::string Each(const Array& array, Text text) {
  std::string out;
  for (uint32_t i = 0; i < array.length(); ++i)
    out += text(array[i]);
  return out;
}

// Everything a reader puts in a model as text, floats to the bit (%a).
inline std::string Describe(const ImportedModel& model) {
  const auto vec = [](const Vec3& v) { return FormatText(" (%a %a %a)", v.x, v.y, v.z); };
  const auto index = [](uint32_t i) { return FormatText(" %u", i); };
  const auto colour = [](Colour32 c) { return FormatText(" #%08X", c); };
  std::string out = KeyValues(model.properties);
  for (const ImportedMesh& mesh : model.meshes) {
    out += "mesh";
    for (const auto& [key, value] : mesh.metadata.entries())
      out += " " + key + "=" + value;
    out += vec(mesh.position) + vec(mesh.rotation) + vec(mesh.scale) + "\n positions" +
           Each(mesh.positions, vec) + "\n corners" + Each(mesh.indices, index) + "\n normals" +
           Each(mesh.normals, vec) + "\n colours" + Each(mesh.colours, colour);
    for (const MaterialRef& ref : mesh.materialRefs)
      out += FormatText(" ref %u %u-%u", ref.materialId, ref.firstCorner, ref.endCorner);
    out += "\n";
  }
  for (const ImportedMaterial& m : model.materials) {
    out += FormatText("material %u #%08X%s #%08X%s #%08X%s", m.materialId, m.ambient,
                      m.hasAmbient ? "" : "(unset)", m.diffuse, m.hasDiffuse ? "" : "(unset)",
                      m.specular, m.hasSpecular ? "" : "(unset)");
    for (const auto& [key, value] : m.metadata.entries())
      out += " " + key + "=" + value;
    out += "\n";
  }
  return out;
}

// Records texts and errors; answers "cancelled" from the n-th question on.
class RecordingProgress : public ProgressMonitor {
 public:
  explicit RecordingProgress(int cancelAtQuestion = -1) : cancelAt_(cancelAtQuestion) {}
  bool IsCancelled() override { return cancelAt_ >= 0 && questions_++ >= cancelAt_; }
  int Sleep(uint32_t) override { return 0; }
  int WaitForObject(WaitHandle, uint32_t) override { return 2; }
  int WaitForObjects(std::span<const WaitHandle>, uint32_t) override { return 2; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void SetText(const std::string& text, int) override { texts.push_back(text); }
  void SetFraction(double) override {}
  void BeginIndeterminate() override {}
  void EndIndeterminate() override {}

  std::vector<std::string> texts, errors;

 private:
  int cancelAt_;
  int questions_ = 0;
};

// What `read` answers for `bytes` in a file of that name.
inline LoadResult ReadBytes(ModelReader read, const std::string& bytes, ImportedModel& model,
                            const std::string& name = "in") {
  TempFolder folder;
  WriteFile(folder.File(name), bytes);
  RecordingProgress progress;
  return read(folder.File(name), progress, model);
}

// The model `read` makes of `bytes`. A load that fails ends the test (gtest
// reports the exception as the test's failure).
inline ImportedModel Loaded(ModelReader read, const std::string& bytes,
                            const std::string& name = "in") {
  ImportedModel model;
  const LoadResult result = ReadBytes(read, bytes, model, name);
  if (result != kLoaded) throw std::runtime_error(name + " gave " + std::to_string(result));
  return model;
}

// What `read` answers for `bytes`; the model is dropped.
inline LoadResult ReadResult(ModelReader read, const std::string& bytes) {
  ImportedModel model;
  return ReadBytes(read, bytes, model);
}

// The bytes `write` (a writer or SaveModelFile) makes of the model as a
// file of that name; a failed write ends the test.
template <class Writer>
std::string Written(Writer write, ImportedModel& model, const std::string& name) {
  TempFolder folder;
  RecordingProgress progress;
  if (int(write(folder.File(name), progress, model)) != 0)
    throw std::runtime_error(name + " was not written");
  return ReadFile(folder.File(name));
}

// The model a save builds of the document's live objects.
inline ImportedModel ModelOf(const Document& document, bool autosave = false) {
  ImportedModel model;
  RecordingProgress progress;
  if (ConvertDocumentToModel(document, progress, model, autosave) != 0)
    throw std::runtime_error("the document did not convert");
  return model;
}

// Hands the text out in pieces of 1 to `largest` bytes.
class Trickle : public XmlPull {
 public:
  explicit Trickle(std::string_view text, size_t largest = 7) : text_(text), largest_(largest) {}
  size_t Pull(char* data, size_t n) override {
    const size_t take = std::min({n, text_.size() - at_, 1 + at_ % largest_});
    std::memcpy(data, text_.data() + at_, take);
    at_ += take;
    return take;
  }

 private:
  std::string_view text_;
  size_t largest_;
  size_t at_ = 0;
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

// Adds an object made of the given triangles (program axes) to the document.
inline uint32_t AddTriangles(Document& document, const std::vector<std::array<Vec3, 3>>& triangles,
                             Colour32 colour = 0xFF808080u) {
  SceneObject object;
  for (const auto& t : triangles)
    AppendTriangle(object.mesh, t[0], t[1], t[2], colour);
  return AddImportedObject(document, object);
}

// The four faces of a tetrahedron, counter-clockwise seen from outside.
inline std::vector<std::array<Vec3, 3>> Tetrahedron(Vec3 offset = {}, float size = 1.0f) {
  const Vec3 a = offset, b = offset + Vec3{size, 0, 0}, c = offset + Vec3{0, size, 0},
             d = offset + Vec3{0, 0, size};
  return {{a, c, b}, {a, b, d}, {a, d, c}, {b, c, d}};
}

// The same tetrahedron as binary STL records.
inline std::vector<StlFacet> TetrahedronFacets(uint16_t attribute = 0) {
  std::vector<StlFacet> facets;
  for (const auto& t : Tetrahedron())
    facets.push_back(MakeFacet(t[0], t[1], t[2], attribute));
  return facets;
}

}  // namespace torvane::test
