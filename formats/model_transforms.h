// The conversions the load and save steps apply to a whole ImportedModel:
// turning Z-up data to Y-up, mirrored data to the program's handedness,
// baking each mesh's transform into its positions, and recomputing normals
// from the triangles.
#pragma once

#include "core/progress_monitor.h"
#include "core/status.h"
#include "formats/imported_model.h"

namespace torvane {

// Z up (3) becomes Y up (2): 270 degrees more about X on every mesh.
void ConvertUpAxis(ImportedModel& model);

// Mirrored data (6) is mirrored back in X (which turns the winding over);
// then data in the program's handedness with the second winding has its
// triangles' last two corners swapped.
void ConvertHandedness(ImportedModel& model);

// Swaps the second and third corner of every triangle of every mesh.
void SwapCornerOrder(ImportedModel& model);

// Folds every mesh's non-identity transform into its positions (and, when the
// model keeps its normals, into the normals as directions).
LoadResult BakeModelTransforms(ImportedModel& model, ProgressMonitor& monitor);

// Gives every corner its triangle's face normal; failure reason 2 when the
// normals cannot be allocated.
LoadResult RecomputeModelNormals(ImportedModel& model, ProgressMonitor& monitor);

}  // namespace torvane
