// TVX: the program's own model file and the autosave file.
//
// ReadTvx fills a fresh ImportedModel from a TVX file (Loaded, Cancelled or
// Failed); WriteTvx writes an ImportedModel built from the scene (0 written,
// 1 cancelled, 2 failed). Transforms stay separate from the positions, and
// per-corner normals and colours are kept exactly.
#pragma once

#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct ImportedModel;

LoadResult ReadTvx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int WriteTvx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

// Name (without folder) of the autosave file of a document:
// "<file name>.autosave.tvx", e.g. "model.stl" -> "model.stl.autosave.tvx".
// Empty when the document path has no file name part: such a document is
// never autosaved.
std::string AutosaveFileName(const std::string& documentPath);

}  // namespace torvane
