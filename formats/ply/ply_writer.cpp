// Writes every mesh of a model into one binary little-endian PLY file with
// one RGBA colour per face.
#include <limits>
#include <new>

#include "core/matrix4.h"
#include "formats/imported_model.h"
#include "formats/ply/ply.h"
#include "formats/textio/output_buffer.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr Colour32 kUncolouredFace = 0xFFC8C8C8u;

// A comment is one header line: line breaks inside a value become spaces.
std::string OneLine(const std::string& value) {
  std::string line = value;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

// Colour of triangle t of the mesh: that of its first corner.
Colour32 TriangleColour(const ImportedMesh& mesh, uint32_t firstCorner) {
  const uint32_t colours = mesh.colours.length();
  if (colours == 0) return kUncolouredFace;
  if (colours == mesh.indices.length()) return mesh.colours[firstCorner];
  if (colours == mesh.positions.length()) return mesh.colours[mesh.indices[firstCorner]];
  return kUncolouredFace;
}

int WriteBody(OutputBuffer& out, ProgressMonitor& monitor, const ImportedModel& model) {
  monitor.SetText("Writing vertices...", 0);
  for (const ImportedMesh& mesh : model.meshes) {
    const Matrix4 transform = TransformMatrix(mesh.scale, mesh.rotation, mesh.position);
    const uint32_t count = mesh.positions.length();
    const Vec3* positions = mesh.positions.data();
    for (uint32_t i = 0; i < count; ++i) {
      if (i % 100 == 0) {
        if (monitor.IsCancelled()) return kStatusCancelled;
        if (!out.ok()) return kStatusFailed;
        monitor.SetFraction(static_cast<double>(i) / count);
      }
      // The file is Z-up and mirrored: (x, y, z) is written as (x, z, y).
      const Vec3 p = TransformPoint(positions[i], transform);
      out.F32(p.x);
      out.F32(p.z);
      out.F32(p.y);
    }
  }

  monitor.SetText("Writing triangles...", 0);
  uint32_t offset = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t corners = mesh.indices.length() / 3 * 3;
    const uint32_t* indices = mesh.indices.data();
    for (uint32_t c = 0; c < corners; c += 3) {
      if (c % 100 < 3) {
        if (monitor.IsCancelled()) return kStatusCancelled;
        if (!out.ok()) return kStatusFailed;
        monitor.SetFraction(static_cast<double>(c) / corners);
      }
      out.U8(3);
      out.U32(offset + indices[c]);
      out.U32(offset + indices[c + 1]);
      out.U32(offset + indices[c + 2]);
      const Colour32 colour = TriangleColour(mesh, c);
      out.U8(static_cast<uint8_t>(colour >> 16));
      out.U8(static_cast<uint8_t>(colour >> 8));
      out.U8(static_cast<uint8_t>(colour));
      out.U8(static_cast<uint8_t>(colour >> 24));
    }
    offset += mesh.positions.length();
  }
  return kStatusDone;
}

}  // namespace

int WritePly(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  uint64_t positionTotal = 0;
  uint64_t triangleTotal = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    const uint32_t count = mesh.positions.length();
    for (uint32_t k = 0; k < mesh.indices.length(); ++k)
      if (mesh.indices[k] >= count) return kStatusFailed;
    positionTotal += count;
    triangleTotal += mesh.indices.length() / 3;
  }
  // Indices are written as the signed "int" of the header.
  if (positionTotal > uint64_t{std::numeric_limits<int32_t>::max()}) return kStatusFailed;

  FileHandle file;
  if (!file.OpenWrite(path)) return kStatusFailed;
  int result;
  try {
    OutputBuffer out(file);
    monitor.SetText("Writing file header...", 0);
    out.Text("ply\nformat binary_little_endian 1.0\n");
    for (const auto& [key, value] : model.properties.entries()) {
      if (IsKeptOutOfFileMetadata(key)) continue;
      out.Text("comment ");
      out.Text(OneLine(value));
      out.Char('\n');
    }
    monitor.SetText("Writing properties...", 0);
    out.Text(FormatText("element vertex %llu\n", static_cast<unsigned long long>(positionTotal)));
    out.Text("property float x\nproperty float y\nproperty float z\n");
    out.Text(FormatText("element face %llu\n", static_cast<unsigned long long>(triangleTotal)));
    out.Text("property list uchar int vertex_indices\n");
    out.Text(
        "property uchar red\nproperty uchar green\nproperty uchar blue\nproperty uchar alpha\n");
    out.Text("end_header\n");
    monitor.SetText("Arranging data...", 0);
    result = WriteBody(out, monitor, model);
    if (!out.Finish() && result == kStatusDone) result = kStatusFailed;
  } catch (const std::bad_alloc&) {
    result = kStatusFailed;
  }
  file.Close();
  if (result == kStatusDone) monitor.SetFraction(1.0);
  return result;
}

}  // namespace torvane
