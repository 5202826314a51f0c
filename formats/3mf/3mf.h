// 3MF: 3D Manufacturing packages (a zip archive holding an XML model part).
//
// Read3mf finds the model part (the one the package's root relationships
// name, else the first ".model" entry), parses it as it comes out of the
// archive (never onto disk, nor whole into memory) and turns every object
// with triangles into a mesh, with
// colours from colour groups, base materials and colour elements, build item
// transforms applied, and the attributes and metadata the program does not
// use kept as properties so that a save writes them back. Write3mf builds
// the package's three parts in a temporary folder and zips them; each point
// (x, y, z) is written as (x, z, y) after its mesh transform.
#pragma once

#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct ImportedModel;

LoadResult Read3mf(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int Write3mf(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

// The relationship type that names a package's 3D model part.
inline constexpr char k3mfModelRelationship[] =
    "http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel";

}  // namespace torvane
