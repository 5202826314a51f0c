// Writes every mesh of a model as named triangle objects of a 3DS file.
//
// The format counts points and faces in 16 bits, so a larger mesh is cut
// into parts of at most 21845 triangles with three points of their own each.
// Parts are written straight from the mesh; their chunk lengths are known
// before writing, so each chunk header is written once with its length.
#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "formats/3ds/3ds.h"
#include "formats/imported_model.h"
#include "formats/textio/output_buffer.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr uint32_t kMaxCount = 0xFFFF;
constexpr uint32_t kPartTriangles = 21845;  // 3 x 21845 = 65535 points
constexpr uint16_t kFaceFlags = 7;

// One object of the file: a whole mesh, or triangles [first, first + count)
// of a mesh with unshared points.
struct ExportPart {
  const ImportedMesh* mesh = nullptr;
  bool whole = true;
  uint32_t firstTriangle = 0;
  uint32_t triangleCount = 0;
  uint32_t pointCount = 0;
  std::string name;

  uint64_t PointChunk() const { return 6 + 2 + uint64_t{pointCount} * 12; }
  uint64_t FaceChunk() const { return 6 + 2 + uint64_t{triangleCount} * 8; }
  uint64_t TriangleObjectChunk() const { return 6 + PointChunk() + FaceChunk(); }
  uint64_t NamedObjectChunk() const { return 6 + name.size() + 1 + TriangleObjectChunk(); }
};

int PlanParts(const ImportedModel& model, ProgressMonitor& monitor,
              std::vector<ExportPart>& parts) {
  const size_t meshCount = model.meshes.size();
  size_t meshIndex = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const double base = 0.5 * meshIndex / meshCount;
    const double share = 0.5 / meshCount;
    ++meshIndex;
    const uint32_t triangles = mesh.indices.length() / 3;
    if (triangles < kMaxCount && mesh.positions.length() < kMaxCount) {
      parts.push_back({&mesh, true, 0, triangles, mesh.positions.length(), {}});
      continue;
    }
    for (uint32_t t = 0; t < triangles; t += kPartTriangles) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      const uint32_t count = std::min(kPartTriangles, triangles - t);
      parts.push_back({&mesh, false, t, count, count * 3, {}});
      const int percent = static_cast<int>(100.0 * (t + count) / triangles);
      monitor.SetText(FormatText("Splitting Faces: (%zu) %i%% [%u / %u]", meshIndex, percent,
                                 t + count, triangles),
                      1);
      monitor.SetFraction(base + share * (t + count) / triangles);
    }
  }
  for (size_t i = 0; i < parts.size(); ++i)
    parts[i].name = FormatText("Object %zu", i);
  return kStatusDone;
}

void WritePart(OutputBuffer& out, const ExportPart& part) {
  out.U16(0x4000);
  out.U32(static_cast<uint32_t>(part.NamedObjectChunk()));
  out.Text(part.name);
  out.U8(0);
  out.U16(0x4100);
  out.U32(static_cast<uint32_t>(part.TriangleObjectChunk()));

  const ImportedMesh& mesh = *part.mesh;
  const Vec3* positions = mesh.positions.data();
  const uint32_t* indices = mesh.indices.data();
  out.U16(0x4110);
  out.U32(static_cast<uint32_t>(part.PointChunk()));
  out.U16(static_cast<uint16_t>(part.pointCount));
  auto point = [&out](const Vec3& p) {
    out.F32(p.x);
    out.F32(p.y);
    out.F32(p.z);
  };
  if (part.whole) {
    for (uint32_t i = 0; i < part.pointCount; ++i)
      point(positions[i]);
  } else {
    const uint32_t first = part.firstTriangle * 3;
    for (uint32_t c = 0; c < part.pointCount; ++c)
      point(positions[indices[first + c]]);
  }

  out.U16(0x4120);
  out.U32(static_cast<uint32_t>(part.FaceChunk()));
  out.U16(static_cast<uint16_t>(part.triangleCount));
  for (uint32_t t = 0; t < part.triangleCount; ++t) {
    for (uint32_t j = 0; j < 3; ++j) {
      const uint32_t index = part.whole ? indices[3 * t + j] : 3 * t + j;
      out.U16(static_cast<uint16_t>(index));
    }
    out.U16(kFaceFlags);
  }
}

}  // namespace

int Write3ds(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  if (monitor.IsCancelled()) return kStatusCancelled;
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t count = mesh.positions.length();
    for (uint32_t k = 0; k < mesh.indices.length(); ++k)
      if (mesh.indices[k] >= count) return kStatusFailed;
  }
  FileHandle file;
  if (!file.OpenWriteWithRetry(path, kWriteRetryBudgetMs)) return kStatusFailed;
  int result = kStatusDone;
  try {
    std::vector<ExportPart> parts;
    result = PlanParts(model, monitor, parts);
    if (result != kStatusDone) return result;
    uint64_t editorLength = 6;
    for (const ExportPart& part : parts)
      editorLength += part.NamedObjectChunk();
    const uint64_t mainLength = 6 + 8 + editorLength;
    // Chunk lengths are 32-bit.
    if (mainLength > std::numeric_limits<uint32_t>::max()) return kStatusFailed;

    OutputBuffer out(file);
    out.U16(0x4D4D);
    out.U32(static_cast<uint32_t>(mainLength));
    out.U16(0x0002);
    out.U32(8);
    out.U16(3);
    out.U16(0x3D3D);
    out.U32(static_cast<uint32_t>(editorLength));
    double fraction = 0.5;
    for (const ExportPart& part : parts) {
      monitor.SetFraction(fraction);
      fraction += 0.4 / parts.size();
      if (monitor.IsCancelled()) {
        out.Flush();
        return kStatusCancelled;
      }
      WritePart(out, part);
      if (!out.ok()) return kStatusFailed;
    }
    monitor.SetFraction(0.9);
    if (!out.Finish()) return kStatusFailed;
  } catch (const std::bad_alloc&) {
    return kStatusFailed;
  }
  monitor.SetFraction(1.0);
  monitor.SetText("", 1);
  return result;
}

}  // namespace torvane
