// Reads 3MF packages: picks the model part, reads it into memory, parses
// it, walks it into meshes and arranges them (build item transforms, face
// normals).
#include <new>

#include "formats/3mf/3mf.h"
#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"
#include "formats/textio/number_text.h"
#include "formats/textio/utf8_text.h"
#include "platform/available_memory.h"

namespace torvane {
namespace {

constexpr uint32_t kFailureMemory = 2;
constexpr uint32_t kFailureBadFile = 3;
constexpr uint32_t kFailureArrange = 4;
// The relationships part is small; anything larger is not one.
constexpr uint64_t kMaxRelationshipsBytes = 1 << 20;

// Decodes %XX escapes of a part name.
std::string UnescapePartName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    auto hex = [](char c) {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    if (name[i] == '%' && i + 2 < name.size() && hex(name[i + 1]) >= 0 && hex(name[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(name[i + 1]) * 16 + hex(name[i + 2])));
      i += 2;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

// The Target of the first Relationship of the 3D model type.
std::string ModelRelationshipTarget(std::string_view relationshipsXml) {
  if (relationshipsXml.empty()) return {};
  XmlDocument document;
  std::string error;
  if (ParseXmlBytes(std::string(relationshipsXml), nullptr, document, error) != 0) return {};
  std::vector<const XmlNode*> stack{document.Root().firstChild};
  while (!stack.empty()) {
    const XmlNode* node = stack.back();
    if (!node) {
      stack.pop_back();
      continue;
    }
    stack.back() = node->nextSibling;
    if (document.Name(*node) == "Relationship") {
      if (FindAttribute(document, *node, "Type").value_or("") == k3mfModelRelationship)
        return std::string(FindAttribute(document, *node, "Target").value_or(""));
    }
    if (node->firstChild) stack.push_back(node->firstChild);
  }
  return {};
}

LoadResult ApplyTransform(ImportedMesh& mesh, const std::string& transform,
                          ProgressMonitor& monitor) {
  // m00 m01 m02 m10 m11 m12 m20 m21 m22 m30 m31 m32; missing values keep the identity.
  float m[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  std::string_view rest = transform;
  for (float& value : m) {
    size_t used = 0;
    if (!ParseLeadingFloat(rest, value, &used)) break;
    rest.remove_prefix(used);
  }
  const uint32_t count = mesh.positions.length();
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t i = 0; i < count; ++i) {
    if (i % 500 == 0) {
      if (monitor.IsCancelled()) return kCancelled;
      monitor.SetText(FormatText("Transforming Vertices: %i%% [%u / %u]",
                                 static_cast<int>(100.0 * i / count), i, count),
                      1);
    }
    const Vec3 v = p[i];
    p[i] = {v.x * m[0] + v.y * m[3] + v.z * m[6] + m[9],
            v.x * m[1] + v.y * m[4] + v.z * m[7] + m[10],
            v.x * m[2] + v.y * m[5] + v.z * m[8] + m[11]};
  }
  return kLoaded;
}

// The package's parts are read into memory: no file taken from the archive
// is ever written to disk.
LoadResult ReadPackage(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  const std::optional<std::vector<ZipEntry>> entries = ListZipEntries(path);
  if (!entries) {
    model.failureReason = kFailureBadFile;
    return kFailed;
  }
  std::string relationships;
  for (const ZipEntry& entry : *entries) {
    if (!EqualsIgnoreAsciiCase(entry.name, "_rels/.rels")) continue;
    relationships = ReadZipEntry(path, entry.name, kMaxRelationshipsBytes).value_or("");
    break;
  }

  std::optional<std::string> part;
  for (const std::string& name : ModelPartCandidates(*entries, relationships)) {
    uint64_t size = 0;
    for (const ZipEntry& entry : *entries)
      if (entry.name == name) size = entry.size;
    // The parsed model needs many times its text; refuse before extracting.
    if (size * 20 >= AvailableMemory() || size > 0x7FFFFFFF) {
      model.failureReason = kFailureMemory;
      return kFailed;
    }
    if ((part = ReadZipEntry(path, name, size))) break;
  }
  if (!part) {
    model.failureReason = kFailureBadFile;
    return kFailed;
  }

  monitor.SetText("Opening file...", 1);
  XmlDocument document;
  std::string error;
  const int parsed = ParseXmlBytes(std::move(*part), &monitor, document, error);
  if (parsed != 0) {
    model.failureReason = kFailureBadFile;
    return static_cast<LoadResult>(parsed);
  }
  const LoadResult walked = Walk3mfModel(document, monitor, model);
  if (walked != kLoaded) return walked;
  return Arrange3mfModel(monitor, model);
}

}  // namespace

std::vector<std::string> ModelPartCandidates(const std::vector<ZipEntry>& entries,
                                             std::string_view relationshipsXml) {
  std::vector<std::string> names;
  std::string target = UnescapePartName(ModelRelationshipTarget(relationshipsXml));
  if (!target.empty() && target.front() == '/') target.erase(0, 1);
  if (!target.empty()) {
    const ZipEntry* found = nullptr;
    for (const ZipEntry& entry : entries)
      if (entry.name == target && entry.size != 0) found = found ? found : &entry;
    // Part names do not depend on case.
    for (const ZipEntry& entry : entries)
      if (!found && entry.size != 0 && EqualsIgnoreAsciiCase(entry.name, target)) found = &entry;
    if (found) names.push_back(found->name);
  }
  for (const ZipEntry& entry : entries) {
    if (entry.size == 0 || !EndsWithIgnoreAsciiCase(entry.name, ".model")) continue;
    if (!names.empty() && names.front() == entry.name) continue;
    names.push_back(entry.name);
  }
  return names;
}

LoadResult Arrange3mfModel(ProgressMonitor& monitor, ImportedModel& model) {
  model.failureReason = kFailureArrange;
  for (ImportedMesh& mesh : model.meshes) {
    if (mesh.indices.empty()) continue;
    const uint32_t count = mesh.positions.length();
    const uint32_t corners = mesh.indices.length();
    const uint32_t* indices = mesh.indices.data();
    for (uint32_t k = 0; k < corners; ++k)
      if (indices[k] >= count) return kFailed;
    const std::string id = mesh.metadata.GetOr("id", "");
    if (auto transform = model.properties.Get("BuildItem:transform_" + id)) {
      const LoadResult result = ApplyTransform(mesh, *transform, monitor);
      if (result != kLoaded) return result;
    }
    // Face normals are given by the load step, which recomputes the normals
    // of this format's meshes in any case.
  }
  monitor.SetText("Arranging the model objects...", 1);
  model.failureReason = 0;
  return kLoaded;
}

LoadResult Read3mf(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  model.failureReason = 0;
  model.fileType = kFileType3mf;
  const int available = ZipAvailable(monitor);
  if (available == 1) return kCancelled;
  if (available != 0) {
    monitor.ShowError(
        "Unable to load the 3MF format file due to missing Zip uncompression component");
    model.failureReason = kFailureBadFile;
    return kFailed;
  }
  monitor.BeginIndeterminate();
  LoadResult result;
  try {
    result = ReadPackage(path, monitor, model);
  } catch (const std::bad_alloc&) {
    model.failureReason = kFailureMemory;
    result = kFailed;
  }
  monitor.SetText("", 1);
  monitor.EndIndeterminate();
  return result;
}

}  // namespace torvane
