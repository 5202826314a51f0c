// Reads the geometry of 3DS chunk files.
//
// The main chunk's body is read into memory once its length has been
// checked against the file size; every chunk inside it is then checked
// against its parent before it is used, so a damaged file fails instead of
// reading past its data.
#include <cstring>
#include <new>
#include <vector>

#include "formats/3ds/3ds.h"
#include "formats/bytes/byte_order.h"
#include "formats/imported_model.h"
#include "formats/textio/utf8_text.h"
#include "platform/buffered_reader.h"

namespace torvane {
namespace {

constexpr uint16_t kMainChunk = 0x4D4D;
constexpr uint16_t kEditorChunk = 0x3D3D;
constexpr uint16_t kNamedObjectChunk = 0x4000;
constexpr uint16_t kTriangleObjectChunk = 0x4100;
constexpr uint16_t kPointArrayChunk = 0x4110;
constexpr uint16_t kFaceArrayChunk = 0x4120;
constexpr uint16_t kKeyframerChunk = 0xB000;
constexpr uint16_t kObjectNodeChunk = 0xB002;
constexpr uint16_t kNodeHeaderChunk = 0xB010;
constexpr uint16_t kPositionTrackChunk = 0xB020;

constexpr size_t kReadAtOnce = 250000;
constexpr uint32_t kFailureBadSize = 3;
constexpr uint32_t kFailureShortRead = 4;
constexpr uint32_t kFailureMemory = 2;

struct Span {
  const unsigned char* data = nullptr;
  size_t size = 0;
};

struct Chunk {
  uint16_t id = 0;
  Span body;
};

// Walks the chunks of one level. Next() is false at the end, and sets
// `bad` when a chunk's length does not fit its parent.
class ChunkWalker {
 public:
  explicit ChunkWalker(Span level) : level_(level) {}
  bool Next(Chunk& chunk) {
    if (bad_ || level_.size - pos_ < 6) return false;  // a few stray bytes end the level
    const unsigned char* p = level_.data + pos_;
    const uint32_t length = LoadLittleEndian<uint32_t>(p + 2);
    if (length < 6 || length > level_.size - pos_) {
      bad_ = true;
      return false;
    }
    chunk.id = LoadLittleEndian<uint16_t>(p);
    chunk.body = {p + 6, length - 6u};
    pos_ += length;
    return true;
  }
  bool bad() const { return bad_; }

 private:
  Span level_;
  size_t pos_ = 0;
  bool bad_ = false;
};

// A NUL-terminated name at the start of `span`; false when no NUL is there.
bool ReadName(Span span, std::string& name, size_t& used) {
  const void* nul = std::memchr(span.data, 0, span.size);
  if (!nul) return false;
  used = static_cast<size_t>(static_cast<const unsigned char*>(nul) - span.data);
  std::string_view raw(reinterpret_cast<const char*>(span.data), used);
  name = IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
  ++used;
  return true;
}

class TdsWalker {
 public:
  TdsWalker(ImportedModel& model, ProgressMonitor& monitor) : model_(model), monitor_(monitor) {}

  LoadResult WalkMain(Span main) {
    ChunkWalker walker(main);
    Chunk chunk;
    while (walker.Next(chunk)) {
      LoadResult result = kLoaded;
      if (chunk.id == kEditorChunk) result = WalkEditor(chunk.body);
      if (chunk.id == kKeyframerChunk) result = WalkKeyframer(chunk.body);
      if (result != kLoaded) return result;
    }
    return walker.bad() ? kFailed : kLoaded;
  }

 private:
  LoadResult WalkEditor(Span editor) {
    ChunkWalker walker(editor);
    Chunk chunk;
    while (walker.Next(chunk)) {
      if (monitor_.IsCancelled()) return kCancelled;
      if (chunk.id != kNamedObjectChunk) continue;
      std::string name;
      size_t used = 0;
      if (!ReadName(chunk.body, name, used)) return kFailed;
      ImportedMesh& mesh = AppendMesh(model_);
      mesh.metadata.Set("ObjectName", name);
      LoadResult result = WalkObject({chunk.body.data + used, chunk.body.size - used}, mesh);
      if (result != kLoaded) return result;
    }
    return walker.bad() ? kFailed : kLoaded;
  }

  LoadResult WalkObject(Span object, ImportedMesh& mesh) {
    ChunkWalker walker(object);
    Chunk chunk;
    while (walker.Next(chunk)) {
      if (chunk.id != kTriangleObjectChunk) continue;
      ChunkWalker inner(chunk.body);
      Chunk part;
      while (inner.Next(part)) {
        LoadResult result = kLoaded;
        if (part.id == kPointArrayChunk) result = ReadPoints(part.body, mesh);
        if (part.id == kFaceArrayChunk) result = ReadFaces(part.body, mesh);
        if (result != kLoaded) return result;
      }
      if (inner.bad()) return kFailed;
    }
    if (walker.bad()) return kFailed;
    // Faces must name points of their own object.
    const uint32_t count = mesh.positions.length();
    const uint32_t* indices = mesh.indices.data();
    for (uint32_t k = 0; k < mesh.indices.length(); ++k)
      if (indices[k] >= count) return kFailed;
    return kLoaded;
  }

  LoadResult ReadPoints(Span body, ImportedMesh& mesh) {
    if (body.size < 2) return kFailed;
    const uint32_t count = LoadLittleEndian<uint16_t>(body.data);
    if (size_t{count} * 12 > body.size - 2) return kFailed;
    if (!mesh.positions.ResizeDiscard(count)) return OutOfMemory();
    Vec3* out = mesh.positions.MutableData();
    const unsigned char* p = body.data + 2;
    for (uint32_t i = 0; i < count; ++i, p += 12)
      out[i] = {LoadLittleEndian<float>(p), LoadLittleEndian<float>(p + 4),
                LoadLittleEndian<float>(p + 8)};
    return kLoaded;
  }

  LoadResult ReadFaces(Span body, ImportedMesh& mesh) {
    if (body.size < 2) return kFailed;
    const uint32_t count = LoadLittleEndian<uint16_t>(body.data);
    if (size_t{count} * 8 > body.size - 2) return kFailed;
    if (!mesh.indices.ResizeDiscard(size_t{count} * 3)) return OutOfMemory();
    uint32_t* out = mesh.indices.MutableData();
    const unsigned char* p = body.data + 2;
    for (uint32_t i = 0; i < count; ++i, p += 8) {
      out[3 * i] = LoadLittleEndian<uint16_t>(p);
      out[3 * i + 1] = LoadLittleEndian<uint16_t>(p + 2);
      out[3 * i + 2] = LoadLittleEndian<uint16_t>(p + 4);
    }
    return kLoaded;
  }

  LoadResult WalkKeyframer(Span keyframer) {
    ChunkWalker walker(keyframer);
    Chunk chunk;
    while (walker.Next(chunk)) {
      if (monitor_.IsCancelled()) return kCancelled;
      if (chunk.id != kObjectNodeChunk) continue;
      std::string name;
      bool haveName = false;
      Vec3 position;
      bool havePosition = false;
      ChunkWalker inner(chunk.body);
      Chunk part;
      while (inner.Next(part)) {
        size_t used = 0;
        if (part.id == kNodeHeaderChunk && !haveName) {
          if (!ReadName(part.body, name, used)) return kFailed;
          haveName = true;
        } else if (part.id == kPositionTrackChunk && !havePosition) {
          havePosition = FirstKey(part.body, position);
        }
      }
      if (inner.bad()) return kFailed;
      if (!haveName || !havePosition) continue;
      for (ImportedMesh& mesh : model_.meshes) {
        if (mesh.metadata.GetOr("ObjectName", "") == name) {
          mesh.position = position;
          break;
        }
      }
    }
    return walker.bad() ? kFailed : kLoaded;
  }

  // The position of the first key of a track: flags (2), two reserved
  // values (8), the key count (4); then per key its frame (4), spline flags
  // (2) with one float for each of the five lowest flag bits, and x, y, z.
  static bool FirstKey(Span track, Vec3& position) {
    if (track.size < 14 || LoadLittleEndian<uint32_t>(track.data + 10) == 0) return false;
    size_t at = 14;
    if (track.size - at < 6) return false;
    const uint16_t splineFlags = LoadLittleEndian<uint16_t>(track.data + at + 4);
    at += 6;
    for (int bit = 0; bit < 5; ++bit)
      if (splineFlags & (1u << bit)) at += 4;
    if (at > track.size || track.size - at < 12) return false;
    const unsigned char* p = track.data + at;
    position = {LoadLittleEndian<float>(p), LoadLittleEndian<float>(p + 4),
                LoadLittleEndian<float>(p + 8)};
    return true;
  }

  LoadResult OutOfMemory() {
    model_.failureReason = kFailureMemory;
    return kFailed;
  }

  ImportedModel& model_;
  ProgressMonitor& monitor_;
};

LoadResult ReadBody(BufferedReader& reader, ProgressMonitor& monitor, ImportedModel& model,
                    std::vector<unsigned char>& body) {
  const size_t size = body.size();
  if (size <= kReadAtOnce) {
    if (reader.ReadBytes(body.data(), size) != size) {
      model.failureReason = kFailureShortRead;
      return kFailed;
    }
  } else {
    const size_t part = size / 10;
    size_t done = 0;
    for (int i = 0; i < 10; ++i) {
      if (monitor.IsCancelled()) return kCancelled;
      monitor.SetText(FormatText("Reading 3DS Data. [%zu / %zu]", done, size), 0);
      const size_t take = i == 9 ? size - done : part;
      if (reader.ReadBytes(body.data() + done, take) != take) {
        model.failureReason = kFailureShortRead;
        return kFailed;
      }
      done += take;
    }
  }
  monitor.SetText("Reading 3DS Data. Complete!", 0);
  return kLoaded;
}

}  // namespace

LoadResult Read3ds(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  model.failureReason = 0;
  model.fileType = kFileType3ds;
  BufferedReader reader;
  if (!reader.Open(path, true)) return kFailed;
  const uint64_t fileSize = reader.FileSize();
  unsigned char header[6];
  if (fileSize < 6 || reader.ReadBytes(header, 6) != 6) {
    model.failureReason = kFailureBadSize;
    return kFailed;
  }
  monitor.SetText("Reading 3DS Data.", 0);
  // The main chunk must span exactly the file: checked before its body is
  // allocated, so a damaged length never sizes memory.
  if (LoadLittleEndian<uint16_t>(header) != kMainChunk ||
      LoadLittleEndian<uint32_t>(header + 2) != fileSize) {
    model.failureReason = kFailureBadSize;
    return kFailed;
  }
  try {
    std::vector<unsigned char> body(static_cast<size_t>(fileSize - 6));
    LoadResult result = ReadBody(reader, monitor, model, body);
    if (result != kLoaded) return result;
    TdsWalker walker(model, monitor);
    result = walker.WalkMain({body.data(), body.size()});
    if (result == kFailed && model.failureReason == 0) model.failureReason = kFailureBadSize;
    return result;
  } catch (const std::bad_alloc&) {
    model.failureReason = kFailureMemory;
    return kFailed;
  }
}

}  // namespace torvane
