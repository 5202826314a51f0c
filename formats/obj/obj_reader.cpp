// Reads OBJ text files: ReadRawObj gathers the elements line by line,
// CompileObj turns faces into the triangles of one ImportedMesh.
//
// Lines are read whole: a long "f" or "v" line is never shortened. Indices
// are resolved (negative ones count back from the elements read so far) and
// checked against what exists before any array is touched with them.
#include <algorithm>
#include <limits>
#include <new>

#include "core/sub_range_progress.h"
#include "formats/imported_model.h"
#include "formats/obj/obj.h"
#include "formats/textio/number_text.h"
#include "formats/textio/text_block_reader.h"
#include "formats/textio/utf8_text.h"
#include "platform/file_handle.h"

namespace torvane {
namespace {

constexpr size_t kMaxRangeNameUnits = 260;
constexpr uint32_t kCompileCancelStep = 4096;

// One index field of a corner token: empty or 0 is absent; a negative value
// k means count + k + 1; anything that cannot name an element is bad.
int32_t ResolveIndex(std::string_view field, uint32_t count) {
  if (field.empty()) return kObjAbsent;
  int64_t value = 0;
  const char c = field[0];
  if (c >= '1' && c <= '9' && field.length() <= 9) {
    // The common case: a short positive number.
    size_t i = 0;
    while (i < field.length() && field[i] >= '0' && field[i] <= '9')
      value = value * 10 + (field[i++] - '0');
    return static_cast<int32_t>(value);
  }
  if (!ParseLeadingInt(field, value)) return kObjAbsent;
  if (value == 0) return kObjAbsent;
  if (value < 0) value = static_cast<int64_t>(count) + value + 1;
  if (value <= 0 || value > std::numeric_limits<int32_t>::max()) return kObjBadIndex;
  return static_cast<int32_t>(value);
}

bool ReadVec3(std::string_view line, size_t& pos, Vec3& v) {
  float c[3];
  for (float& value : c) {
    std::string_view token = NextToken(line, pos);
    if (token.empty() || !ParseLeadingFloat(token, value)) return false;
  }
  v = {c[0], c[1], c[2]};
  return true;
}

// False when the list cannot grow: a file of short "g" lines would otherwise
// take many times its size in memory past the memory guard.
bool StartRange(std::vector<ObjRange>& ranges, std::string_view line, uint32_t faceCount) {
  if (line.length() <= 2) return true;
  if (ranges.size() == ranges.capacity()) {
    const size_t grown = std::max<size_t>(16, ranges.capacity() * 2);
    if (!MemoryGuardAllows(grown * sizeof(ObjRange))) return false;
    ranges.reserve(grown);
  }
  if (!ranges.empty()) ranges.back().lastFace = static_cast<int64_t>(faceCount) - 1;
  ObjRange range;
  range.name = std::string(CutToUtf16Units(line.substr(2), kMaxRangeNameUnits));
  range.firstFace = faceCount;
  range.lastFace = static_cast<int64_t>(faceCount) - 1;
  ranges.push_back(std::move(range));
  return true;
}

// Triangles made from a face of n corners.
uint32_t TrianglesOfFace(uint32_t n) {
  return n < 3 ? 0 : n - 2;
}

// Gathers the elements of RawObj line by line.
class RawObjBuilder {
 public:
  explicit RawObjBuilder(RawObj& raw)
      : raw_(raw),
        positions_(raw.positions),
        colours_(raw.colours),
        normals_(raw.normals),
        texCoords_(raw.texCoords),
        corners_(raw.corners),
        faceStarts_(raw.faceStarts) {}

  // False when memory runs out.
  bool Line(std::string_view line) {
    if (line.empty() || line[0] == '#') return true;
    size_t end = 0;
    while (end < line.length() && !IsTokenSpace(line[end]))
      ++end;
    const std::string_view word = line.substr(0, end);
    if (word == "v") return Position(line, end);
    if (word == "vn") {
      if (raw_.skipNormals) return true;
      Vec3 n;
      return !ReadVec3(line, end, n) || normals_.Append(n);
    }
    if (word == "vt") {
      float uv[2];
      for (float& value : uv) {
        std::string_view token = NextToken(line, end);
        if (token.empty() || !ParseLeadingFloat(token, value)) return true;
      }
      return texCoords_.Append(uv[0]) && texCoords_.Append(uv[1]);
    }
    if (word == "f") return Face(line, end);
    if (word == "o") return StartRange(raw_.objects, line, raw_.faceCount);
    if (word == "g") return StartRange(raw_.groups, line, raw_.faceCount);
    if (word == "s") return StartRange(raw_.smoothing, line, raw_.faceCount);
    // "mtllib", "usemtl", "vp", "mg" and unknown words are skipped.
    return true;
  }

  bool Finish() {
    for (std::vector<ObjRange>* ranges : {&raw_.objects, &raw_.groups, &raw_.smoothing})
      if (!ranges->empty()) ranges->back().lastFace = static_cast<int64_t>(raw_.faceCount) - 1;
    return true;
  }

 private:
  bool Position(std::string_view line, size_t pos) {
    Vec3 p;
    if (!ReadVec3(line, pos, p)) return true;  // malformed: skipped
    std::string_view channel[3];
    bool coloured = true;
    for (std::string_view& token : channel) {
      token = NextToken(line, pos);
      if (token.empty()) coloured = false;
    }
    const uint32_t index = positions_.length();
    if (!positions_.Append(p)) return false;
    if (coloured) {
      // The first coloured position: earlier ones get the uncoloured value.
      while (colours_.length() < index)
        if (!colours_.Append(kObjUncolouredPosition)) return false;
      int64_t rgb[3] = {0, 0, 0};
      for (int i = 0; i < 3; ++i)
        ParseLeadingInt(channel[i], rgb[i]);
      // Channels are combined bitwise: values above 255 spill into neighbours.
      const Colour32 colour = kOpaqueBlack | (static_cast<uint32_t>(rgb[0]) << 16) |
                              (static_cast<uint32_t>(rgb[1]) << 8) | static_cast<uint32_t>(rgb[2]);
      return colours_.Append(colour);
    }
    return colours_.length() == 0 || colours_.Append(kObjUncolouredPosition);
  }

  // Corners p, p/t, p//n or p/t/n, read in one pass over the line: each
  // field is its leading decimal integer (a field without digits is absent),
  // fields after the third are ignored.
  bool Face(std::string_view line, size_t pos) {
    const uint32_t first = corners_.length();
    const char* p = line.data() + pos;
    const char* const end = line.data() + line.length();
    for (;;) {
      while (p < end && IsTokenSpace(*p))
        ++p;
      if (p == end) break;
      int32_t fields[3] = {kObjAbsent, kObjAbsent, kObjAbsent};
      const uint32_t counts[3] = {positions_.length(), texCoords_.length() / 2, normals_.length()};
      for (int field = 0; p < end && !IsTokenSpace(*p); ++field) {
        const char* start = p;
        int32_t index;
        // The common field: a short positive number, read while scanning.
        uint32_t value = 0;
        while (p < end && static_cast<unsigned>(*p - '0') <= 9 && p - start < 9)
          value = value * 10 + static_cast<uint32_t>(*p++ - '0');
        if (p > start && *start != '0' && (p == end || *p == '/' || IsTokenSpace(*p))) {
          index = static_cast<int32_t>(value);
        } else {
          while (p < end && *p != '/' && !IsTokenSpace(*p))
            ++p;
          index = ResolveIndex(std::string_view(start, p - start), counts[field < 3 ? field : 0]);
        }
        if (field < 3) fields[field] = index;
        if (p < end && *p == '/') ++p;
      }
      if (!corners_.Append({fields[0], fields[1], fields[2]})) return false;
    }
    if (corners_.length() == first) return true;  // no corner: ignored
    if (!faceStarts_.Append(first)) return false;
    ++raw_.faceCount;
    return true;
  }

  RawObj& raw_;
  PodBuffer<Vec3>& positions_;
  PodBuffer<Colour32>& colours_;
  PodBuffer<Vec3>& normals_;
  PodBuffer<float>& texCoords_;
  PodBuffer<ObjCorner>& corners_;
  PodBuffer<uint32_t>& faceStarts_;
};

LoadResult ReadRawObjLines(FileHandle& file, ProgressMonitor& monitor, RawObj& raw) {
  TextBlockReader text(file);
  RawObjBuilder builder(raw);
  const char* at = text.Limit();
  std::string_view line;
  size_t lineCount = 0;
  int sinceReport = 0;
  while (text.NextLine(at, line)) {
    ++lineCount;
    if (++sinceReport > 101) {
      sinceReport = 0;
      monitor.SetText("Reading raw OBJ... Line #" + std::to_string(lineCount), 0);
      if (monitor.IsCancelled()) return kCancelled;
    }
    if (!builder.Line(line)) {
      raw.outOfMemory = true;
      return kFailed;
    }
  }
  if (text.OutOfMemory()) {
    raw.outOfMemory = true;
    return kFailed;
  }
  return builder.Finish() ? kLoaded : kFailed;
}

}  // namespace

LoadResult ReadRawObj(const std::string& path, ProgressMonitor& monitor, RawObj& raw) {
  FileHandle file;
  if (!file.OpenReadWithRetry(path, kBufferedReadRetryBudgetMs)) return kFailed;
  monitor.BeginIndeterminate();
  monitor.SetText("Reading raw OBJ", 0);
  LoadResult result;
  try {
    result = ReadRawObjLines(file, monitor, raw);
  } catch (const std::bad_alloc&) {
    raw.outOfMemory = true;
    result = kFailed;
  }
  if (result != kLoaded) return result;
  monitor.SetFraction(1.0);
  monitor.EndIndeterminate();
  monitor.SetText("Reading raw OBJ... Complete!", 0);
  return kLoaded;
}

LoadResult CompileObj(RawObj& raw, ProgressMonitor& monitor, ImportedModel& model) {
  if (raw.positions.empty()) return kLoaded;
  monitor.SetText("Compiling 3D Model", 0);

  const uint32_t positionCount = raw.positions.length();
  const uint32_t normalCount = raw.normals.length();
  const bool useNormals = normalCount > 0;
  const ObjCorner* corners = raw.corners.data();
  const uint32_t* faceStarts = raw.faceStarts.data();
  const uint32_t cornerTotal = raw.corners.length();
  auto faceSize = [&](uint32_t f) {
    const uint32_t end = f + 1 < raw.faceCount ? faceStarts[f + 1] : cornerTotal;
    return end - faceStarts[f];
  };

  uint64_t triangleCount = 0;
  for (uint32_t f = 0; f < raw.faceCount; ++f) {
    const uint32_t n = faceSize(f);
    if (n < 3) continue;
    triangleCount += TrianglesOfFace(n);
    // Every corner of a face that makes triangles must name a position.
    for (uint32_t k = 0; k < n; ++k) {
      const int32_t p = corners[faceStarts[f] + k].position;
      if (p < 1 || static_cast<uint32_t>(p) > positionCount) return kFailed;
    }
  }
  if (triangleCount * 3 > std::numeric_limits<uint32_t>::max()) return kFailed;

  ImportedMesh& mesh = AppendMesh(model);
  auto fail = [&model]() {
    model.meshes.pop_back();
    model.failureReason = kFailureOutOfMemory;
    return kFailed;
  };
  const size_t indexCount = static_cast<size_t>(triangleCount * 3);
  // Without "vn" lines the mesh carries no normals: turning the model into
  // objects gives every triangle its face normal, exactly what would be
  // stored here, without holding a normal per corner in the meantime.
  // Every index and normal is written below.
  if (!mesh.indices.ResizeForOverwrite(indexCount) ||
      (useNormals && !mesh.normals.ResizeForOverwrite(indexCount)))
    return fail();
  if (!raw.positions.MoveTo(mesh.positions)) return fail();
  const Vec3* positions = mesh.positions.data();
  uint32_t* indices = mesh.indices.MutableData();
  Vec3* normals = mesh.normals.MutableData();
  const Vec3* fileNormals = raw.normals.data();

  uint32_t out = 0;
  auto emit = [&](const ObjCorner& a, const ObjCorner& b, const ObjCorner& c) {
    const uint32_t ia = static_cast<uint32_t>(a.position - 1);
    const uint32_t ib = static_cast<uint32_t>(b.position - 1);
    const uint32_t ic = static_cast<uint32_t>(c.position - 1);
    indices[out] = ia;
    indices[out + 1] = ib;
    indices[out + 2] = ic;
    auto valid = [normalCount](int32_t n) {
      return n >= 1 && static_cast<uint32_t>(n) <= normalCount;
    };
    if (!useNormals) {
      // Face normals come with the conversion into objects.
    } else if (valid(a.normal) && valid(b.normal) && valid(c.normal)) {
      normals[out] = fileNormals[a.normal - 1];
      normals[out + 1] = fileNormals[b.normal - 1];
      normals[out + 2] = fileNormals[c.normal - 1];
    } else {
      // No usable normal for a corner: the whole triangle takes its face normal.
      const Vec3 n = FaceNormal(positions[ia], positions[ib], positions[ic]);
      normals[out] = normals[out + 1] = normals[out + 2] = n;
    }
    out += 3;
  };

  for (uint32_t f = 0; f < raw.faceCount; ++f) {
    if (f % kCompileCancelStep == 0 && monitor.IsCancelled()) {
      model.meshes.pop_back();
      return kCancelled;
    }
    const uint32_t n = faceSize(f);
    const ObjCorner* c = corners + faceStarts[f];
    if (n == 3) {
      emit(c[0], c[1], c[2]);
    } else if (n == 4) {
      emit(c[0], c[1], c[2]);
      emit(c[2], c[3], c[0]);
    } else if (n == 5) {
      emit(c[0], c[1], c[2]);
      emit(c[2], c[3], c[4]);
      emit(c[4], c[0], c[2]);
    } else if (n > 5) {
      // Longer faces keep every corner: a fan from the first.
      for (uint32_t k = 1; k + 1 < n; ++k)
        emit(c[0], c[k], c[k + 1]);
    }
  }
  if (!raw.colours.empty() && !raw.colours.MoveTo(mesh.colours)) return fail();

  monitor.SetFraction(1.0);
  monitor.EndIndeterminate();
  monitor.SetText("Compiling 3D Model... Complete!", 0);
  return kLoaded;
}

LoadResult ReadObj(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  model.failureReason = 4;
  RawObj raw;
  raw.skipNormals = model.fileNormalsUnused;
  SubRangeProgress reading(monitor, 0.0, 0.5);
  LoadResult result = ReadRawObj(path, reading, raw);
  if (raw.outOfMemory) model.failureReason = kFailureOutOfMemory;
  if (result != kLoaded) return result;
  SubRangeProgress compiling(monitor, 0.5, 0.5);
  try {
    result = CompileObj(raw, compiling, model);
  } catch (const std::bad_alloc&) {
    model.failureReason = kFailureOutOfMemory;
    result = kFailed;
  }
  if (result != kLoaded) return result;
  model.failureReason = 0;
  model.fileType = kFileTypeObj;
  return kLoaded;
}

}  // namespace torvane
