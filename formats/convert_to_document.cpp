// ConvertModelToDocument: the last step of loading. Each mesh of the model
// becomes a scene object (corners from indices, normals and colours, the
// material of its first reference), then the model's document properties
// are applied.
//
// Meshes of fewer than four triangles are refused by the document and
// skipped. An index outside the positions fails the import; objects made
// before a failure stay, while a cancelled import removes what it added.
//
// MoveModelIntoDocument does the same with the model's arrays: positions
// are handed to the meshes, everything else is freed once its mesh is made,
// and an object whose origin is reset to its centre has its positions
// centred before its corners are made, so each corner is written once, with
// its final normal.
#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/document.h"
#include "core/mesh.h"
#include "core/scene_object.h"
#include "formats/model_file.h"
#include "platform/large_blocks.h"

namespace torvane {
namespace {

constexpr uint32_t kPollEvery = 100;
// Corners between releases of the model's used-up array fronts (a multiple
// of 3).
constexpr uint32_t kReleaseEvery = 3 << 18;
constexpr Colour32 kImportFallbackColour = 0xFFDCDCDCu;

enum ConvertResult : int { kConverted = 0, kConvertCancelled = 1, kConvertFailed = 2 };

// How the corners of one mesh are made.
struct FillPlan {
  // The origin is reset to the centre afterwards, which gives every
  // triangle its face normal from the centred positions: FillCorners centres
  // the positions itself and computes those normals in the same pass.
  bool centre = false;
};

// Asks for cancellation and reports the fraction at every 100th corner; k
// is the first of the corners about to be filled, `count` of them.
bool CancelledAt(ProgressMonitor& monitor, uint32_t k, uint32_t count, uint32_t indexCount,
                 double meshShare) {
  const uint32_t poll = (k + kPollEvery - 1) / kPollEvery * kPollEvery;
  if (poll >= k + count) return false;
  if (monitor.IsCancelled()) return true;
  monitor.SetFraction(meshShare * (static_cast<double>(poll) / indexCount));
  return false;
}

// What Reset origin to centre does before it renews the normals: bake, move
// the origin to the centre of the bounds and the positions the other way.
// False when the positions cannot be written.
bool CentrePositions(Mesh& mesh) {
  // The positions private first: after that neither the bake nor the move
  // can fail halfway.
  const uint32_t n = std::min(mesh.vertexCount, mesh.positions.length());
  Vec3* p = n > 0 ? mesh.positions.MutableData() : nullptr;
  if (!p || !BakeTransform(mesh)) return false;
  const Vec3 c = MeshCentre(mesh);
  SetPosition(mesh, c);
  for (uint32_t i = 0; i < n; ++i)
    p[i] = p[i] - c;
  InvalidateBounds(mesh);
  return true;
}

// Fills the object's corners from the mesh; 0, 1 or 2. `outOfMemory` tells
// a failed allocation from bad data.
template <class Source>
int FillCorners(const ImportedModel& model, Source& source, SceneObject& object, Document& document,
                ProgressMonitor& monitor, FillPlan plan, bool& outOfMemory) {
  Mesh& mesh = object.mesh;
  const Colour32 fallback =
      source.metadata.Has("ObjectDefaultColor")
          ? static_cast<Colour32>(source.metadata.GetInt("ObjectDefaultColor"))
          : kImportFallbackColour;
  const uint32_t sourceIndexCount = source.indices.length();
  const uint32_t sourceNormalCount = source.normals.length();
  // Only whole triangles become corners.
  const uint32_t indexCount = sourceIndexCount / 3 * 3;
  mesh.vertexCount = source.positions.length();
  if constexpr (std::is_const_v<Source>) {
    mesh.positions = source.positions;  // shared until either side writes
  } else {
    mesh.positions = std::move(source.positions);
  }
  // Every corner is written below before anything reads it.
  if (!mesh.corners.ResizeForOverwrite(indexCount)) {
    outOfMemory = true;
    return kConvertFailed;
  }
  mesh.cornerCount = indexCount;
  if (indexCount == 0) return kConverted;
  if (plan.centre && !CentrePositions(mesh)) {
    outOfMemory = true;
    return kConvertFailed;
  }

  const uint32_t* indices = source.indices.data();
  const bool hasNormals = !plan.centre && sourceNormalCount == sourceIndexCount;
  const Vec3* normals = source.normals.data();
  const Colour32* colours = source.colours.data();
  const uint32_t colourCount = source.colours.length();
  const bool perCorner = colourCount == sourceIndexCount;
  const bool perVertex = !perCorner && colourCount == mesh.vertexCount;
  MeshCorner* corners = mesh.corners.MutableData();
  const Vec3* positions = mesh.positions.data();
  const uint32_t vertexCount = mesh.vertexCount;
  const double meshShare = std::min(1.0, static_cast<double>(document.objectCount + 1) /
                                             static_cast<double>(model.meshes.size()));

  // Taking the model's arrays over, the front of the per-corner ones goes
  // back to the system as the corners grow, so that the model and the
  // document are never both whole in memory.
  bool release = false;
  if constexpr (!std::is_const_v<Source>) {
    release = source.indices.OwnsStorageAlone() &&
              (!perCorner || source.colours.OwnsStorageAlone()) &&
              (!hasNormals || source.normals.OwnsStorageAlone());
  }
  for (uint32_t k = 0; k < indexCount; k += 3) {
    if (CancelledAt(monitor, k, 3, indexCount, meshShare)) return kConvertCancelled;
    if (release && k % kReleaseEvery == 0 && k > 0) {
      ReleaseReadPages(indices, size_t{k} * sizeof(uint32_t));
      if (perCorner) ReleaseReadPages(colours, size_t{k} * sizeof(Colour32));
      if (hasNormals) ReleaseReadPages(normals, size_t{k} * sizeof(Vec3));
    }
    for (uint32_t j = k; j < k + 3; ++j) {
      const uint32_t index = indices[j];
      if (index >= vertexCount) return kConvertFailed;
      MeshCorner& corner = corners[j];
      corner.vertexIndex = index;
      if (perCorner) {
        corner.colour = colours[j];
      } else if (perVertex) {
        corner.colour = index < colourCount ? colours[index] : kOpaqueBlack;
      } else {
        corner.colour = fallback;
      }
    }
    if (hasNormals) {
      corners[k].normal = normals[k];
      corners[k + 1].normal = normals[k + 1];
      corners[k + 2].normal = normals[k + 2];
    } else {
      const Vec3 n =
          FaceNormal(positions[corners[k].vertexIndex], positions[corners[k + 1].vertexIndex],
                     positions[corners[k + 2].vertexIndex]);
      corners[k].normal = corners[k + 1].normal = corners[k + 2].normal = n;
    }
  }
  return kConverted;
}

void ApplyMaterialOfFirstReference(const ImportedModel& model, const ImportedMesh& source,
                                   Mesh& mesh) {
  if (source.materialRefs.empty()) return;
  const ImportedMaterial* material = FindMaterial(model, source.materialRefs.front().materialId);
  if (!material) return;
  if (material->hasDiffuse) mesh.materialDiffuse = material->diffuse;
  if (material->hasSpecular) mesh.materialSpecular = material->specular;
  if (material->hasAmbient) mesh.materialAmbient = material->ambient;
  mesh.hasMaterial = true;
}

void ApplyDocumentProperties(const ImportedModel& model, Document& document, bool restore) {
  const PropertyBag& properties = model.properties;
  if (restore) {
    if (auto path = properties.Get("TVXszFilePath")) document.filePath = *path;
  }
  if (properties.Has("TVXiFileType")) {
    document.fileType = static_cast<uint32_t>(properties.GetInt("TVXiFileType"));
  }
  if (restore && properties.Has("TVXbHaveChanges")) {
    document.haveChanges = properties.GetBool("TVXbHaveChanges");
  } else {
    ClearSavedFlags(document);
  }
  if (properties.Has("TVXbUntitled")) document.untitled = properties.GetBool("TVXbUntitled");
  for (const auto& [key, value] : properties.entries())
    document.metadata.Set(key, value);
}

// Removes the objects with the given ids (a cancelled import leaves none).
void RemoveObjects(Document& document, const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids)
    RemoveObject(document, id);
}

// Both conversions: with a non-const model its arrays are taken over or
// freed as each mesh is made, so the model and the document are never both
// whole in memory.
template <class Model>
int ConvertModel(Model& model, Document& document, ProgressMonitor& monitor, bool restore) {
  constexpr bool kConsume = !std::is_const_v<Model>;
  // Formats other than the program's own arrive with their transforms
  // baked; each object gets its own centre as origin. The type of the file
  // being read decides, so the caller may record the document's type
  // before or after this step.
  const bool resetOrigin = !restore && model.fileType != kFileTypeTvx;
  std::vector<uint32_t> added;
  for (auto& source : model.meshes) {
    if (!source.positions.data()) continue;
    SceneObject object;
    SetPosition(object.mesh, source.position);
    UpdateWorldMatrix(object);
    SetRotation(object.mesh, source.rotation);
    UpdateWorldMatrix(object);
    SetScale(object.mesh, source.scale);
    UpdateWorldMatrix(object);

    bool outOfMemory = false;
    // The copying conversion leaves the model as it was: its shared
    // positions are centred by Reset origin to centre, on a private copy.
    const FillPlan plan{kConsume && resetOrigin};
    const int filled = FillCorners(model, source, object, document, monitor, plan, outOfMemory);
    if constexpr (kConsume) {
      source.positions.Free();
      source.indices.Free();
      source.normals.Free();
      source.colours.Free();
      if (outOfMemory) model.failureReason = kFailureOutOfMemory;
    }
    if (filled == kConvertCancelled) {
      RemoveObjects(document, added);
      return kConvertCancelled;
    }
    if (filled != kConverted) return kConvertFailed;

    ApplyMaterialOfFirstReference(model, source, object.mesh);
    object.metadata = source.metadata;
    object.mesh.unsavedChange = false;
    if (resetOrigin) {
      if (plan.centre) {
        // Centred and given their face normals while the corners were made:
        // what remains of Reset origin to centre is marking the change.
        if (TriangleCount(object.mesh) > 0) MarkChanged(object.mesh);
      } else if (!ResetOriginToCentre(object.mesh)) {
        // The private copy of the shared positions could not be made.
        if constexpr (kConsume) model.failureReason = kFailureOutOfMemory;
        return kConvertFailed;
      }
      UpdateWorldMatrix(object);
    }
    // The renderer builds the render arrays and applies the material when it
    // first draws the object (it is marked stale); building them here would
    // only be thrown away.
    const uint32_t id = AddImportedObject(document, object);
    if (id != kNoObjectId) added.push_back(id);
  }
  ApplyDocumentProperties(model, document, restore);
  return kConverted;
}

}  // namespace

int ConvertModelToDocument(const ImportedModel& model, Document& document, ProgressMonitor& monitor,
                           bool restore) {
  return ConvertModel(model, document, monitor, restore);
}

int MoveModelIntoDocument(ImportedModel& model, Document& document, ProgressMonitor& monitor,
                          bool restore) {
  return ConvertModel(model, document, monitor, restore);
}

}  // namespace torvane
