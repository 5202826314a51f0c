// LoadModelFile and SaveModelFile: dispatch by extension to the readers and
// writers, and the axis, winding, transform and normal conversions around
// them.
#include "formats/model_file.h"

#include "formats/3ds/3ds.h"
#include "formats/3mf/3mf.h"
#include "formats/fbx/fbx.h"
#include "formats/model_transforms.h"
#include "formats/obj/obj.h"
#include "formats/ply/ply.h"
#include "formats/safe_save.h"
#include "formats/stl/stl.h"
#include "formats/tvx/tvx.h"
#include "platform/file_handle.h"

namespace torvane {
namespace {

using ReaderFunction = LoadResult (*)(const std::string&, ProgressMonitor&, ImportedModel&);
using WriterFunction = int (*)(const std::string&, ProgressMonitor&, ImportedModel&);

// An STL file is tried as text first; anything that is not text STL gets
// a second chance as binary, on a model without the text attempt's meshes.
LoadResult ReadStl(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  const LoadResult ascii = ReadStlAscii(path, monitor, model);
  if (ascii != kFailed) return ascii;
  model.meshes.clear();
  model.materials.clear();
  model.materialCounter = 0;
  return ReadStlBinary(path, monitor, model);
}

struct FormatEntry {
  int32_t fileType;
  ReaderFunction read;   // null: the format cannot be read
  WriterFunction write;  // null: the format cannot be written
};

// Formats without an entry (STEP, unknown) and null functions fail.
constexpr FormatEntry kFormats[] = {
    {kFileTypeTvx, ReadTvx, WriteTvx},
    {kFileTypeStlAscii, ReadStl, WriteStlAscii},
    {kFileTypeStlBinary, ReadStl, WriteStlBinary},
    {kFileType3ds, Read3ds, Write3ds},
    {kFileTypeObj, ReadObj, WriteObj},
    {kFileType3mf, Read3mf, Write3mf},
    {kFileTypePly, ReadPly, WritePly},
    {kFileTypeFbx, ReadFbx, nullptr},
};

const FormatEntry* FindFormat(int32_t fileType) {
  for (const FormatEntry& entry : kFormats)
    if (entry.fileType == fileType) return &entry;
  return nullptr;
}

}  // namespace

LoadResult LoadModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                         LoadNormals normals) {
  SetDescriptor(model, DetectFormat(path));
  if (model.fileType == kFileTypeUnknown) return kFailed;
  // A FIFO or a device named like a model would hang or grow a reader for
  // ever (the 3MF reader's archive library opens the path itself).
  if (!IsRegularFile(path)) return kFailed;
  const bool normalsRebuilt =
      normals == LoadNormals::kLeaveToDocument && model.fileType != kFileTypeTvx;
  model.fileNormalsUnused = normalsRebuilt;
  const FormatEntry* format = FindFormat(model.fileType);
  if (!format || !format->read) return kFailed;
  const LoadResult read = format->read(path, monitor, model);
  if (read != kLoaded) return read;
  if (monitor.IsCancelled()) return kCancelled;

  ConvertUpAxis(model);
  ConvertHandedness(model);
  if (model.fileType != kFileTypeTvx) {
    const LoadResult baked = BakeModelTransforms(model, monitor);
    if (baked != kLoaded) return baked;
  }
  if (!model.keepNormals && !normalsRebuilt) return RecomputeModelNormals(model, monitor);
  return kLoaded;
}

LoadResult LoadModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  return LoadModelFile(path, monitor, model, LoadNormals::kBuild);
}

LoadResult SaveModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  const FormatDescriptor descriptor = DetectFormat(path);
  const FormatEntry* format = FindFormat(descriptor.fileType);
  if (!format || !format->write) return kFailed;

  if (descriptor.fileType == kFileType3ds) {
    if (const LoadResult baked = BakeModelTransforms(model, monitor); baked != kLoaded)
      return baked;
    for (ImportedMesh& mesh : model.meshes) {
      mesh.rotation.y += 180.0f;
      mesh.rotation.x += 90.0f;
      mesh.scale.y = -mesh.scale.y;
    }
    if (const LoadResult baked = BakeModelTransforms(model, monitor); baked != kLoaded)
      return baked;
  } else if (descriptor.fileType == kFileType3mf || descriptor.fileType == kFileTypePly) {
    if (const LoadResult baked = BakeModelTransforms(model, monitor); baked != kLoaded)
      return baked;
    for (ImportedMesh& mesh : model.meshes)
      mesh.rotation.y += 180.0f;
  }

  // Writers of mirrored formats mirror the data back; formats with the
  // first winding get their corners swapped first so that triangles facing
  // outwards here face outwards in the file too (the load undoes both).
  if (descriptor.handedness == kHandednessMirroredX && descriptor.winding == kWindingFirst) {
    SwapCornerOrder(model);
  }

  // The writer fills a temporary file that replaces the target only when
  // it succeeded. An OBJ file's MTL file is named after the target, not
  // after the temporary.
  const int written = SaveThroughTemporaryFile(path, [&](const std::string& temporary) {
    if (descriptor.fileType == kFileTypeObj) {
      return WriteObjFiles(temporary, MtlPathFor(path), monitor, model);
    }
    return format->write(temporary, monitor, model);
  });
  monitor.SetFraction(1.0);
  return static_cast<LoadResult>(written);
}

}  // namespace torvane
