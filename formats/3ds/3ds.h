// 3DS: 3D Studio chunk files (geometry only).
//
// Read3ds makes one mesh per named triangle object ("ObjectName" metadata),
// with positions and triangles, and gives a mesh the first position key of
// its keyframer node as its translation. Write3ds writes every mesh as an
// object "Object %i"; a mesh with 0xFFFF or more triangles or positions is
// cut into parts of at most 21845 unshared triangles, because the format
// counts both in 16 bits. Materials, colours and texture coordinates are
// neither read nor written.
#pragma once

#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct ImportedModel;

LoadResult Read3ds(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int Write3ds(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

}  // namespace torvane
