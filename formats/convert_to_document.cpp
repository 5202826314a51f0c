// ConvertModelToDocument: the last step of loading. Each mesh of the model
// becomes a scene object (corners from indices, normals and colours, the
// material of its first reference), then the model's document properties
// are applied.
//
// Meshes of fewer than four triangles are refused by the document and
// skipped. An index outside the positions fails the import; objects made
// before a failure stay, while a cancelled import removes what it added.
#include <algorithm>
#include <vector>

#include "core/document.h"
#include "core/mesh.h"
#include "core/scene_object.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

constexpr uint32_t kPollEvery = 100;
constexpr Colour32 kImportFallbackColour = 0xFFDCDCDCu;

enum ConvertResult : int { kConverted = 0, kConvertCancelled = 1, kConvertFailed = 2 };

// Fills the object's corners from the mesh; 0, 1 or 2.
int FillCorners(const ImportedModel& model, const ImportedMesh& source, SceneObject& object,
                Document& document, ProgressMonitor& monitor) {
  Mesh& mesh = object.mesh;
  const Colour32 fallback =
      source.metadata.Has("ObjectDefaultColor")
          ? static_cast<Colour32>(source.metadata.GetInt("ObjectDefaultColor"))
          : kImportFallbackColour;
  mesh.positions = source.positions;  // shared until either side writes
  mesh.vertexCount = source.positions.length();
  // Only whole triangles become corners.
  const uint32_t indexCount = source.indices.length() / 3 * 3;
  if (!mesh.corners.ResizeDiscard(indexCount)) return kConvertFailed;
  mesh.cornerCount = indexCount;
  if (indexCount == 0) return kConverted;

  const uint32_t* indices = source.indices.data();
  const bool hasNormals = source.normals.length() == source.indices.length();
  const Vec3* normals = source.normals.data();
  const Colour32* colours = source.colours.data();
  const uint32_t colourCount = source.colours.length();
  const bool perCorner = colourCount == source.indices.length();
  const bool perVertex = !perCorner && colourCount == mesh.vertexCount;
  MeshCorner* corners = mesh.corners.MutableData();
  const double meshShare = std::min(1.0, static_cast<double>(document.objectCount + 1) /
                                             static_cast<double>(model.meshes.size()));

  for (uint32_t k = 0; k < indexCount; ++k) {
    if (k % kPollEvery == 0) {
      if (monitor.IsCancelled()) return kConvertCancelled;
      monitor.SetFraction(meshShare * (static_cast<double>(k) / indexCount));
    }
    const uint32_t index = indices[k];
    if (index >= mesh.vertexCount) return kConvertFailed;
    MeshCorner& corner = corners[k];
    corner.vertexIndex = index;
    if (hasNormals) corner.normal = normals[k];
    if (perCorner) {
      corner.colour = colours[k];
    } else if (perVertex) {
      corner.colour = index < colourCount ? colours[index] : kOpaqueBlack;
    } else {
      corner.colour = fallback;
    }
  }
  if (!hasNormals) {
    const Vec3* positions = mesh.positions.data();
    for (uint32_t k = 0; k + 2 < indexCount; k += 3) {
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

}  // namespace

int ConvertModelToDocument(const ImportedModel& model, Document& document, ProgressMonitor& monitor,
                           bool restore) {
  std::vector<uint32_t> added;
  for (const ImportedMesh& source : model.meshes) {
    if (!source.positions.data()) continue;
    SceneObject object;
    SetPosition(object.mesh, source.position);
    UpdateWorldMatrix(object);
    SetRotation(object.mesh, source.rotation);
    UpdateWorldMatrix(object);
    SetScale(object.mesh, source.scale);
    UpdateWorldMatrix(object);

    const int filled = FillCorners(model, source, object, document, monitor);
    if (filled == kConvertCancelled) {
      RemoveObjects(document, added);
      return kConvertCancelled;
    }
    if (filled != kConverted) return kConvertFailed;

    ApplyMaterialOfFirstReference(model, source, object.mesh);
    object.metadata = source.metadata;
    object.mesh.unsavedChange = false;
    // Formats other than the program's own arrive with their transforms
    // baked; give each object its own centre as origin. The type of the file
    // being read decides, so the caller may record the document's type
    // before or after this step.
    if (!restore && model.fileType != kFileTypeTvx) {
      ResetOriginToCentre(object.mesh);
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

}  // namespace torvane
