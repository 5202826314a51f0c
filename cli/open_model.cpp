// OpenModel and SaveModel: the load and save paths shared by the subcommands.
#include "cli/open_model.h"

#include <cstdio>

#include "formats/imported_model.h"
#include "formats/model_file.h"

namespace torvane {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

OpenOutcome OpenModel(const std::string& path, ProgressMonitor& monitor, Document& document) {
  OpenOutcome outcome;
  const std::string name = FileNameOf(path);
  monitor.SetText("Opening " + name, 0);
  monitor.SetText("Loading " + name, 1);
  ImportedModel model;
  LoadResult result = LoadModelFile(path, monitor, model);
  outcome.fileType = model.fileType;
  outcome.failureReason = model.failureReason;
  if (result == kLoaded) {
    // The document records its file before the objects arrive, so that a
    // native file keeps each object's own origin and transform.
    document.filePath = path;
    document.fileType = static_cast<uint32_t>(model.fileType);
    result = static_cast<LoadResult>(ConvertModelToDocument(model, document, monitor, false));
  }
  monitor.SetFraction(1.0);
  monitor.SetText("Completed", 1);
  outcome.result = result;
  if (result == kLoaded) {
    document.untitled = false;
    bool any = false;
    for (const auto& object : document.objects)
      any = any || (object && IsLive(*object));
    outcome.noMeshes = !any;
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
  monitor.SetText("Saving " + FileNameOf(path), 0);
  monitor.SetText("", 1);
  ImportedModel model;
  const int converted = ConvertDocumentToModel(document, monitor, model, /*autosave=*/false);
  if (converted != kLoaded) return static_cast<LoadResult>(converted);
  return SaveModelFile(path, monitor, model);
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
