// The exchange records between the scene and every model reader and writer.
//
// A reader fills an ImportedModel (meshes in file order, materials newest
// first, the coordinate conventions of its data); the load step turns it into
// document objects and discards it. A save builds a fresh one from the scene
// and hands it to a writer.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "core/colour32.h"
#include "core/grow_array.h"
#include "core/property_bag.h"
#include "core/vec3.h"
#include "formats/file_types.h"

namespace torvane {

inline constexpr uint16_t kNoMaterial = 0xFFFF;

// What the extension test yields, and the conventions an ImportedModel's data
// follows.
struct FormatDescriptor {
  int32_t fileType = kFileTypeUnknown;
  int32_t upAxis = kUpAxisUnknown;          // 2 Y up, 3 Z up, 0 unknown
  int32_t handedness = kHandednessUnknown;  // 3 the program's, 6 mirrored in X, 0 unknown
  int32_t winding = kWindingUnknown;        // 1 or 2; 0 unknown
  uint8_t keepNormals = 0;                  // 1 keep the file's normals, 0 recompute
};

// A material used by the corners [firstCorner, endCorner) of a mesh.
struct MaterialRef {
  uint16_t materialId = kNoMaterial;
  uint32_t firstCorner = 0;
  uint32_t endCorner = 0;
  GrowArray<float> texCoords;  // u and v per corner of the range; may be empty
};

struct ImportedMaterial {
  PropertyBag metadata;  // "Name" holds the material's name
  uint16_t materialId = kNoMaterial;
  Colour32 ambient = kOpaqueBlack;
  Colour32 diffuse = kOpaqueBlack;
  Colour32 specular = kOpaqueBlack;
  bool hasAmbient = false;
  bool hasDiffuse = false;
  bool hasSpecular = false;
  float shininess = 0.0f;
  std::vector<std::string> textureNames;  // UTF-8

  // The "Name" metadata, "None" when missing.
  std::string Name() const { return metadata.GetOr("Name", "None"); }
};

struct ImportedMesh {
  PropertyBag metadata;  // "ObjectDefaultColor", "ObjectName", ...
  Vec3 position{0.0f, 0.0f, 0.0f};
  Vec3 rotation{0.0f, 0.0f, 0.0f};  // degrees about X, Y, Z
  Vec3 scale{1.0f, 1.0f, 1.0f};
  GrowArray<Vec3> positions;
  GrowArray<uint32_t> indices;  // three per triangle
  GrowArray<Vec3> normals;      // none, or one per corner
  // none, one per corner, or one per position (looked up through the index)
  GrowArray<Colour32> colours;
  std::list<MaterialRef> materialRefs;  // newest first
};

struct ImportedModel {
  PropertyBag properties;
  std::list<ImportedMesh> meshes;         // file order: readers append at the end
  std::list<ImportedMaterial> materials;  // newest first
  int32_t fileType = kFileTypeUnknown;
  int32_t upAxis = kUpAxisUnknown;
  int32_t handedness = kHandednessUnknown;
  int32_t winding = kWindingUnknown;
  uint8_t keepNormals = 0;
  // 0 none; 2 out of memory while building normals; readers may record their
  // own stage values.
  uint32_t failureReason = 0;
  uint16_t materialCounter = 0;  // id of the next material added
  // Set by the load step when every normal is rebuilt from the triangles
  // after loading: a reader may leave the file's normals out.
  bool fileNormalsUnused = false;
};

inline constexpr uint32_t kFailureNone = 0;
inline constexpr uint32_t kFailureNormalsMemory = 2;
// The same code for any allocation a load cannot make: the open reports
// that the model file is too large for the available memory.
inline constexpr uint32_t kFailureOutOfMemory = kFailureNormalsMemory;

inline FormatDescriptor DescriptorOf(const ImportedModel& model) {
  return {model.fileType, model.upAxis, model.handedness, model.winding, model.keepNormals};
}

inline void SetDescriptor(ImportedModel& model, const FormatDescriptor& d) {
  model.fileType = d.fileType;
  model.upAxis = d.upAxis;
  model.handedness = d.handedness;
  model.winding = d.winding;
  model.keepNormals = d.keepNormals;
}

// Document properties that belong to other formats or to the autosave: a
// writer of file metadata (PLY comments, 3MF metadata) leaves them out.
inline bool IsKeptOutOfFileMetadata(std::string_view key) {
  return key.starts_with("Model:") || key.starts_with("BuildItem:") ||
         key.starts_with("Component:") || key == "TVXszFilePath" || key == "TVXiFileType" ||
         key == "TVXbHaveChanges";
}

// Appends an empty mesh at the end of the model's list and returns it.
inline ImportedMesh& AppendMesh(ImportedModel& model) {
  return model.meshes.emplace_back();
}

// Gives the material the next id from the model's counter, pushes it at the
// front of the material list and returns the stored material.
inline ImportedMaterial& AddMaterial(ImportedModel& model, ImportedMaterial material) {
  material.materialId = model.materialCounter++;
  model.materials.push_front(std::move(material));
  return model.materials.front();
}

// The material with this id, or null.
inline const ImportedMaterial* FindMaterial(const ImportedModel& model, uint16_t id) {
  for (const ImportedMaterial& m : model.materials)
    if (m.materialId == id) return &m;
  return nullptr;
}

}  // namespace torvane
