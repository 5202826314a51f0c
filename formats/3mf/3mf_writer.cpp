// Writes 3MF packages: the content types, the root relationships and the
// model part are written into a private temporary folder, which is then
// zipped into the target and removed.
//
// Every property value goes into the XML escaped, so names and metadata with
// markup characters keep the file well-formed. Triangle colours are the
// corners' own colours, so faces of different colours that share a vertex
// keep their colours. Object ids never repeat the colour group's id.
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>
#include <new>
#include <unordered_map>

#include "core/matrix4.h"
#include "formats/3mf/3mf.h"
#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"
#include "formats/temp_folder.h"
#include "formats/textio/number_text.h"
#include "formats/textio/output_buffer.h"
#include "formats/textio/utf8_text.h"
#include "formats/zip/zip.h"

namespace torvane {
namespace {

constexpr char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr char kMaterialNamespace[] =
    "http://schemas.microsoft.com/3dmanufacturing/material/2015/02";

bool WriteTextFile(const std::string& path, std::string_view text) {
  FileHandle file;
  return file.OpenWrite(path) && file.Write(text.data(), text.size()) == text.size();
}

std::string ContentTypesXml() {
  return std::string(kXmlDeclaration) +
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">\r\n"
         "<Default Extension=\"rels\" "
         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\" />\r\n"
         "<Default Extension=\"model\" "
         "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\" />\r\n"
         "</Types>\r\n";
}

std::string RelationshipsXml() {
  return std::string(kXmlDeclaration) +
         "<Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\r\n"
         "<Relationship Target=\"/3D/3dmodel.model\" Id=\"rel10\" Type=\"" +
         k3mfModelRelationship + "\" />\r\n</Relationships>\r\n";
}

// Appends a literal (without its NUL) at `out`; the new end.
template <size_t N>
char* Put(char* out, const char (&text)[N]) {
  std::memcpy(out, text, N - 1);
  return out + N - 1;
}

char* PutUnsigned(char* out, uint32_t value) {
  return std::to_chars(out, out + 10, value).ptr;
}

// The colour of corner k, or none (-1) when the mesh has no colour for it.
int64_t CornerColour(const ImportedMesh& mesh, uint32_t k) {
  const uint32_t colours = mesh.colours.length();
  if (colours == 0) return -1;
  if (colours == mesh.indices.length()) return mesh.colours[k];
  const uint32_t position = mesh.indices[k];
  return position < colours ? static_cast<int64_t>(mesh.colours[position]) : -1;
}

class ModelWriter {
 public:
  ModelWriter(ImportedModel& model, ProgressMonitor& monitor, OutputBuffer& out)
      : model_(model), monitor_(monitor), out_(out) {}

  int Write() {
    const PropertyBag& props = model_.properties;
    out_.Text(kXmlDeclaration);
    out_.Text("<model unit=\"" + Escaped(props.GetOr("Model:unit", "millimeter")) +
              "\" xml:lang=\"" + Escaped(props.GetOr("Model:xml:lang", "en-US")) + "\" xmlns:m=\"" +
              Escaped(props.GetOr("Model:xmlns:m", kMaterialNamespace)) + "\" xmlns=\"" +
              Escaped(props.GetOr("Model:xmlns", kCoreNamespace)) + "\" >");
    bool wroteTitle = false;
    for (const auto& [key, value] : props.entries()) {
      if (IsKeptOutOfFileMetadata(key)) continue;
      wroteTitle |= key == "Title";
      out_.Text("<metadata name=\"" + Escaped(key) + "\">" + Escaped(value) + "</metadata>\n");
    }
    const std::string modelName = props.GetOr("ModelName", "");
    if (!wroteTitle && !modelName.empty())
      out_.Text("<metadata name=\"Title\">" + Escaped(modelName) + "</metadata>\n");

    out_.Text("<resources>");
    BuildPalette();
    if (!palette_.empty()) {
      out_.Text("<m:colorgroup id=\"1\" >");
      for (Colour32 c : palette_)
        out_.Text(FormatText("<m:color color=\"#%02X%02X%02X%02X\" />\n", (c >> 16) & 0xFF,
                             (c >> 8) & 0xFF, c & 0xFF, (c >> 24) & 0xFF));
      out_.Text("</m:colorgroup>");
    }
    // Resource ids are shared by all resources: with a colour group (id 1)
    // the objects are numbered after it.
    uint32_t number = palette_.empty() ? 0 : 1;
    for (ImportedMesh& mesh : model_.meshes) {
      if (mesh.positions.empty()) continue;
      mesh.metadata.Set("id", std::to_string(++number));
      const int result = WriteObject(mesh);
      if (result != kStatusDone) return result;
    }
    out_.Text("</resources>\n<build>");
    for (const ImportedMesh& mesh : model_.meshes) {
      if (mesh.positions.empty()) continue;
      const std::string id = mesh.metadata.GetOr("id", "");
      out_.Text("<item objectid=\"" + Escaped(id) + "\" ");
      if (auto part = props.Get("BuildItem:partnumber_" + id))
        out_.Text("partnumber=\"" + Escaped(*part) + "\" ");
      out_.Text("/>\n");
    }
    out_.Text("</build>\n</model>\n");
    return kStatusDone;
  }

 private:
  static std::string Escaped(std::string_view text) { return EscapeXml(text); }

  void BuildPalette() {
    for (const ImportedMesh& mesh : model_.meshes) {
      const Colour32* colours = mesh.colours.data();
      for (uint32_t i = 0; i < mesh.colours.length(); ++i) {
        if (paletteIndex_.emplace(colours[i], static_cast<uint32_t>(palette_.size())).second)
          palette_.push_back(colours[i]);
      }
    }
  }

  uint32_t PaletteIndex(const ImportedMesh& mesh, uint32_t k) const {
    const int64_t colour = CornerColour(mesh, k);
    if (colour < 0) return 0;
    auto it = paletteIndex_.find(static_cast<Colour32>(colour));
    return it == paletteIndex_.end() ? 0 : it->second;
  }

  int WriteObject(const ImportedMesh& mesh) {
    const PropertyBag& meta = mesh.metadata;
    out_.Text("<object id=\"" + Escaped(meta.GetOr("id", "")) + "\" type=\"" +
              Escaped(meta.GetOr("type", "model")) + "\" ");
    if (!palette_.empty()) out_.Text("pid=\"1\" pindex=\"0\" ");
    for (const char* key : {"thumbnail", "partnumber", "name"})
      if (auto value = meta.Get(key)) out_.Text(std::string(key) + "=\"" + Escaped(*value) + "\" ");
    out_.Text(">");

    out_.Text("<mesh><vertices>");
    const uint32_t count = mesh.positions.length();
    monitor_.SetText("Simplifying vertices...", 0);
    for (uint32_t i = 0; i < count; i += 1000) {
      if (monitor_.IsCancelled()) return kStatusCancelled;
      monitor_.SetText(
          FormatText("Vertex: %i%% [%u / %u]", static_cast<int>(100.0 * i / count), i, count), 1);
    }
    monitor_.SetText("Writing vertices...", 0);
    const Matrix4 transform = TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
    const Vec3* positions = mesh.positions.data();
    for (uint32_t i = 0; i < count; ++i) {
      if (i % 1000 == 0 && (monitor_.IsCancelled() || !out_.ok()))
        return out_.ok() ? kStatusCancelled : kStatusFailed;
      // Z-up and mirrored: (x, y, z) is written as (x, z, y).
      const Vec3 p = TransformPoint(positions[i], transform);
      char line[3 * 352 + 32];
      char* c = Put(line, "<vertex x=\"");
      c += FormatFloatFixed(c, p.x, 6);
      c = Put(c, "\" y=\"");
      c += FormatFloatFixed(c, p.z, 6);
      c = Put(c, "\" z=\"");
      c += FormatFloatFixed(c, p.y, 6);
      c = Put(c, "\" />\n");
      out_.Bytes(line, static_cast<size_t>(c - line));
    }
    out_.Text("</vertices>\n");

    monitor_.SetText("Writing triangles...", 0);
    out_.Text("<triangles>");
    const uint32_t corners = mesh.indices.length() / 3 * 3;
    const uint32_t* indices = mesh.indices.data();
    const bool coloured = !mesh.colours.empty();
    for (uint32_t k = 0; k < corners; k += 3) {
      if (k % 100 < 3) {
        if (monitor_.IsCancelled()) return kStatusCancelled;
        if (!out_.ok()) return kStatusFailed;
        monitor_.SetText(
            FormatText("Index: %i%% [%u / %u]", static_cast<int>(100.0 * k / corners), k, corners),
            1);
      }
      char line[96];
      char* c = Put(line, "<triangle v1=\"");
      c = PutUnsigned(c, indices[k]);
      c = Put(c, "\" v2=\"");
      c = PutUnsigned(c, indices[k + 1]);
      c = Put(c, "\" v3=\"");
      c = PutUnsigned(c, indices[k + 2]);
      c = Put(c, "\" ");
      if (coloured) {
        out_.Bytes(line, static_cast<size_t>(c - line));
        WriteCornerColours(mesh, k);
        c = line;
      }
      c = Put(c, "/>\n");
      out_.Bytes(line, static_cast<size_t>(c - line));
    }
    out_.Text("</triangles>\n</mesh>\n</object>\n");
    return kStatusDone;
  }

  // The object's colour is palette entry 0: a triangle whose three corners
  // all have it needs no attributes. Otherwise p1 is always written (readers
  // take p2 and p3 from it when they are missing), and p2 and p3 when they
  // differ from it.
  void WriteCornerColours(const ImportedMesh& mesh, uint32_t k) {
    const uint32_t p[3] = {PaletteIndex(mesh, k), PaletteIndex(mesh, k + 1),
                           PaletteIndex(mesh, k + 2)};
    if (p[0] == 0 && p[1] == 0 && p[2] == 0) return;
    out_.Text("p1=\"");
    out_.Unsigned(p[0]);
    out_.Text("\" ");
    for (int j = 1; j < 3; ++j) {
      if (p[j] == p[0]) continue;
      out_.Text(j == 1 ? "p2=\"" : "p3=\"");
      out_.Unsigned(p[j]);
      out_.Text("\" ");
    }
    out_.Text("pid=\"1\" ");
  }

  ImportedModel& model_;
  ProgressMonitor& monitor_;
  OutputBuffer& out_;
  std::vector<Colour32> palette_;
  std::unordered_map<Colour32, uint32_t> paletteIndex_;
};

int WriteParts(const std::string& folder, ProgressMonitor& monitor, ImportedModel& model) {
  if (!WriteTextFile(folder + "/[Content_Types].xml", ContentTypesXml())) return kStatusFailed;
  if (::mkdir((folder + "/_rels").c_str(), 0700) != 0 ||
      !WriteTextFile(folder + "/_rels/.rels", RelationshipsXml()))
    return kStatusFailed;
  if (::mkdir((folder + "/3D").c_str(), 0700) != 0) return kStatusFailed;
  FileHandle file;
  if (!file.OpenWrite(folder + "/3D/3dmodel.model")) return kStatusFailed;
  OutputBuffer out(file);
  ModelWriter writer(model, monitor, out);
  const int result = writer.Write();
  if (!out.Finish()) return kStatusFailed;
  return result;
}

}  // namespace

int Write3mf(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  const int available = ZipAvailable(monitor);
  if (available == 1) return kStatusCancelled;
  if (available != 0) {
    monitor.ShowError("Unable to save to 3MF format due to missing Zip compression component");
    return kStatusFailed;
  }
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t count = mesh.positions.length();
    for (uint32_t k = 0; k < mesh.indices.length(); ++k)
      if (mesh.indices[k] >= count) return kStatusFailed;
  }
  const std::string folder = CreateTemporaryFolder();
  if (folder.empty()) return kStatusFailed;
  int result;
  try {
    result = WriteParts(folder, monitor, model);
  } catch (const std::bad_alloc&) {
    result = kStatusFailed;
  }
  if (result == kStatusDone) {
    ::unlink(path.c_str());
    monitor.SetText("Finalizing 3MF file...", 0);
    std::lock_guard<std::recursive_mutex> lock(ZipLock());
    if (!AddFolderToZip(path, folder, folder + "/.", monitor))
      result = monitor.IsCancelled() ? kStatusCancelled : kStatusFailed;
  }
  RemoveTemporaryFolder(folder);
  monitor.SetFraction(1.0);
  return result;
}

}  // namespace torvane
