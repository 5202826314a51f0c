// Writes an ImportedModel as a TVX file.
//
// Input: a model built from the scene (transforms not baked, one normal and
// one colour per corner). Output: the TVX file at `path`: header, root chunk
// with the document properties and one object chunk per mesh, trailing
// magic. Each chunk's length is written as 0 and patched when the chunk
// closes. Small values collect in a buffer; the large arrays go to the file
// in big blocks.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "formats/bytes/byte_order.h"
#include "formats/imported_model.h"
#include "formats/textio/output_buffer.h"
#include "formats/tvx/tvx.h"
#include "formats/tvx/tvx_chunks.h"
#include "platform/file_handle.h"

namespace torvane {
namespace {

static_assert(std::endian::native == std::endian::little,
              "TVX arrays are copied straight between memory and file");

using namespace tvx;

constexpr size_t kCornerBlock = 1 << 14;  // corner records per block
constexpr Colour32 kFallbackColour = 0xFFDCDCDC;

// Chunks over the buffered output: a chunk's length is patched when it
// closes, in the buffer or, once flushed, in the file.
class TvxOutput {
 public:
  explicit TvxOutput(OutputBuffer& out) : out_(out) {}

  bool ok() const { return out_.ok(); }
  uint64_t Offset() const { return out_.Offset(); }
  void Put(const void* data, size_t n) { out_.Bytes(data, n); }
  void PutU16(uint16_t value) { out_.U16(value); }
  void PutU32(uint32_t value) { out_.U32(value); }

  // Starts a chunk with length 0; returns where its header begins.
  uint64_t OpenChunk(uint16_t id, uint16_t kind) {
    const uint64_t at = Offset();
    PutHeader(id, kind, 0);
    return at;
  }

  void CloseChunk(uint64_t at) {
    unsigned char length[8];
    StoreLittleEndian<uint64_t>(length, Offset() - at - kChunkHeaderBytes);
    out_.Patch(at + 4, length, sizeof(length));
  }

  void PutHeader(uint16_t id, uint16_t kind, uint64_t length) {
    out_.U16(id);
    out_.U16(kind);
    out_.U64(length);
  }

  void PutU32Chunk(uint16_t id, uint32_t value) {
    PutHeader(id, kKindU32, sizeof(value));
    out_.U32(value);
  }
  void PutF32Chunk(uint16_t id, float value) {
    PutHeader(id, kKindF32, sizeof(value));
    out_.F32(value);
  }
  void PutByteChunk(uint16_t id, bool value) {
    PutHeader(id, kKindByte, 1);
    out_.U8(value ? 1 : 0);
  }
  void PutTextChunk(uint16_t id, const std::string& text) {
    PutHeader(id, kKindText, text.size() + 1);
    out_.Bytes(text.c_str(), text.size() + 1);
  }

 private:
  OutputBuffer& out_;
};

bool IsAutosaveKey(const std::string& key) {
  return key == kKeyFilePath || key == kKeyFileType || key == kKeyHaveChanges ||
         key == kKeyUntitled;
}

void WriteDocumentProperties(TvxOutput& out, const PropertyBag& properties) {
  if (auto path = properties.Get(kKeyFilePath)) out.PutTextChunk(kFilePath, *path);
  if (properties.Has(kKeyFileType)) {
    out.PutU32Chunk(kFileType, static_cast<uint32_t>(properties.GetInt(kKeyFileType)));
  }
  if (properties.Has(kKeyHaveChanges)) {
    out.PutByteChunk(kHaveChanges, properties.GetBool(kKeyHaveChanges));
  }
  if (properties.Has(kKeyUntitled)) out.PutByteChunk(kUntitled, properties.GetBool(kKeyUntitled));
  for (const auto& [key, value] : properties.entries()) {
    if (!IsAutosaveKey(key)) out.PutTextChunk(kDocumentProperty, key + "=" + value);
  }
}

// The corner records: index, normal and colour of every corner. A mesh
// without normals gets its face normals; colours follow the same rule as
// the conversion into the document (per corner, per position, else the
// mesh's default colour). Returns 1 when cancelled, 2 on a corner that
// names no position (such a file could not be read back).
int WriteCorners(TvxOutput& out, ProgressMonitor& monitor, const ImportedMesh& mesh) {
  const uint32_t cornerCount = mesh.indices.length();
  const uint32_t positionCount = mesh.positions.length();
  const uint32_t* indices = mesh.indices.data();
  const Vec3* positions = mesh.positions.data();
  const Vec3* normals = mesh.normals.length() == cornerCount ? mesh.normals.data() : nullptr;
  const Colour32* colours = mesh.colours.data();
  const uint32_t colourCount = mesh.colours.length();
  const Colour32 fallback = mesh.metadata.Has(kKeyDefaultColour)
                                ? static_cast<Colour32>(mesh.metadata.GetInt(kKeyDefaultColour))
                                : kFallbackColour;

  const uint64_t chunk = out.OpenChunk(kCorners, kKindRaw);
  std::vector<unsigned char> block(kCornerBlock * kCornerBytes);
  for (uint32_t first = 0; first < cornerCount; first += kCornerBlock) {
    if (monitor.IsCancelled()) return kStatusCancelled;
    const uint32_t n = std::min<uint32_t>(kCornerBlock, cornerCount - first);
    unsigned char* record = block.data();
    for (uint32_t k = first; k < first + n; ++k, record += kCornerBytes) {
      const uint32_t index = indices[k];
      if (index >= positionCount) return kStatusFailed;
      Vec3 normal;
      if (normals) {
        normal = normals[k];
      } else {
        const uint32_t t = k - k % 3;
        if (t + 2 < cornerCount && indices[t + 1] < positionCount &&
            indices[t + 2] < positionCount) {
          normal = FaceNormal(positions[indices[t]], positions[indices[t + 1]],
                              positions[indices[t + 2]]);
        }
      }
      Colour32 colour = fallback;
      if (colourCount == cornerCount) {
        colour = colours[k];
      } else if (colourCount == positionCount) {
        colour = colours[index];
      }
      StoreLittleEndian(record, index);
      StoreLittleEndian(record + 4, normal.x);
      StoreLittleEndian(record + 8, normal.y);
      StoreLittleEndian(record + 12, normal.z);
      StoreLittleEndian(record + 16, colour);
    }
    out.Put(block.data(), size_t{n} * kCornerBytes);
  }
  out.CloseChunk(chunk);
  return kStatusDone;
}

void WriteMaterial(TvxOutput& out, const ImportedModel& model, const ImportedMesh& mesh) {
  for (const MaterialRef& ref : mesh.materialRefs) {
    const ImportedMaterial* material = FindMaterial(model, ref.materialId);
    if (!material) continue;
    if (material->hasAmbient) out.PutU32Chunk(kMaterialAmbient, material->ambient);
    if (material->hasDiffuse) out.PutU32Chunk(kMaterialDiffuse, material->diffuse);
    if (material->hasSpecular) out.PutU32Chunk(kMaterialSpecular, material->specular);
    return;
  }
}

int WriteObject(TvxOutput& out, ProgressMonitor& monitor, const ImportedModel& model,
                const ImportedMesh& mesh) {
  const uint64_t object = out.OpenChunk(kObject, kKindContainer);

  const uint64_t data = out.OpenChunk(kMeshData, kKindContainer);
  const uint64_t positions = out.OpenChunk(kPositions, kKindRaw);
  out.Put(mesh.positions.data(), size_t{mesh.positions.length()} * kPositionBytes);
  out.CloseChunk(positions);
  const int corners = WriteCorners(out, monitor, mesh);
  if (corners != kStatusDone) return corners;
  if (mesh.metadata.Has(kKeyDefaultColour)) {
    out.PutU32Chunk(kDefaultColour, static_cast<uint32_t>(mesh.metadata.GetInt(kKeyDefaultColour)));
  }
  if (auto comment = mesh.metadata.Get(kKeyObjectComment)) {
    out.PutTextChunk(kObjectComment, *comment);
  }
  WriteMaterial(out, model, mesh);
  out.CloseChunk(data);

  const uint64_t transform = out.OpenChunk(kTransform, kKindContainer);
  out.PutF32Chunk(kTranslationX, mesh.position.x);
  out.PutF32Chunk(kTranslationY, mesh.position.y);
  out.PutF32Chunk(kTranslationZ, mesh.position.z);
  out.PutF32Chunk(kRotationX, mesh.rotation.x);
  out.PutF32Chunk(kRotationY, mesh.rotation.y);
  out.PutF32Chunk(kRotationZ, mesh.rotation.z);
  out.PutF32Chunk(kScaleX, mesh.scale.x);
  out.PutF32Chunk(kScaleY, mesh.scale.y);
  out.PutF32Chunk(kScaleZ, mesh.scale.z);
  out.CloseChunk(transform);

  for (const auto& [key, value] : mesh.metadata.entries()) {
    out.PutTextChunk(kMeshProperty, key + "=" + value);
  }
  out.CloseChunk(object);
  return kStatusDone;
}

}  // namespace

int WriteTvx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  FileHandle file;
  if (!file.OpenWrite(path)) return kStatusFailed;
  OutputBuffer buffer(file);
  TvxOutput out(buffer);

  out.PutU32(kMagic);
  out.PutU16(kHeaderOne);
  out.PutU32(kHeaderSize32);
  out.PutU16(kVersionWritten);
  const uint64_t root = out.OpenChunk(kRoot, kKindContainer);
  WriteDocumentProperties(out, model.properties);

  const double meshCount = static_cast<double>(std::max<size_t>(model.meshes.size(), 1));
  size_t done = 0;
  for (const ImportedMesh& mesh : model.meshes) {
    if (monitor.IsCancelled()) return kStatusCancelled;
    monitor.SetFraction(static_cast<double>(done++) / meshCount);
    if (mesh.positions.empty()) continue;
    const int result = WriteObject(out, monitor, model, mesh);
    if (result != kStatusDone) return result;
    if (!out.ok()) return kStatusFailed;
  }

  out.CloseChunk(root);
  out.PutU32(kMagic);
  const bool written = buffer.Finish();
  file.Close();
  return written ? kStatusDone : kStatusFailed;
}

}  // namespace torvane
