// STL: reading and writing both forms of STL files, with the colour
// conventions of colour STL (per-facet attribute words, "COLOR=" and
// "MATERIAL=" in the binary header).
//
// Readers: the file is parsed into a facet array (progress 0 to 0.5) and
// BuildStlMesh turns it into the model's first mesh (0.5 to 1). The data stay
// in the file's axes; the load step turns them to the program's.
// Writers: PrepareStlFacets bakes every mesh's transform and turns a program
// point (x, y, z) into the file's (-x, -z, y).
// Every function answers 0 done, 1 cancelled, 2 failed.
#pragma once

#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"
#include "formats/imported_model.h"
#include "formats/stl/stl_facet.h"

namespace torvane {

LoadResult ReadStlAscii(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
LoadResult ReadStlBinary(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

// Turns the facets into the model's first mesh: shared vertices found among
// the 10000 newest unique positions, facet normals and colours on the corners.
LoadResult BuildStlMesh(ProgressMonitor& monitor, ImportedModel& model,
                        const StlFacetArray& facets);

// The two steps both readers take: `parse` reads the facets in the first
// half of the progress, BuildStlMesh builds the mesh in the second, and the
// model takes `fileType` when both succeed.
using StlFacetParser = LoadResult (*)(const std::string& path, ProgressMonitor& monitor,
                                      ImportedModel& model, StlFacetArray& facets);
LoadResult ParseAndBuildStl(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                            StlFacetParser parse, int32_t fileType);

// The facet array for writing, from every mesh with at least one triangle.
int PrepareStlFacets(ProgressMonitor& monitor, const ImportedModel& model, StlFacetArray& facets);

// The 80 header bytes of a binary STL file for this model.
std::string StlBinaryHeader(const ImportedModel& model);

int WriteStlAscii(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int WriteStlBinary(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

}  // namespace torvane
