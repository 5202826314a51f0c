// PLY: Stanford polygon files.
//
// ReadPly reads ASCII, binary little-endian and binary big-endian files into
// one mesh: positions, triangles fanned from the faces, and colours per
// vertex or per face corner when the file has colour channels; header
// comments become the document properties "Comment1", "Comment2", ...
// WritePly writes every mesh into one binary little-endian file with one
// RGBA colour per face; each point (x, y, z) is written as (x, z, y) after
// its mesh transform.
#pragma once

#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct ImportedModel;

LoadResult ReadPly(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int WritePly(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

}  // namespace torvane
