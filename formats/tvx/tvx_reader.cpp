// Reads TVX files into an ImportedModel.
//
// Input: a TVX file (header, one root container, trailing magic). Output: one
// ImportedMesh per object chunk with its transform kept apart from the
// positions, per-corner normals and colours, material colours and metadata,
// plus the document properties (the autosave ones included).
//
// Every length read from the file is checked against the chunk that holds it
// and against the end of the file before anything is read or allocated, so a
// damaged file is a Failed load, never an overrun, a hang or an allocation
// larger than the file. The structure is fixed (root, object, transform or
// mesh data, values): containers with unknown ids are skipped, never walked,
// so nesting cannot go deeper than that.
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

#include "formats/bytes/byte_order.h"
#include "formats/imported_model.h"
#include "formats/textio/utf8_text.h"
#include "formats/tvx/tvx.h"
#include "formats/tvx/tvx_chunks.h"
#include "platform/buffered_reader.h"

namespace torvane {
namespace {

static_assert(std::endian::native == std::endian::little,
              "TVX arrays are copied straight between file and memory");

using namespace tvx;

// Failure reasons the reader records while it runs.
constexpr uint32_t kStageOpening = 3;
constexpr uint32_t kStageReading = 4;

// Mesh data chunks between cancellation tests.
constexpr uint32_t kChunksPerCancelTest = 1000;
// Corner records converted per read.
constexpr size_t kCornerBlock = 4096;
// Corner blocks between progress reports and cancellation tests.
constexpr size_t kBlocksPerReport = 64;

struct ChunkHeader {
  uint16_t id = 0;
  uint16_t kind = 0;
  uint64_t length = 0;
};

// The file with the reader's own offset, so every chunk can be checked
// against the bytes that really remain.
class TvxInput {
 public:
  TvxInput(BufferedReader& reader, uint64_t size) : reader_(reader), size_(size) {}

  uint64_t offset() const { return offset_; }
  uint64_t size() const { return size_; }

  bool Read(void* data, uint64_t n) {
    if (n > size_ - offset_) return false;
    const size_t got = reader_.ReadBytes(data, static_cast<size_t>(n));
    offset_ += got;
    return got == n;
  }

  bool Skip(uint64_t n) {
    char scratch[8192];
    while (n > 0) {
      const uint64_t step = std::min<uint64_t>(n, sizeof(scratch));
      if (!Read(scratch, step)) return false;
      n -= step;
    }
    return true;
  }

  // The next chunk header; false when it, or the data it announces, does not
  // fit before `end` (the end of the parent chunk, itself inside the file).
  bool ReadChunk(uint64_t end, ChunkHeader& chunk) {
    if (end < offset_ || end - offset_ < kChunkHeaderBytes) return false;
    unsigned char bytes[kChunkHeaderBytes];
    if (!Read(bytes, sizeof(bytes))) return false;
    chunk.id = LoadLittleEndian<uint16_t>(bytes);
    chunk.kind = LoadLittleEndian<uint16_t>(bytes + 2);
    chunk.length = LoadLittleEndian<uint64_t>(bytes + 4);
    return chunk.length <= end - offset_;
  }

 private:
  BufferedReader& reader_;
  uint64_t size_;
  uint64_t offset_ = 0;
};

// A fixed-size value chunk: the value must fit in the chunk; extra bytes are
// skipped.
template <class T>
std::optional<T> ReadValue(TvxInput& in, const ChunkHeader& chunk) {
  if (chunk.length < sizeof(T)) return std::nullopt;
  unsigned char bytes[sizeof(T)];
  if (!in.Read(bytes, sizeof(T)) || !in.Skip(chunk.length - sizeof(T))) return std::nullopt;
  return LoadLittleEndian<T>(bytes);
}

// A text chunk. The text ends at its first 0 byte; a chunk without one
// (not written by this program) keeps all its bytes.
std::optional<std::string> ReadText(TvxInput& in, const ChunkHeader& chunk) {
  std::string text;
  try {
    text.resize(static_cast<size_t>(chunk.length));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!in.Read(text.data(), chunk.length)) return std::nullopt;
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

// "key=value" split at the first "="; false unless both parts are non-empty.
bool SplitProperty(const std::string& text, std::string& key, std::string& value) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  key = text.substr(0, equals);
  value = text.substr(equals + 1);
  return !key.empty() && !value.empty();
}

// The material colours of one object, gathered while its chunks are walked.
struct MaterialColours {
  bool any = false;
  ImportedMaterial material;
};

class TvxReader {
 public:
  TvxReader(TvxInput& in, ProgressMonitor& monitor, ImportedModel& model)
      : in_(in), monitor_(monitor), model_(model) {}

  LoadResult ReadRoot(uint64_t end) {
    rootEnd_ = end;
    while (in_.offset() < end) {
      if (monitor_.IsCancelled()) return kCancelled;
      ReportProgress();
      ChunkHeader chunk;
      if (!in_.ReadChunk(end, chunk)) return kFailed;
      const uint64_t chunkEnd = in_.offset() + chunk.length;
      LoadResult result = kLoaded;
      if (chunk.id == kObject && chunk.kind == kKindContainer) {
        result = ReadObject(chunkEnd);
      } else if (!ReadDocumentValue(chunk)) {
        result = kFailed;
      }
      if (result != kLoaded) return result;
      if (in_.offset() != chunkEnd) return kFailed;
    }
    return kLoaded;
  }

 private:
  void ReportProgress() {
    if (rootEnd_ > 0) {
      monitor_.SetFraction(static_cast<double>(in_.offset()) / static_cast<double>(rootEnd_));
    }
  }

  // Document property chunks; anything else at this level is skipped.
  bool ReadDocumentValue(const ChunkHeader& chunk) {
    PropertyBag& properties = model_.properties;
    if (chunk.id == kDocumentProperty && chunk.kind == kKindText) {
      auto text = ReadText(in_, chunk);
      if (!text) return false;
      std::string key, value;
      if (SplitProperty(*text, key, value)) properties.Set(key, value);
      return true;
    }
    if (chunk.id == kFilePath && chunk.kind == kKindText) {
      // Kept whole: a restored path cut short would name another file.
      auto text = ReadText(in_, chunk);
      if (!text) return false;
      properties.Set(kKeyFilePath, *text);
      return true;
    }
    if (chunk.id == kFileType && chunk.kind == kKindU32) {
      auto value = ReadValue<uint32_t>(in_, chunk);
      if (!value) return false;
      properties.SetInt(kKeyFileType, static_cast<int32_t>(*value));
      return true;
    }
    if ((chunk.id == kHaveChanges || chunk.id == kUntitled) && chunk.kind == kKindByte) {
      auto value = ReadValue<uint8_t>(in_, chunk);
      if (!value) return false;
      properties.SetBool(chunk.id == kHaveChanges ? kKeyHaveChanges : kKeyUntitled, *value != 0);
      return true;
    }
    return in_.Skip(chunk.length);
  }

  LoadResult ReadObject(uint64_t end) {
    ImportedMesh& mesh = AppendMesh(model_);
    MaterialColours material;
    while (in_.offset() < end) {
      ChunkHeader chunk;
      if (!in_.ReadChunk(end, chunk)) return kFailed;
      const uint64_t chunkEnd = in_.offset() + chunk.length;
      bool ok = true;
      if (chunk.id == kTransform && chunk.kind == kKindContainer) {
        ok = ReadTransform(chunkEnd, mesh);
      } else if (chunk.id == kMeshData && chunk.kind == kKindContainer) {
        const LoadResult result = ReadMeshData(chunkEnd, mesh, material);
        if (result != kLoaded) return result;
      } else if (chunk.id == kMeshProperty && chunk.kind == kKindText) {
        auto text = ReadText(in_, chunk);
        std::string key, value;
        if (!text) {
          ok = false;
        } else if (SplitProperty(*text, key, value)) {
          mesh.metadata.Set(std::string(CutToUtf16Units(key, kMaxKeyUnits)), value);
        }
      } else {
        ok = in_.Skip(chunk.length);
      }
      if (!ok || in_.offset() != chunkEnd) return kFailed;
    }
    return FinishObject(mesh, material);
  }

  // Drops an object without positions; checks that the corners form whole
  // triangles over existing positions; attaches the material.
  LoadResult FinishObject(ImportedMesh& mesh, MaterialColours& material) {
    const uint32_t positionCount = mesh.positions.length();
    if (positionCount == 0) {
      model_.meshes.pop_back();
      return kLoaded;
    }
    const uint32_t cornerCount = mesh.indices.length();
    if (cornerCount % 3 != 0) return kFailed;
    const uint32_t* indices = mesh.indices.data();
    for (uint32_t k = 0; k < cornerCount; ++k) {
      if (indices[k] >= positionCount) return kFailed;
    }
    if (material.any) {
      const ImportedMaterial& added = AddMaterial(model_, std::move(material.material));
      MaterialRef ref;
      ref.materialId = added.materialId;
      ref.firstCorner = 0;
      ref.endCorner = cornerCount;
      mesh.materialRefs.push_front(std::move(ref));
    }
    return kLoaded;
  }

  bool ReadTransform(uint64_t end, ImportedMesh& mesh) {
    while (in_.offset() < end) {
      ChunkHeader chunk;
      if (!in_.ReadChunk(end, chunk)) return false;
      float* target = nullptr;
      switch (chunk.id) {
        case kTranslationX:
          target = &mesh.position.x;
          break;
        case kTranslationY:
          target = &mesh.position.y;
          break;
        case kTranslationZ:
          target = &mesh.position.z;
          break;
        case kRotationX:
          target = &mesh.rotation.x;
          break;
        case kRotationY:
          target = &mesh.rotation.y;
          break;
        case kRotationZ:
          target = &mesh.rotation.z;
          break;
        case kScaleX:
          target = &mesh.scale.x;
          break;
        case kScaleY:
          target = &mesh.scale.y;
          break;
        case kScaleZ:
          target = &mesh.scale.z;
          break;
        default:
          break;
      }
      if (target && chunk.kind == kKindF32) {
        auto value = ReadValue<float>(in_, chunk);
        if (!value) return false;
        *target = *value;
      } else if (!in_.Skip(chunk.length)) {
        return false;
      }
    }
    return true;
  }

  LoadResult ReadMeshData(uint64_t end, ImportedMesh& mesh, MaterialColours& material) {
    uint32_t chunksRead = 0;
    while (in_.offset() < end) {
      if (++chunksRead % kChunksPerCancelTest == 0 && monitor_.IsCancelled()) return kCancelled;
      ChunkHeader chunk;
      if (!in_.ReadChunk(end, chunk)) return kFailed;
      bool ok = true;
      if (chunk.id == kPositions && chunk.kind == kKindRaw) {
        ok = ReadPositions(chunk, mesh);
      } else if (chunk.id == kCorners && chunk.kind == kKindRaw) {
        const LoadResult corners = ReadCorners(chunk, mesh);
        if (corners != kLoaded) return corners;
      } else if (chunk.id == kObjectComment && chunk.kind == kKindText) {
        auto text = ReadText(in_, chunk);
        ok = text.has_value();
        if (ok) mesh.metadata.Set(kKeyObjectComment, *text);
      } else if (chunk.kind == kKindU32 && chunk.id >= kDefaultColour &&
                 chunk.id <= kMaterialAmbient) {
        auto colour = ReadValue<uint32_t>(in_, chunk);
        ok = colour.has_value();
        if (ok) SetColourValue(chunk.id, *colour, mesh, material);
      } else {
        ok = in_.Skip(chunk.length);
      }
      if (!ok) return kFailed;
    }
    return kLoaded;
  }

  static void SetColourValue(uint16_t id, Colour32 colour, ImportedMesh& mesh,
                             MaterialColours& material) {
    ImportedMaterial& m = material.material;
    switch (id) {
      case kDefaultColour:
        mesh.metadata.SetInt(kKeyDefaultColour, static_cast<int32_t>(colour));
        return;
      case kMaterialDiffuse:
        m.diffuse = colour;
        m.hasDiffuse = true;
        break;
      case kMaterialSpecular:
        m.specular = colour;
        m.hasSpecular = true;
        break;
      case kMaterialAmbient:
        m.ambient = colour;
        m.hasAmbient = true;
        break;
      default:
        return;
    }
    material.any = true;
  }

  // length / 12 positions; bytes beyond the last whole position are skipped.
  bool ReadPositions(const ChunkHeader& chunk, ImportedMesh& mesh) {
    const uint64_t count = chunk.length / kPositionBytes;
    if (count > UINT32_MAX) return false;
    mesh.positions.Free();
    if (count > 0) {
      if (!mesh.positions.ResizeDiscard(count)) return false;
      Vec3* positions = mesh.positions.MutableData();
      if (!positions || !in_.Read(positions, count * kPositionBytes)) return false;
    }
    return in_.Skip(chunk.length - count * kPositionBytes);
  }

  // length / 20 corner records, each split into index, normal and colour;
  // bytes beyond the last whole record are skipped.
  LoadResult ReadCorners(const ChunkHeader& chunk, ImportedMesh& mesh) {
    const uint64_t count = chunk.length / kCornerBytes;
    if (count > UINT32_MAX) return kFailed;
    mesh.indices.Free();
    mesh.normals.Free();
    mesh.colours.Free();
    if (count > 0) {
      if (!mesh.indices.ResizeDiscard(count) || !mesh.normals.ResizeDiscard(count) ||
          !mesh.colours.ResizeDiscard(count)) {
        return kFailed;
      }
      uint32_t* indices = mesh.indices.MutableData();
      Vec3* normals = mesh.normals.MutableData();
      Colour32* colours = mesh.colours.MutableData();
      if (!indices || !normals || !colours) return kFailed;
      std::vector<unsigned char> block(kCornerBlock * kCornerBytes);
      for (uint64_t first = 0; first < count; first += kCornerBlock) {
        // Large arrays take a while: keep the bar moving and Cancel working.
        if (first > 0 && first % (kCornerBlock * kBlocksPerReport) == 0) {
          if (monitor_.IsCancelled()) return kCancelled;
          ReportProgress();
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kCornerBlock, count - first));
        if (!in_.Read(block.data(), n * kCornerBytes)) return kFailed;
        const unsigned char* record = block.data();
        for (size_t i = 0; i < n; ++i, record += kCornerBytes) {
          indices[first + i] = LoadLittleEndian<uint32_t>(record);
          normals[first + i] = {LoadLittleEndian<float>(record + 4),
                                LoadLittleEndian<float>(record + 8),
                                LoadLittleEndian<float>(record + 12)};
          colours[first + i] = LoadLittleEndian<uint32_t>(record + 16);
        }
      }
    }
    return in_.Skip(chunk.length - count * kCornerBytes) ? kLoaded : kFailed;
  }

  TvxInput& in_;
  ProgressMonitor& monitor_;
  ImportedModel& model_;
  uint64_t rootEnd_ = 0;
};

// The 12-byte file header followed by the root chunk's header. Returns the
// header's version, or nothing when the bytes are not a TVX header.
std::optional<uint16_t> ReadFileHeader(TvxInput& in, ChunkHeader& root) {
  unsigned char bytes[kFileHeaderBytes + kChunkHeaderBytes];
  if (!in.Read(bytes, sizeof(bytes))) return std::nullopt;
  const auto magic = LoadLittleEndian<uint32_t>(bytes);
  const auto one = LoadLittleEndian<uint16_t>(bytes + 4);
  const auto size32 = LoadLittleEndian<uint32_t>(bytes + 6);
  const auto version = LoadLittleEndian<uint16_t>(bytes + 10);
  root.id = LoadLittleEndian<uint16_t>(bytes + 12);
  root.kind = LoadLittleEndian<uint16_t>(bytes + 14);
  root.length = LoadLittleEndian<uint64_t>(bytes + 16);
  if (magic != kMagic || one != kHeaderOne || size32 != kHeaderSize32 || root.id != kRoot ||
      root.kind != kKindContainer) {
    return std::nullopt;
  }
  return version;
}

}  // namespace

LoadResult ReadTvx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  model.failureReason = kStageOpening;
  BufferedReader reader;
  if (!reader.Open(path, /*retry=*/true)) {
    monitor.ShowError("File " + path + " can not be opened.");
    return kFailed;
  }
  TvxInput in(reader, reader.FileSize());
  ChunkHeader root;
  const std::optional<uint16_t> version = ReadFileHeader(in, root);
  if (!version) {
    monitor.ShowError("File " + path + " was not readable.");
    return kFailed;
  }
  if (*version >= kFirstUnreadableVersion) return kFailed;

  model.failureReason = kStageReading;
  // A root that claims more than the file holds means a truncated file.
  if (root.length > in.size() - in.offset()) return kFailed;
  TvxReader tvx(in, monitor, model);
  const LoadResult result = tvx.ReadRoot(in.offset() + root.length);
  if (result != kLoaded) return result;

  model.fileType = kFileTypeTvx;
  model.failureReason = kFailureNone;
  return kLoaded;
}

}  // namespace torvane
