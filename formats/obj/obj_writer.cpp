// Writes every mesh of a model into one OBJ file (and an MTL file when the
// model has materials).
//
// Positions of all meshes are gathered into one list with their transforms
// applied; each triangle gets its own "vn" line (and three "vt" lines with
// materials), so the numbering of triangle t is fixed: normal t and texture
// coordinates 3t-2 .. 3t. Degenerate triangles keep those lines but get no
// "f" line. Triangles are visited in the same order by every pass instead of
// being stored, so the writer needs no per-triangle memory.
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/matrix4.h"
#include "formats/imported_model.h"
#include "formats/obj/obj.h"
#include "formats/textio/output_buffer.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr float kByteToUnit = 0.003921569f;

struct TriangleRecord {
  uint32_t p[3];  // 1-based indices into the gathered positions
  float uv[6];
  uint16_t materialId;
};

struct Gathered {
  GrowArray<Vec3> positions;
  GrowArray<Colour32> colours;    // empty unless colours are written
  std::vector<uint32_t> offsets;  // first gathered position of each mesh
};

// Calls fn(record) for every triangle in file order; a mesh with material
// references takes its triangles from each reference's corner range in turn.
// Returns false as soon as fn does.
template <class Fn>
bool VisitTriangles(const ImportedModel& model, const Gathered& gathered, Fn&& fn) {
  size_t meshIndex = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t offset = gathered.offsets[meshIndex++];
    const uint32_t* indices = mesh.indices.data();
    const uint32_t cornerCount = mesh.indices.length() / 3 * 3;
    TriangleRecord record{};
    auto fill = [&](uint32_t c) {
      for (int j = 0; j < 3; ++j)
        record.p[j] = offset + indices[c + j] + 1;
    };
    if (mesh.materialRefs.empty()) {
      record.materialId = kNoMaterial;
      for (uint32_t c = 0; c < cornerCount; c += 3) {
        fill(c);
        if (!fn(record)) return false;
      }
      continue;
    }
    for (const MaterialRef& ref : mesh.materialRefs) {
      const uint32_t end = std::min(ref.endCorner, cornerCount);
      const float* uv = ref.texCoords.data();
      const uint32_t uvCount = ref.texCoords.length();
      record.materialId = ref.materialId;
      for (uint32_t c = ref.firstCorner; c < end && end - c >= 3; c += 3) {
        fill(c);
        for (uint32_t j = 0; j < 6; ++j) {
          const uint32_t at = (c - ref.firstCorner) * 2 + j;
          record.uv[j] = at < uvCount ? uv[at] : 0.0f;
        }
        if (!fn(record)) return false;
      }
    }
  }
  return true;
}

// Meshes must name only their own positions, and every count must fit the
// 32-bit numbering of the file.
bool ModelIsWritable(const ImportedModel& model) {
  uint64_t positions = 0;
  uint64_t corners = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t count = mesh.positions.length();
    const uint32_t* indices = mesh.indices.data();
    for (uint32_t k = 0; k < mesh.indices.length(); ++k)
      if (indices[k] >= count) return false;
    positions += count;
    corners += mesh.indices.length();
  }
  return positions < std::numeric_limits<uint32_t>::max() &&
         corners < std::numeric_limits<uint32_t>::max();
}

class ObjWriter {
 public:
  ObjWriter(ImportedModel& model, ProgressMonitor& monitor, OutputBuffer& obj, OutputBuffer* mtl)
      : model_(model), monitor_(monitor), obj_(obj), mtl_(mtl) {}

  int Write(const std::string& mtlName) {
    const char* header = "# Created using Torvane\r\n\r\n";
    obj_.Text(header);
    if (mtl_) {
      mtl_->Text(header);
      obj_.Text("mtllib ");
      obj_.Text(mtlName);
      obj_.Text("\r\n\r\n");
    }
    int result = Gather();
    if (result == kStatusDone) result = CountRecords();
    if (result == kStatusDone) result = WriteVertices();
    if (result == kStatusDone) result = WriteNormals();
    if (result == kStatusDone && mtl_) result = WriteTexCoords();
    if (result == kStatusDone) result = WriteFacets();
    if (result != kStatusDone) return result;
    monitor_.SetText("", 1);
    const char* footer = "\r\n# Thank you for using Torvane\r\n\r\n";
    obj_.Text(footer);
    if (mtl_) mtl_->Text(footer + 2);
    if (!obj_.Finish() || (mtl_ && !mtl_->Finish())) return kStatusFailed;
    monitor_.SetFraction(1.0);
    monitor_.EndIndeterminate();
    return kStatusDone;
  }

 private:
  int Gather() {
    uint64_t positionTotal = 0, colourTotal = 0, cornerTotal = 0;
    for (const ImportedMesh& mesh : model_.meshes) {
      positionTotal += mesh.positions.length();
      colourTotal += mesh.colours.length();
      cornerTotal += mesh.indices.length();
    }
    triangleTotal_ = static_cast<uint32_t>(cornerTotal / 3);
    writeColours_ = positionTotal > 0 && colourTotal >= positionTotal;
    const bool perCorner =
        writeColours_ && colourTotal == cornerTotal && colourTotal != positionTotal;

    monitor_.SetText("Checking for duplicate vertices...", 0);
    if (!gathered_.positions.ResizeDiscard(positionTotal)) return kStatusFailed;
    if (writeColours_ && !gathered_.colours.ResizeDiscard(positionTotal)) return kStatusFailed;
    Vec3* out = gathered_.positions.MutableData();
    Colour32* colours = gathered_.colours.MutableData();
    uint32_t next = 0;
    for (const ImportedMesh& mesh : model_.meshes) {
      gathered_.offsets.push_back(next);
      const Matrix4 transform = TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
      const uint32_t count = mesh.positions.length();
      const Vec3* positions = mesh.positions.data();
      for (uint32_t i = 0; i < count; ++i) {
        if (i % 500 == 0) {
          if (monitor_.IsCancelled()) return kStatusCancelled;
          monitor_.SetText(FormatText("Duplicates Found: %u. [%u / %u]", 0u, i, count), 1);
        }
        out[next + i] = TransformPoint(positions[i], transform);
        if (writeColours_ && !perCorner)
          colours[next + i] = i < mesh.colours.length() ? mesh.colours[i] : kOpaqueBlack;
      }
      next += count;
    }

    monitor_.SetText("Removing duplicate vertices...", 0);
    monitor_.SetText("", 1);
    if (perCorner) {
      // A position shared by corners of different colours keeps the last one.
      size_t meshIndex = 0;
      for (const ImportedMesh& mesh : model_.meshes) {
        const uint32_t offset = gathered_.offsets[meshIndex++];
        const uint32_t* indices = mesh.indices.data();
        const uint32_t coloured = std::min(mesh.indices.length(), mesh.colours.length());
        for (uint32_t k = 0; k < coloured; ++k) {
          if (k % 500 == 0 && monitor_.IsCancelled()) return kStatusCancelled;
          colours[offset + indices[k]] = mesh.colours[k];
        }
      }
    }
    return kStatusDone;
  }

  int CountRecords() {
    monitor_.SetText("Arranging facets...", 0);
    uint64_t records = 0;
    bool cancelled = false;
    VisitTriangles(model_, gathered_, [&](const TriangleRecord&) {
      if (records % 167 == 0 && monitor_.IsCancelled()) {  // about every 500 corners
        cancelled = true;
        return false;
      }
      ++records;
      return true;
    });
    if (cancelled) return kStatusCancelled;
    // Texture coordinate numbers reach 3 x the record count.
    if (records > std::numeric_limits<uint32_t>::max() / 3) return kStatusFailed;
    return kStatusDone;
  }

  int WriteVertices() {
    monitor_.SetText("Writing vertices...", 0);
    obj_.Text("# Vertex Array\r\n");
    const Vec3* positions = gathered_.positions.data();
    const Colour32* colours = gathered_.colours.data();
    const uint32_t count = gathered_.positions.length();
    for (uint32_t i = 0; i < count; ++i) {
      if (i % 1000 == 0 && (monitor_.IsCancelled() || !obj_.ok()))
        return obj_.ok() ? kStatusCancelled : kStatusFailed;
      obj_.Text("v ");
      WriteTriple(positions[i]);
      if (writeColours_) {
        const Colour32 c = colours[i];
        obj_.Char(' ');
        obj_.Unsigned((c >> 16) & 0xFF);
        obj_.Char(' ');
        obj_.Unsigned((c >> 8) & 0xFF);
        obj_.Char(' ');
        obj_.Unsigned(c & 0xFF);
      }
      obj_.Text("\r\n");
    }
    obj_.Text("\r\n");
    return kStatusDone;
  }

  int WriteNormals() {
    monitor_.SetText("Writing normals...", 0);
    obj_.Text("# Normal Array\r\n");
    const Vec3* positions = gathered_.positions.data();
    uint32_t t = 0;
    bool stopped = false;
    VisitTriangles(model_, gathered_, [&](const TriangleRecord& r) {
      if (t++ % 1000 == 0 && (monitor_.IsCancelled() || !obj_.ok())) {
        stopped = true;
        return false;
      }
      obj_.Text("vn ");
      WriteTriple(FaceNormal(positions[r.p[0] - 1], positions[r.p[1] - 1], positions[r.p[2] - 1]));
      obj_.Text("\r\n");
      return true;
    });
    if (stopped) return obj_.ok() ? kStatusCancelled : kStatusFailed;
    obj_.Text("\r\n");
    return kStatusDone;
  }

  int WriteTexCoords() {
    obj_.Text("# Texture Coordinate Array \r\n");
    uint32_t t = 0;
    bool stopped = false;
    VisitTriangles(model_, gathered_, [&](const TriangleRecord& r) {
      if (t++ % 1000 == 0 && (monitor_.IsCancelled() || !obj_.ok())) {
        stopped = true;
        return false;
      }
      for (int j = 0; j < 3; ++j) {
        obj_.Text("vt ");
        obj_.Fixed(r.uv[2 * j], 3);
        obj_.Char(' ');
        obj_.Fixed(r.uv[2 * j + 1], 3);
        obj_.Text("\r\n");
      }
      return true;
    });
    if (stopped) return obj_.ok() ? kStatusCancelled : kStatusFailed;
    obj_.Text("\r\n");
    return kStatusDone;
  }

  void WriteMaterials() {
    // Materials equal in diffuse colour and first texture are written once;
    // the later ones take the name of the first.
    std::vector<const ImportedMaterial*> written;
    auto firstTexture = [](const ImportedMaterial& m) {
      return m.textureNames.empty() ? std::string() : m.textureNames.front();
    };
    for (ImportedMaterial& material : model_.materials) {
      const ImportedMaterial* same = nullptr;
      for (const ImportedMaterial* w : written) {
        if (w->diffuse == material.diffuse && firstTexture(*w) == firstTexture(material)) {
          same = w;
          break;
        }
      }
      if (same) {
        material.metadata.Set("Name", same->Name());
        continue;
      }
      written.push_back(&material);
      OutputBuffer& mtl = *mtl_;
      mtl.Text("newmtl ");
      mtl.Text(material.Name());
      mtl.Text("\r\nNs ");
      mtl.Fixed(material.shininess, 3);
      WriteColourLine("\r\nKa ", material.ambient);
      WriteColourLine("\r\nKd ", material.diffuse);
      WriteColourLine("\r\nKs ", material.specular);
      mtl.Text("\r\n");
      if (!material.textureNames.empty()) {
        mtl.Text("map_Kd ");
        mtl.Text(material.textureNames.front());
        mtl.Text("\r\n");
      }
      mtl.Text("\r\n");
    }
  }

  void WriteColourLine(const char* prefix, Colour32 c) {
    mtl_->Text(prefix);
    const int shifts[3] = {16, 8, 0};
    for (int i = 0; i < 3; ++i) {
      if (i > 0) mtl_->Char(' ');
      mtl_->Fixed(static_cast<float>((c >> shifts[i]) & 0xFF) * kByteToUnit, 3);
    }
  }

  int WriteFacets() {
    monitor_.SetText("Writing triangles...", 0);
    obj_.Text("# Facets\r\n");
    if (mtl_) WriteMaterials();
    // Material look-up by id, the first of an id winning as in the list.
    std::unordered_map<uint16_t, const ImportedMaterial*> materials;
    for (const ImportedMaterial& m : model_.materials)
      materials.emplace(m.materialId, &m);
    uint32_t t = 0;
    std::string lastName;
    bool stopped = false;
    VisitTriangles(model_, gathered_, [&](const TriangleRecord& r) {
      ++t;
      if ((t - 1) % 1000 == 0) {
        if (monitor_.IsCancelled() || !obj_.ok()) {
          stopped = true;
          return false;
        }
        monitor_.SetText(FormatText("Facets written: %u / %u.", t - 1, triangleTotal_), 1);
      }
      if (r.p[0] == r.p[1] || r.p[1] == r.p[2] || r.p[0] == r.p[2]) return true;
      if (mtl_) {
        if (auto found = materials.find(r.materialId); found != materials.end()) {
          std::string name = found->second->Name();
          if (name != lastName) {
            obj_.Text("usemtl ");
            obj_.Text(name);
            obj_.Text("\r\n");
            lastName = std::move(name);
          }
        }
        obj_.Char('f');
        for (uint32_t j = 0; j < 3; ++j) {
          obj_.Char(' ');
          obj_.Unsigned(r.p[j]);
          obj_.Char('/');
          obj_.Unsigned(uint64_t{3} * t - 2 + j);
          obj_.Char('/');
          obj_.Unsigned(t);
        }
      } else {
        obj_.Char('f');
        for (uint32_t j = 0; j < 3; ++j) {
          obj_.Char(' ');
          obj_.Unsigned(r.p[j]);
          obj_.Text("//");
          obj_.Unsigned(t);
        }
      }
      obj_.Text("\r\n");
      return true;
    });
    if (stopped) return obj_.ok() ? kStatusCancelled : kStatusFailed;
    return kStatusDone;
  }

  void WriteTriple(const Vec3& v) {
    obj_.Fixed(v.x, 3);
    obj_.Char(' ');
    obj_.Fixed(v.y, 3);
    obj_.Char(' ');
    obj_.Fixed(v.z, 3);
  }

  ImportedModel& model_;
  ProgressMonitor& monitor_;
  OutputBuffer& obj_;
  OutputBuffer* mtl_;
  Gathered gathered_;
  uint32_t triangleTotal_ = 0;
  bool writeColours_ = false;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string MtlPathFor(const std::string& objPath) {
  const size_t slash = objPath.find_last_of("/\\");
  const size_t dot = objPath.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return objPath + ".mtl";
  return objPath.substr(0, dot) + ".mtl";
}

int WriteObj(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  return WriteObjFiles(path, MtlPathFor(path), monitor, model);
}

int WriteObjFiles(const std::string& path, const std::string& mtlPath, ProgressMonitor& monitor,
                  ImportedModel& model) {
  monitor.SetText("Arranging data...", 0);
  monitor.SetText("", 1);
  monitor.BeginIndeterminate();
  if (!ModelIsWritable(model)) return kStatusFailed;
  const bool withMaterials = !model.materials.empty();
  FileHandle objFile;
  if (!objFile.OpenWrite(path)) return kStatusFailed;
  FileHandle mtlFile;
  if (withMaterials && !mtlFile.OpenWrite(mtlPath)) return kStatusFailed;

  int result;
  try {
    OutputBuffer obj(objFile);
    OutputBuffer mtl(mtlFile);
    ObjWriter writer(model, monitor, obj, withMaterials ? &mtl : nullptr);
    result = writer.Write(BaseName(mtlPath));
    if (result != kStatusDone) obj.Flush();  // keep what was written
  } catch (const std::bad_alloc&) {
    result = kStatusFailed;
  }
  if (result != kStatusDone && withMaterials) {
    mtlFile.Close();
    ::unlink(mtlPath.c_str());
  }
  return result;
}

}  // namespace torvane
