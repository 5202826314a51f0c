// torvane-cli convert IN OUT: opens IN as the program's Open does and saves
// the document to OUT as Save As does (the format follows OUT's extension).
// Exit status: 0 written, 1 on Ctrl-C, 2 when opening or saving failed.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/open_model.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

// Formats that have a writer.
bool CanWrite(int32_t fileType) {
  return fileType != kFileTypeUnknown && fileType != kFileTypeStep && fileType != kFileTypeFbx;
}

}  // namespace

int RunConvert(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("convert");
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') return UsageError(self, "unknown option '" + arg + "'");
  }
  if (args.size() != 2)
    return UsageError(self, args.size() < 2 ? "missing file" : "too many files");
  const std::string& in = args[0];
  const std::string& out = args[1];
  if (!CanWrite(DetectFormat(out).fileType)) {
    std::fprintf(stderr, "torvane-cli convert: no format to save '%s' in\n", out.c_str());
    return kExitFailure;
  }

  Document document;
  const OpenOutcome opened = OpenModel(in, progress, document);
  progress.Clear();
  if (opened.result == kCancelled) {
    std::fprintf(stderr, "Cancelled\n");
    return kExitCancelled;
  }
  const std::string message = OpenMessage(opened, in);
  if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
  if (OpenExitCode(opened) != kExitSuccess) return kExitFailure;

  return SaveForCommand(document, out, progress, "convert");
}

}  // namespace torvane
