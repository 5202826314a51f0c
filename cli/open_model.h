// Opening and saving a model the way the program's Open and Save As do, for
// every torvane-cli subcommand: a fresh Document filled through
// LoadModelFile and the conversion into the document; a save through the
// conversion from the document and SaveModelFile (format by extension).
// Messages are the program's own texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/terminal_progress.h"
#include "core/document.h"
#include "core/progress_monitor.h"
#include "core/status.h"
#include "formats/document_file_io.h"

namespace torvane {

// Process exit codes of every subcommand.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitCancelled = 1;
inline constexpr int kExitFailure = 2;

struct OpenOutcome {
  LoadResult result = kFailed;
  int32_t fileType = 0;        // the model's file type code (11 unknown)
  uint32_t failureReason = 0;  // the reader's, 2 = out of memory
  bool noMeshes = false;       // loaded, but the document holds no object
};

// Loads `path` into `document` (which must be empty). Sets the progress
// heading "Opening %s" and the stages "Loading %s" and "Completed".
OpenOutcome OpenModel(const std::string& path, ProgressMonitor& monitor, Document& document);

// The message the program shows for an outcome; empty when there is none.
std::string OpenMessage(const OpenOutcome& outcome, const std::string& path);

// The exit code of an outcome: 0 loaded with objects, 1 cancelled, 2 else.
int OpenExitCode(const OpenOutcome& outcome);

// Writes the live objects of `document` to `path` in the format of its
// extension. 0 written, 1 cancelled, 2 failed.
LoadResult SaveModel(const Document& document, const std::string& path, ProgressMonitor& monitor);

// Saves as SaveModel does under the command's terminal progress and turns the
// result into the exit code: "Cancelled" (1) or "torvane-cli COMMAND: could
// not save 'PATH'" (2) on stderr, 0 when written.
int SaveForCommand(const Document& document, const std::string& path, TerminalProgress& progress,
                   std::string_view command);

}  // namespace torvane
