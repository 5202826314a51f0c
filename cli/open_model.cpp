// OpenModel and SaveModel: the load and save paths shared by the subcommands.
#include "cli/open_model.h"

#include <cstdio>

#include "formats/document_file_io.h"
#include "formats/imported_model.h"

namespace torvane {

OpenOutcome OpenModel(const std::string& path, ProgressMonitor& monitor, Document& document) {
  monitor.SetText("Opening " + FileNameOf(path), 0);
  DocumentLoadReport report;
  OpenOutcome outcome;
  outcome.result = LoadFileIntoDocument(document, monitor, path, /*restore=*/false, &report);
  outcome.fileType = report.fileType;
  outcome.failureReason = report.failureReason;
  if (outcome.result == kLoaded) {
    document.untitled = false;
    outcome.noMeshes = report.noMeshes;
  }
  return outcome;
}

std::string OpenMessage(const OpenOutcome& outcome, const std::string& path) {
  if (outcome.result == kFailed) {
    if (outcome.failureReason == kFailureNormalsMemory) {
      return "The model file is too large to load into the available memory.";
    }
    return "There has been an error opening the file:\n\n" + path;
  }
  if (outcome.result == kLoaded && outcome.noMeshes) {
    return "The opened file doesn't contain any model meshes.";
  }
  return {};
}

int OpenExitCode(const OpenOutcome& outcome) {
  if (outcome.result == kCancelled) return kExitCancelled;
  if (outcome.result != kLoaded || outcome.noMeshes) return kExitFailure;
  return kExitSuccess;
}

LoadResult SaveModel(const Document& document, const std::string& path, ProgressMonitor& monitor) {
  monitor.SetText("", 1);
  return static_cast<LoadResult>(SaveDocumentToFile(document, monitor, path, /*autosave=*/false));
}

int SaveForCommand(const Document& document, const std::string& path, TerminalProgress& progress,
                   std::string_view command) {
  const LoadResult saved = SaveModel(document, path, progress);
  progress.Clear();
  if (saved == kCancelled) {
    std::fprintf(stderr, "Cancelled\n");
    return kExitCancelled;
  }
  if (saved != kLoaded) {
    std::fprintf(stderr, "torvane-cli %.*s: could not save '%s'\n",
                 static_cast<int>(command.size()), command.data(), path.c_str());
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace torvane
