// Shared part of the STL fuzz targets: the input is written to a private
// in-memory file, read by one reader, and whatever loads is converted into a
// document, the path every opened file takes.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/document.h"
#include "core/null_progress.h"
#include "formats/model_file.h"
#include "formats/model_transforms.h"

namespace torvane {

using FuzzReader = LoadResult (*)(const std::string&, ProgressMonitor&, ImportedModel&);

inline int FuzzOneInput(FuzzReader reader, const uint8_t* data, size_t size) {
  static const int fd = memfd_create("torvane-fuzz", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    return 0;
  }
  NullProgress progress;
  ImportedModel model;
  if (reader(path, progress, model) != kLoaded) return 0;
  ConvertUpAxis(model);
  ConvertHandedness(model);
  if (BakeModelTransforms(model, progress) != kLoaded) return 0;
  if (RecomputeModelNormals(model, progress) != kLoaded) return 0;
  Document document;
  ConvertModelToDocument(model, document, progress, false);
  return 0;
}

}  // namespace torvane
