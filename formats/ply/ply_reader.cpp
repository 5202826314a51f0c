// Reads PLY files into one ImportedMesh.
//
// The body is read element by element in the header's order; elements that
// are neither "vertex" nor "face" are skipped by their size, and reading
// stops once both have been read. Every declared count is weighed against
// the bytes left in the file before anything is allocated for it, and every
// face index is checked against the vertex count, so a damaged file fails
// instead of allocating without bound or naming missing vertices.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "formats/imported_model.h"
#include "formats/ply/ply.h"
#include "formats/ply/ply_header.h"
#include "formats/ply/ply_values.h"
#include "formats/textio/byte_source.h"
#include "formats/textio/number_text.h"
#include "formats/textio/text_block_reader.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr uint32_t kCancelStep = 1024;
constexpr uint32_t kFailureHeader = 3;
constexpr uint32_t kFailureBody = 4;

class PlyBodyReader {
 public:
  PlyBodyReader(BufferedReader& reader, const PlyHeader& header, ProgressMonitor& monitor,
                ImportedMesh& mesh, uint32_t vertexCount)
      : reader_(reader),
        header_(header),
        monitor_(monitor),
        mesh_(mesh),
        vertexCount_(vertexCount),
        bigEndian_(header.encoding == PlyEncoding::kBinaryBigEndian),
        ascii_(header.encoding == PlyEncoding::kAscii) {
    remaining_ = reader.FileSize() - static_cast<uint64_t>(reader.Tell());
    TakePointers();
    // The body is read from its start in large pieces.
    reader.File().Seek(reader.Tell());
    if (ascii_) {
      text_ = std::make_unique<TextBlockReader>(reader.File());
      at_ = text_->Limit();
    } else {
      bytes_ = std::make_unique<ByteSource>(reader.File());
    }
  }

  LoadResult Read() {
    bool haveVertices = false;
    bool haveFaces = !HasElement(PlyKind::kFace);
    for (const PlyElement& element : header_.elements) {
      if (haveVertices && haveFaces) break;  // later elements are never read
      LoadResult result = ReadElement(element);
      if (result != kLoaded) return result;
      if (element.kind == PlyKind::kVertex) haveVertices = true;
      if (element.kind == PlyKind::kFace) haveFaces = true;
    }
    // Fans may have made more corners than three per face: trim to what was made.
    if (!mesh_.indices.ResizeKeep(cornersOut_)) return kFailed;
    if (header_.colourMode == kPlyColoursPerFace && !mesh_.colours.ResizeKeep(cornersOut_))
      return kFailed;
    return kLoaded;
  }

  // True when the read failed because a line or an array could not grow.
  bool OutOfMemory() const { return outOfMemory_ || (text_ && text_->OutOfMemory()); }

 private:
  // The arrays are written through raw pointers, taken again after growth.
  void TakePointers() {
    positions_ = mesh_.positions.MutableData();
    indices_ = mesh_.indices.MutableData();
    indicesLength_ = mesh_.indices.length();
    const bool perVertex = header_.colourMode == kPlyColoursPerVertex;
    const bool perFace = header_.colourMode == kPlyColoursPerFace;
    vertexColours_ = perVertex ? mesh_.colours.MutableData() : nullptr;
    faceColours_ = perFace ? mesh_.colours.MutableData() : nullptr;
  }

  const unsigned char* Take(size_t n) {
    const unsigned char* p = bytes_->Take(n);
    if (p) remaining_ -= n;
    return p;
  }

  bool HasElement(PlyKind kind) const {
    for (const PlyElement& e : header_.elements)
      if (e.kind == kind) return true;
    return false;
  }

  LoadResult ReadElement(const PlyElement& element) {
    if (!ascii_) {
      // A value of unknown size would put every later value at a wrong offset.
      for (const PlyProperty& p : element.properties) {
        if (p.type == kPlyUnknown) return kFailed;
        if (p.type == kPlyList && (PlyTypeSize(p.countType) == 0 || PlyTypeSize(p.itemType) == 0))
          return kFailed;
      }
      monitor_.SetText("Loading data...", 1);
    }
    const bool hasList = std::any_of(element.properties.begin(), element.properties.end(),
                                     [](const PlyProperty& p) { return p.type == kPlyList; });
    if (!ascii_ && !hasList) return ReadFixedBinary(element);
    if (ascii_ && IsPlainAsciiElement(element)) {
      return element.kind == PlyKind::kVertex ? ReadPlainAsciiVertices(element)
                                              : ReadPlainAsciiFaces(element);
    }
    for (uint32_t i = 0; i < element.count; ++i) {
      if (i % kCancelStep == 0 && monitor_.IsCancelled()) return kCancelled;
      if (!(ascii_ ? ReadAsciiItem(element, i) : ReadListBinaryItem(element, i))) return kFailed;
    }
    return kLoaded;
  }

  // The usual text layouts, read without the general per-property path:
  // vertices of float x, y, z only, and faces of one index list only.
  static bool IsPlainAsciiElement(const PlyElement& element) {
    const auto& props = element.properties;
    if (element.kind == PlyKind::kVertex) {
      return props.size() == 3 && std::all_of(props.begin(), props.end(), [](const PlyProperty& p) {
               return p.type == kPlyFloat && p.role >= PlyRole::kX && p.role <= PlyRole::kZ;
             });
    }
    return element.kind == PlyKind::kFace && props.size() == 1 &&
           props[0].role == PlyRole::kIndexList;
  }

  // Plain items are read in place from the text window: each starts at the
  // next token (blank lines are passed over), its values must be on that
  // line, and the rest of the line is ignored.
  LoadResult ReadPlainAsciiVertices(const PlyElement& element) {
    int slot[3];
    for (int j = 0; j < 3; ++j)
      slot[j] = static_cast<int>(element.properties[j].role) - static_cast<int>(PlyRole::kX);
    const char* at = at_;
    LoadResult result = kLoaded;
    for (uint32_t i = 0; i < element.count; ++i) {
      if (i % kCancelStep == 0 && monitor_.IsCancelled()) {
        result = kCancelled;
        break;
      }
      if (!text_->SkipBlank(at)) {
        result = kFailed;
        break;
      }
      const char* const limit = text_->Limit();
      float v[3] = {0.0f, 0.0f, 0.0f};
      if (!TakeLineFloat(at, limit, v[slot[0]]) || !TakeLineFloat(at, limit, v[slot[1]]) ||
          !TakeLineFloat(at, limit, v[slot[2]])) {
        result = kFailed;
        break;
      }
      positions_[i] = {v[0], v[1], v[2]};
      text_->PassLine(at);
    }
    at_ = at;
    return result;
  }

  LoadResult ReadPlainAsciiFaces(const PlyElement& element) {
    const char* at = at_;
    LoadResult result = kLoaded;
    for (uint32_t i = 0; i < element.count; ++i) {
      if (i % kCancelStep == 0 && monitor_.IsCancelled()) {
        result = kCancelled;
        break;
      }
      const char* next = nullptr;
      if (!text_->SkipBlank(at) || !(next = ReadPlainAsciiFace(at, text_->Limit()))) {
        result = kFailed;
        break;
      }
      at = next;
      text_->PassLine(at);
    }
    at_ = at;
    return result;
  }

  // One face from `at` (its first token) on: the position after it, or null
  // when the line is not a good face.
  const char* ReadPlainAsciiFace(const char* at, const char* limit) {
    int64_t count = 0;
    if (ParseIntegerTokenAt(at, limit, count) != TokenKind::kNumber || count < 0) return nullptr;
    if (count == 3 && cornersOut_ + 3 <= indicesLength_ && !faceColours_) {
      // Triangles, nearly every face of most files, go straight to the array.
      int64_t v[3] = {0, 0, 0};
      for (int64_t& value : v) {
        if (TakeLineInteger(at, limit, value) == TokenKind::kNone) return nullptr;
        // Negative values turn huge and fail the range check too.
        if (static_cast<uint64_t>(value) >= vertexCount_) return nullptr;
      }
      uint32_t* corner = indices_ + cornersOut_;
      corner[0] = static_cast<uint32_t>(v[0]);
      corner[1] = static_cast<uint32_t>(v[1]);
      corner[2] = static_cast<uint32_t>(v[2]);
      cornersOut_ += 3;
      return at;
    }
    // Small faces are gathered on the stack, larger ones in the list.
    uint32_t small[8];
    const bool fits = count <= 8;
    indexList_.clear();
    for (int64_t k = 0; k < count; ++k) {
      int64_t value = 0;
      if (TakeLineInteger(at, limit, value) == TokenKind::kNone) return nullptr;
      const uint32_t index =
          value < 0 || value > 0xFFFFFFFE ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
      if (fits) {
        small[k] = index;
      } else {
        indexList_.push_back(index);
      }
    }
    const bool stored = fits ? StoreFaceIndices(small, static_cast<size_t>(count), kOpaqueBlack)
                             : StoreFaceIndices(indexList_.data(), indexList_.size(), kOpaqueBlack);
    return stored ? at : nullptr;
  }

  // Elements without lists: whole blocks of items per read.
  LoadResult ReadFixedBinary(const PlyElement& element) {
    uint32_t itemSize = 0;
    for (const PlyProperty& p : element.properties)
      itemSize += PlyTypeSize(p.type);
    if (itemSize == 0) return kLoaded;
    const uint32_t perBlock = std::max<uint32_t>(1, (1u << 16) / itemSize);
    values_.resize(element.properties.size());
    uint32_t done = 0;
    while (done < element.count) {
      if (monitor_.IsCancelled()) return kCancelled;
      const uint32_t take = std::min(perBlock, element.count - done);
      const size_t bytes = size_t{take} * itemSize;
      const unsigned char* p = Take(bytes);
      if (!p) return kFailed;
      for (uint32_t k = 0; k < take; ++k) {
        for (size_t j = 0; j < element.properties.size(); ++j) {
          const PlyType type = element.properties[j].type;
          values_[j] = DecodeBinary(p, type, bigEndian_);
          p += PlyTypeSize(type);
        }
        if (!Store(element, done + k)) return kFailed;
      }
      done += take;
    }
    return kLoaded;
  }

  bool ReadListBinaryItem(const PlyElement& element, uint32_t item) {
    values_.resize(element.properties.size());
    indexList_.clear();
    for (size_t j = 0; j < element.properties.size(); ++j) {
      const PlyProperty& p = element.properties[j];
      if (p.type != kPlyList) {
        const uint32_t size = PlyTypeSize(p.type);
        const unsigned char* scalar = Take(size);
        if (!scalar) return false;
        values_[j] = DecodeBinary(scalar, p.type, bigEndian_);
        continue;
      }
      const uint32_t countSize = PlyTypeSize(p.countType);
      const unsigned char* countBytes = Take(countSize);
      if (!countBytes) return false;
      const double countValue = DecodeBinary(countBytes, p.countType, bigEndian_);
      if (!(countValue >= 0.0)) return false;
      const uint32_t itemSize = PlyTypeSize(p.itemType);
      // A count beyond the bytes left is refused before anything is read.
      if (countValue * itemSize > static_cast<double>(remaining_)) return false;
      const size_t n = static_cast<size_t>(countValue);
      const unsigned char* items = Take(n * itemSize);
      if (!items) return false;
      if (p.role == PlyRole::kIndexList && !MemoryGuardAllows(n * sizeof(uint32_t))) {
        outOfMemory_ = true;
        return false;
      }
      if (p.role == PlyRole::kIndexList) {
        for (size_t k = 0; k < n; ++k)
          indexList_.push_back(
              IndexFromValue(DecodeBinary(items + k * itemSize, p.itemType, bigEndian_)));
        haveIndexList_ = true;
      }
    }
    return Store(element, item);
  }

  bool ReadAsciiItem(const PlyElement& element, uint32_t item) {
    values_.resize(element.properties.size());
    indexList_.clear();
    // Blank lines between items carry nothing and are passed over.
    std::string_view text;
    size_t pos = 0;
    do {
      if (!text_->NextLine(at_, text)) return false;
      pos = 0;
      while (pos < text.size() && IsTokenSpace(text[pos]))
        ++pos;
    } while (!element.properties.empty() && pos == text.size());
    for (size_t j = 0; j < element.properties.size(); ++j) {
      const PlyProperty& p = element.properties[j];
      std::string_view token = NextToken(text, pos);
      if (token.empty()) return false;
      if (p.type != kPlyList) {
        values_[j] = ParseAsciiValue(token, p.type);
        continue;
      }
      int64_t count = 0;
      if (!ParseLeadingInt(token, count) || count < 0) return false;
      for (int64_t k = 0; k < count; ++k) {
        token = NextToken(text, pos);
        if (token.empty()) return false;
        if (p.role == PlyRole::kIndexList) {
          const int64_t index = ParseIndexToken(token);
          indexList_.push_back(index < 0 || index > 0xFFFFFFFE ? 0xFFFFFFFFu
                                                               : static_cast<uint32_t>(index));
        }
      }
      if (p.role == PlyRole::kIndexList) haveIndexList_ = true;
    }
    return Store(element, item);
  }

  static double ParseAsciiValue(std::string_view token, PlyType type) {
    if (type == kPlyFloat) {
      float v = 0.0f;
      ParseLeadingFloat(token, v);
      return v;
    }
    if (type == kPlyDouble) {
      double v = 0.0;
      ParseLeadingDouble(token, v);
      return v;
    }
    int64_t v = 0;
    if (!ParseLeadingInt(token, v)) {
      // "255.0" style integers still give their whole part.
      double d = 0.0;
      if (ParseLeadingDouble(token, d)) return std::trunc(d);
    }
    return static_cast<double>(v);
  }

  bool Store(const PlyElement& element, uint32_t item) {
    if (element.kind == PlyKind::kVertex) {
      float c[3] = {0.0f, 0.0f, 0.0f};
      Colour32 colour = kOpaqueBlack;
      for (size_t j = 0; j < element.properties.size(); ++j) {
        const PlyProperty& p = element.properties[j];
        switch (p.role) {
          case PlyRole::kX:
            c[0] = static_cast<float>(values_[j]);
            break;
          case PlyRole::kY:
            c[1] = static_cast<float>(values_[j]);
            break;
          case PlyRole::kZ:
            c[2] = static_cast<float>(values_[j]);
            break;
          case PlyRole::kRed:
          case PlyRole::kGreen:
          case PlyRole::kBlue:
          case PlyRole::kAlpha:
            PlaceChannel(colour, p.role, ChannelByte(values_[j], p.type));
            break;
          default:
            break;
        }
      }
      positions_[item] = {c[0], c[1], c[2]};
      if (vertexColours_) vertexColours_[item] = colour;
      return true;
    }
    if (element.kind != PlyKind::kFace) return true;
    Colour32 colour = kOpaqueBlack;
    for (size_t j = 0; j < element.properties.size(); ++j) {
      const PlyProperty& p = element.properties[j];
      if (p.role >= PlyRole::kRed && p.role <= PlyRole::kAlpha)
        PlaceChannel(colour, p.role, ChannelByte(values_[j], p.type));
    }
    return StoreFace(colour);
  }

  // Fans the gathered index list into triangles.
  bool StoreFace(Colour32 colour) {
    if (!haveIndexList_) return true;
    haveIndexList_ = false;
    return StoreFaceIndices(indexList_.data(), indexList_.size(), colour);
  }

  bool StoreFaceIndices(const uint32_t* list, size_t n, Colour32 colour) {
    if (n < 3) return false;
    for (size_t k = 0; k < n; ++k)
      if (list[k] >= vertexCount_) return false;
    const size_t needed = cornersOut_ + 3 * (n - 2);
    if (needed > mesh_.indices.length()) {
      if (needed > 0xFFFFFFFFu) return false;
      if (!mesh_.indices.ResizeKeep(needed) ||
          (header_.colourMode == kPlyColoursPerFace && !mesh_.colours.ResizeKeep(needed))) {
        outOfMemory_ = true;
        return false;
      }
      TakePointers();
    }
    uint32_t* indices = indices_;
    Colour32* colours = faceColours_;
    auto emit = [&](uint32_t a, uint32_t b, uint32_t c) {
      indices[cornersOut_] = a;
      indices[cornersOut_ + 1] = b;
      indices[cornersOut_ + 2] = c;
      if (colours)
        colours[cornersOut_] = colours[cornersOut_ + 1] = colours[cornersOut_ + 2] = colour;
      cornersOut_ += 3;
    };
    emit(list[0], list[1], list[2]);
    for (size_t k = 3; k < n; ++k)
      emit(list[k - 1], list[k], list[0]);
    return true;
  }

  BufferedReader& reader_;
  const PlyHeader& header_;
  ProgressMonitor& monitor_;
  ImportedMesh& mesh_;
  const uint32_t vertexCount_;
  const bool bigEndian_;
  const bool ascii_;
  std::unique_ptr<ByteSource> bytes_;
  Vec3* positions_ = nullptr;
  uint32_t* indices_ = nullptr;
  size_t indicesLength_ = 0;
  Colour32* vertexColours_ = nullptr;
  Colour32* faceColours_ = nullptr;
  std::vector<double> values_;
  std::vector<uint32_t> indexList_;
  bool haveIndexList_ = false;
  std::unique_ptr<TextBlockReader> text_;
  const char* at_ = nullptr;  // the text position, inside text_'s window
  uint64_t remaining_ = 0;    // bytes of the file not read yet (binary bodies)
  uint32_t cornersOut_ = 0;
  bool outOfMemory_ = false;
};

// The fewest bytes one item of the element can take in the body.
uint64_t MinimumItemBytes(const PlyElement& element, bool ascii) {
  uint64_t bytes = 0;
  uint64_t tokens = 0;
  for (const PlyProperty& p : element.properties) {
    if (p.type != kPlyList) {
      bytes += PlyTypeSize(p.type);
      ++tokens;
      continue;
    }
    const bool indices = p.role == PlyRole::kIndexList;
    bytes += PlyTypeSize(p.countType) + (indices ? 3 * PlyTypeSize(p.itemType) : 0);
    tokens += indices ? 4 : 1;
  }
  if (ascii) return std::max<uint64_t>(1, tokens * 2 - (tokens ? 1 : 0));
  return std::max<uint64_t>(1, bytes);
}

// False when the declared counts cannot fit in the bytes left in the file.
bool CountsFitFile(const PlyHeader& header, uint64_t remaining) {
  const bool ascii = header.encoding == PlyEncoding::kAscii;
  bool haveVertices = false;
  bool haveFaces = true;
  for (const PlyElement& e : header.elements)
    haveFaces &= e.kind != PlyKind::kFace;
  uint64_t needed = 0;
  for (const PlyElement& e : header.elements) {
    if (haveVertices && haveFaces) break;
    needed += uint64_t{e.count} * MinimumItemBytes(e, ascii);
    if (e.kind == PlyKind::kVertex) haveVertices = true;
    if (e.kind == PlyKind::kFace) haveFaces = true;
  }
  // The last ASCII line may end without a line break.
  return needed <= remaining + (ascii ? 1 : 0);
}

LoadResult ReadPlyFile(BufferedReader& reader, ProgressMonitor& monitor, ImportedModel& model,
                       ImportedMesh& mesh) {
  model.failureReason = kFailureHeader;
  monitor.SetText("Loading header...", 1);
  PlyHeader header;
  LoadResult result = ReadPlyHeader(reader, monitor, header);
  if (result != kLoaded) return result;
  for (size_t i = 0; i < header.comments.size(); ++i)
    model.properties.Set(FormatText("Comment%zu", i + 1), header.comments[i]);

  // One "vertex" and one "face" element at most: a second would overwrite the first.
  const PlyElement* vertices = nullptr;
  const PlyElement* faces = nullptr;
  for (const PlyElement& e : header.elements) {
    const PlyElement** slot = e.kind == PlyKind::kVertex ? &vertices
                              : e.kind == PlyKind::kFace ? &faces
                                                         : nullptr;
    if (!slot) continue;
    if (*slot) return kFailed;
    *slot = &e;
  }
  const uint32_t faceCount = faces ? faces->count : 0;
  const uint32_t vertexCount = vertices ? vertices->count : 0;
  const uint64_t remaining = reader.FileSize() - static_cast<uint64_t>(reader.Tell());
  if (!CountsFitFile(header, remaining)) return kFailed;
  const size_t colourCount = header.colourMode == kPlyColoursPerVertex ? vertexCount
                             : header.colourMode == kPlyColoursPerFace ? size_t{faceCount} * 3
                                                                       : 0;
  // A load that succeeds has written every slot of these (the declared
  // counts must all be read); a failed one is thrown away.
  if (!mesh.positions.ResizeForOverwrite(vertexCount) ||
      !mesh.indices.ResizeForOverwrite(size_t{faceCount} * 3) ||
      (colourCount && !mesh.colours.ResizeForOverwrite(colourCount))) {
    model.failureReason = kFailureOutOfMemory;
    return kFailed;
  }
  model.failureReason = 0;

  if (vertexCount == 0) {
    mesh.positions.Free();
    mesh.indices.Free();
    mesh.colours.Free();
    return kLoaded;
  }
  model.failureReason = kFailureBody;
  PlyBodyReader body(reader, header, monitor, mesh, vertexCount);
  result = body.Read();
  if (result == kFailed && body.OutOfMemory()) model.failureReason = kFailureOutOfMemory;
  if (result != kLoaded) return result;
  model.failureReason = 0;
  return kLoaded;
}

}  // namespace

LoadResult ReadPly(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  monitor.BeginIndeterminate();
  model.fileType = kFileTypePly;
  model.failureReason = 0;
  BufferedReader reader;
  if (!reader.Open(path, true)) {
    model.failureReason = kFailureHeader;
    return kFailed;
  }
  ImportedMesh& mesh = AppendMesh(model);
  LoadResult result;
  try {
    result = ReadPlyFile(reader, monitor, model, mesh);
  } catch (const std::bad_alloc&) {
    model.failureReason = kFailureOutOfMemory;
    result = kFailed;
  }
  monitor.EndIndeterminate();
  return result;
}

}  // namespace torvane
