// Reads 3MF packages: picks the model part, parses it as it comes out of
// the archive, walks it into meshes and arranges them (build item
// transforms, face normals).
//
// The model part is never written to disk nor held whole in memory: its
// text streams from the archive through the XML parser into the mesh
// arrays. Only a part that must be decoded whole first (UTF-16, or not
// valid UTF-8 and so read in the Western code page) is read into memory and
// parsed as a tree.
#include <cstring>
#include <new>

#include "formats/3mf/3mf.h"
#include "formats/3mf/3mf_parts.h"
#include "formats/imported_model.h"
#include "formats/textio/number_text.h"
#include "formats/textio/utf8_stream_check.h"
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

// The model part's bytes as they come out of the archive, as the XML
// parser's text: a UTF-8 byte-order mark is dropped, and the text is checked
// as it passes. When the part turns out to need decoding as a whole (it is
// UTF-16, or not valid UTF-8), or its data is damaged, the text ends there
// and the stream says so.
class ModelPartText : public XmlPull {
 public:
  explicit ModelPartText(ZipEntryStream& entry) : entry_(entry) {}

  size_t Pull(char* data, size_t n) override {
    if (!started_) Start();
    if (damaged_ || needsWholeDecode_) return 0;
    if (headUsed_ < head_.size()) {
      const size_t take = std::min(n, head_.size() - headUsed_);
      std::memcpy(data, head_.data() + headUsed_, take);
      headUsed_ += take;
      return take;
    }
    if (ended_ || n == 0) return 0;
    const size_t got = Read(data, n);
    if (got && checked_ && !check_.Feed(data, got)) {
      needsWholeDecode_ = true;
      return 0;
    }
    return got;
  }

  // Reads whatever the parser left (after a NUL character, say), so that the
  // whole part is checked.
  void Drain() {
    std::vector<char> rest(1 << 16);
    while (!damaged_ && !needsWholeDecode_ && (!started_ || !ended_ || headUsed_ < head_.size()))
      Pull(rest.data(), rest.size());
  }

  bool damaged() const { return damaged_; }
  bool needsWholeDecode() const { return needsWholeDecode_; }

 private:
  size_t Read(char* data, size_t n) {
    const int64_t got = entry_.Read(data, n);
    if (got < 0) {
      damaged_ = true;
      return 0;
    }
    if (got == 0) {
      ended_ = true;
      if (checked_ && !check_.Finish()) needsWholeDecode_ = true;
    }
    return static_cast<size_t>(got);
  }

  // The first bytes tell the encoding.
  void Start() {
    started_ = true;
    char head[3];
    size_t have = 0;
    while (have < 3 && !ended_ && !damaged_)
      have += Read(head + have, 3 - have);
    if (damaged_) return;
    const auto at = [&](size_t i) { return static_cast<unsigned char>(head[i]); };
    if (have >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
      needsWholeDecode_ = true;
      return;
    }
    if (have == 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
      checked_ = false;  // marked UTF-8: taken as it is
      return;
    }
    head_.assign(head, have);
    if (checked_ && !check_.Feed(head, have)) needsWholeDecode_ = true;
    if (ended_ && checked_ && !check_.Finish()) needsWholeDecode_ = true;
  }

  ZipEntryStream& entry_;
  Utf8StreamCheck check_;
  std::string head_;
  size_t headUsed_ = 0;
  bool started_ = false;
  bool checked_ = true;
  bool ended_ = false;
  bool damaged_ = false;
  bool needsWholeDecode_ = false;
};

// What a walk added to the model, so that a part found damaged half way can
// be taken back before the next candidate is read.
struct ModelMark {
  PropertyBag properties;
  size_t meshes = 0;
  size_t materials = 0;
  uint16_t materialCounter = 0;
};

ModelMark MarkModel(const ImportedModel& model) {
  return {model.properties, model.meshes.size(), model.materials.size(), model.materialCounter};
}

void RestoreModel(ImportedModel& model, const ModelMark& mark) {
  model.properties = mark.properties;
  while (model.meshes.size() > mark.meshes)
    model.meshes.pop_back();
  while (model.materials.size() > mark.materials)
    model.materials.pop_front();  // newest first
  model.materialCounter = mark.materialCounter;
}

// The model part read whole into memory, decoded, parsed as a tree and
// walked. Nothing when the part cannot be read.
std::optional<LoadResult> ReadWholeModelPart(const std::string& path, const std::string& name,
                                             uint64_t size, ProgressMonitor& monitor,
                                             ImportedModel& model) {
  std::optional<std::string> part = ReadZipEntry(path, name, size);
  if (!part) return std::nullopt;
  XmlDocument document;
  std::string error;
  const int parsed = ParseXmlBytes(std::move(*part), &monitor, document, error);
  if (parsed != 0) {
    model.failureReason = kFailureBadFile;
    return static_cast<LoadResult>(parsed);
  }
  return Walk3mfModel(document, monitor, model);
}

// The model part streamed from the archive through the parser into the
// model. Nothing when the part cannot be read (the model is then as it was).
std::optional<LoadResult> StreamModelPart(const std::string& path, const std::string& name,
                                          uint64_t size, ProgressMonitor& monitor,
                                          ImportedModel& model) {
  const ModelMark mark = MarkModel(model);
  bool wholeDecode = false;
  {
    ZipEntryStream entry;
    if (!entry.Open(path, name, size)) return std::nullopt;
    ModelPartText text(entry);
    const LoadResult walked = Stream3mfModel(text, monitor, model);
    if (walked == kCancelled) return walked;
    text.Drain();
    if (!text.damaged() && !text.needsWholeDecode()) return walked;
    wholeDecode = !text.damaged();
  }
  RestoreModel(model, mark);
  if (!wholeDecode) return std::nullopt;
  return ReadWholeModelPart(path, name, size, monitor, model);
}

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

  // The first candidate that can be read is the model part.
  for (const std::string& name : ModelPartCandidates(*entries, relationships)) {
    uint64_t size = 0;
    for (const ZipEntry& entry : *entries)
      if (entry.name == name) size = entry.size;
    // A part this large would not fit in memory as a tree; refuse before
    // reading it, whichever way it is read.
    if (size * 20 >= AvailableMemory() || size > 0x7FFFFFFF) {
      model.failureReason = kFailureMemory;
      return kFailed;
    }
    monitor.SetText("Opening file...", 1);
    const std::optional<LoadResult> walked = StreamModelPart(path, name, size, monitor, model);
    if (!walked) continue;
    if (*walked != kLoaded) return *walked;
    return Arrange3mfModel(monitor, model);
  }
  model.failureReason = kFailureBadFile;
  return kFailed;
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
