// Loading a model file into a document and saving a document to a file: the
// steps the program's Open, Save and autosave share with torvane-cli.
//
// Inputs: the document, a path (format by content on load, by extension on
// save), the progress monitor. Outputs: the document's objects and file
// state, or the written file; what went wrong as a report the callers turn
// into their own messages.
#pragma once

#include <cstdint>
#include <string>

#include "core/document.h"
#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct DocumentLoadReport {
  int32_t fileType = 0;        // the model's file type code
  uint32_t failureReason = 0;  // the reader's (kFailureNormalsMemory: out of memory)
  bool noMeshes = false;       // the document holds no live object afterwards
};

// Loads `path` into `doc`, which must hold no objects (otherwise Failed).
// The document takes the file's path and type before the objects arrive, so
// a native file keeps each object's own transform. `restore` reads an
// autosave: one without its recorded path leaves the document untitled. A
// cancelled load leaves no object behind. Progress stages "Loading NAME" and
// "Completed".
LoadResult LoadFileIntoDocument(Document& doc, ProgressMonitor& monitor, const std::string& path,
                                bool restore, DocumentLoadReport* report);

// Writes the live objects of `doc` to `path` in the format of its extension
// (the autosave form keeps the editing state). 0 written, 1 cancelled,
// 2 failed. Progress heading "Saving NAME".
int SaveDocumentToFile(const Document& doc, ProgressMonitor& monitor, const std::string& path,
                       bool autosave);

// The last component of a path ('/' or '\\' separated).
std::string FileNameOf(const std::string& path);

}  // namespace torvane
