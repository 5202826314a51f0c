// ConvertDocumentToModel: the first step of saving (and of the autosave).
// Every live object with at least four vertices becomes one mesh: its
// transform, its first vertexCount positions, the corners of its live
// triangles (one index, normal and colour each), its default colour, material and metadata.
#include <algorithm>
#include <string>

#include "core/document.h"
#include "core/live_triangles.h"
#include "core/mesh.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

constexpr uint32_t kPollEvery = 100;
constexpr uint32_t kMinimumVertices = 4;

enum ConvertResult : int { kConverted = 0, kConvertCancelled = 1, kConvertFailed = 2 };

// The corners of triangle k..k+2 all name vertices of the mesh. Removed
// triangles (dead corners) never reach a file.
bool IsWrittenTriangle(const MeshCorner* t, uint32_t vertices) {
  return t[0].vertexIndex < vertices && t[1].vertexIndex < vertices && t[2].vertexIndex < vertices;
}

int CopyCorners(const Mesh& mesh, uint32_t vertices, ImportedMesh& target,
                ProgressMonitor& monitor) {
  const uint32_t cornerCount = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
  const MeshCorner* corners = mesh.corners.data();
  uint32_t live = 0;
  for (uint32_t k = 0; k < cornerCount; k += 3)
    if (IsWrittenTriangle(corners + k, vertices)) live += 3;
  if (!target.indices.ResizeDiscard(live) || !target.normals.ResizeDiscard(live) ||
      !target.colours.ResizeDiscard(live)) {
    return kConvertFailed;
  }
  if (live == 0) return kConverted;
  uint32_t* indices = target.indices.MutableData();
  Vec3* normals = target.normals.MutableData();
  Colour32* colours = target.colours.MutableData();
  uint32_t out = 0;
  for (uint32_t k = 0; k < cornerCount; k += 3) {
    if (k % (kPollEvery * 3) == 0 && monitor.IsCancelled()) return kConvertCancelled;
    if (!IsWrittenTriangle(corners + k, vertices)) continue;
    for (uint32_t i = k; i < k + 3; ++i, ++out) {
      indices[out] = corners[i].vertexIndex;
      normals[out] = corners[i].normal;
      colours[out] = corners[i].colour;
    }
  }
  return kConverted;
}

}  // namespace

int ConvertDocumentToModel(const Document& document, ProgressMonitor& monitor, ImportedModel& model,
                           bool autosave) {
  for (const auto& object : document.objects) {
    if (!object || !IsLive(*object)) continue;
    const Mesh& mesh = object->mesh;
    // A mesh whose triangles were all removed is no object of the file.
    if (mesh.vertexCount < kMinimumVertices || !HasLiveTriangle(mesh)) continue;
    ImportedMesh& target = AppendMesh(model);
    target.position = mesh.position;
    target.rotation = mesh.rotation;
    target.scale = mesh.scale;
    const uint32_t vertexCount = std::min(mesh.vertexCount, mesh.positions.length());
    target.positions = mesh.positions;  // shared until either side writes
    if (!target.positions.ResizeKeep(vertexCount)) return kConvertFailed;

    const int copied = CopyCorners(mesh, vertexCount, target, monitor);
    if (copied != kConverted) return copied;

    // The object's metadata first, so that a colour the user set since the
    // file was read wins over the one the file carried.
    target.metadata = object->metadata;
    if (mesh.lastSetColourValid) {
      target.metadata.SetInt("ObjectDefaultColor", static_cast<int32_t>(mesh.lastSetColour));
    }
    if (mesh.hasMaterial) {
      ImportedMaterial material;
      material.diffuse = mesh.materialDiffuse;
      material.specular = mesh.materialSpecular;
      material.ambient = mesh.materialAmbient;
      material.hasDiffuse = material.hasSpecular = material.hasAmbient = true;
      const uint16_t id = AddMaterial(model, std::move(material)).materialId;
      MaterialRef ref;
      ref.materialId = id;
      ref.firstCorner = 0;
      ref.endCorner = target.indices.length();
      target.materialRefs.push_front(std::move(ref));
    }
  }

  model.upAxis = kUpAxisY;
  model.handedness = kHandednessProgram;
  model.winding = kWindingFirst;
  model.keepNormals = 1;
  // The four autosave keys describe the document's state at the moment of
  // writing; ones left in the metadata by a restored autosave are stale and
  // would reset the type and untitled flag of whoever opens the saved file.
  for (const auto& [key, value] : document.metadata.entries()) {
    if (key == "TVXbHaveChanges" || key == "TVXbUntitled" || key == "TVXiFileType" ||
        key == "TVXszFilePath")
      continue;
    model.properties.Set(key, value);
  }
  if (autosave) {
    const std::string yes = "1", no = "0";
    model.properties.Set("TVXbHaveChanges", HasChanges(document) ? yes : no);
    model.properties.Set("TVXbUntitled", document.untitled ? yes : no);
    model.properties.SetInt("TVXiFileType", static_cast<int32_t>(document.fileType));
    model.properties.Set("TVXszFilePath", document.filePath);
  }
  return kConverted;
}

}  // namespace torvane
