// The entry points every model file passes through.
//
// LoadModelFile picks the reader from the file name's extension, runs it, and
// turns the result to the program's axes and winding (Y up, its own
// handedness), bakes transforms and recomputes normals where the format asks
// for it. ConvertModelToDocument then adds one object per mesh. Saving runs
// the other way: ConvertDocumentToModel builds a model from the scene and
// SaveModelFile writes it through a temporary file that replaces the target
// only when the writer succeeded.
//
// Results are LoadResult codes: 0 done, 1 cancelled, 2 failed.
#pragma once

#include <string>

#include "core/document.h"
#include "core/progress_monitor.h"
#include "core/status.h"
#include "formats/imported_model.h"

namespace torvane {

// Descriptor for the extension of `path` (ASCII case ignored); the unknown
// row for anything else.
FormatDescriptor DetectFormat(const std::string& path);

// Text of the file information dialog; empty for codes outside 0..7.
std::string FormatDescription(int32_t fileType);

// What a load does with normals that the caller rebuilds anyway.
enum class LoadNormals {
  kBuild,  // every mesh comes with the normals its format asks for
  // The model goes into a document with each object's origin reset to its
  // centre (not restoring an autosave), which gives every triangle its face
  // normal: normals of formats other than TVX are neither kept nor
  // recomputed, and readers may skip the file's normals.
  kLeaveToDocument,
};

// Fills `model` (fresh on entry) from the file; the first form builds the
// normals.
LoadResult LoadModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
LoadResult LoadModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                         LoadNormals normals);

// Writes `model` (built by ConvertDocumentToModel) to `path`; the model's
// transforms may be baked by the call.
LoadResult SaveModelFile(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

// Adds one object per mesh of `model` to `document`, then applies the
// model's document properties. `restore` is set only while an autosave file
// is being restored. 0 done, 1 cancelled, 2 bad data or exhausted memory;
// objects converted before a failure stay in the document.
int ConvertModelToDocument(const ImportedModel& model, Document& document, ProgressMonitor& monitor,
                           bool restore);

// The same, taking the model's arrays over as it goes: the model is left
// without positions, indices, normals or colours. Memory the conversion
// cannot allocate sets the model's failure reason to kFailureOutOfMemory.
int MoveModelIntoDocument(ImportedModel& model, Document& document, ProgressMonitor& monitor,
                          bool restore);

// Builds `model` (fresh on entry) from the live objects of `document`.
// `autosave` adds the document's file state to the model's properties.
int ConvertDocumentToModel(const Document& document, ProgressMonitor& monitor, ImportedModel& model,
                           bool autosave);

}  // namespace torvane
