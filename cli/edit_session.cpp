// RunEditCommand: open, select all, edit, save.
#include "cli/edit_session.h"

#include <cstdio>

#include "cli/open_model.h"
#include "formats/file_types.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

bool CanWrite(int32_t fileType) {
  return fileType != kFileTypeUnknown && fileType != kFileTypeStep && fileType != kFileTypeFbx;
}

int Cancelled(TerminalProgress& progress) {
  progress.Clear();
  std::fprintf(stderr, "Cancelled\n");
  return kExitCancelled;
}

}  // namespace

int RunEditCommand(const CliCommand& self, std::span<const std::string> args,
                   TerminalProgress& progress, std::span<const EditStep> steps) {
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') return UsageError(self, "unknown option '" + arg + "'");
  }
  if (args.size() != 2)
    return UsageError(self, args.size() < 2 ? "missing file" : "too many files");
  const std::string& in = args[0];
  const std::string& out = args[1];
  if (!CanWrite(DetectFormat(out).fileType)) {
    std::fprintf(stderr, "torvane-cli %.*s: no format to save '%s' in\n", int(self.name.size()),
                 self.name.data(), out.c_str());
    return kExitFailure;
  }

  Document document;
  const OpenOutcome opened = OpenModel(in, progress, document);
  progress.Clear();
  if (opened.result == kCancelled) return Cancelled(progress);
  const std::string message = OpenMessage(opened, in);
  if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
  if (OpenExitCode(opened) != kExitSuccess) return kExitFailure;

  SelectAll(document);
  for (const EditStep& step : steps) {
    // Nobody can undo here: keep the history from holding copies of the
    // geometry the edit replaces.
    ClearRecordedFlags(document);
    const CommandOutcome outcome = step(document, progress);
    progress.Clear();
    if (outcome.status == kStatusCancelled) return Cancelled(progress);
    if (outcome.status != kStatusDone) {
      if (!outcome.errorText.empty()) std::fprintf(stderr, "%s\n", outcome.errorText.c_str());
      return kExitFailure;
    }
    if (!outcome.statusText.empty()) std::printf("%s\n", outcome.statusText.c_str());
  }
  std::fflush(stdout);

  return SaveForCommand(document, out, progress, self.name);
}

}  // namespace torvane
