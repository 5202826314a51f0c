// torvane-cli boolean union|subtract|intersect IN... OUT: every object of the
// inputs, in the order given, is an operand of Union, Subtract (the first is
// the target) or Intersection; prints the notice and saves the scene.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/open_model.h"
#include "formats/file_types.h"
#include "formats/model_file.h"
#include "solid/booleans.h"

namespace torvane {
namespace {

bool KindOf(const std::string& word, BooleanKind& kind) {
  if (word == "union") {
    kind = BooleanKind::kUnion;
  } else if (word == "subtract") {
    kind = BooleanKind::kSubtract;
  } else if (word == "intersect") {
    kind = BooleanKind::kIntersection;
  } else {
    return false;
  }
  return true;
}

int Cancelled(TerminalProgress& progress) {
  progress.Clear();
  std::fprintf(stderr, "Cancelled\n");
  return kExitCancelled;
}

}  // namespace

int RunBoolean(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("boolean");
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') return UsageError(self, "unknown option '" + arg + "'");
  }
  BooleanKind kind;
  if (args.empty() || !KindOf(args[0], kind))
    return UsageError(self,
                      args.empty() ? "missing operation" : "unknown operation '" + args[0] + "'");
  if (args.size() < 3) return UsageError(self, "missing file");
  const std::string& out = args.back();
  const int32_t outType = DetectFormat(out).fileType;
  if (outType == kFileTypeUnknown || outType == kFileTypeStep || outType == kFileTypeFbx) {
    std::fprintf(stderr, "torvane-cli boolean: no format to save '%s' in\n", out.c_str());
    return kExitFailure;
  }

  // Every input joins one scene, its objects in file order.
  Document document;
  for (size_t i = 1; i + 1 < args.size(); ++i) {
    Document part;
    const OpenOutcome opened = OpenModel(args[i], progress, part);
    progress.Clear();
    if (opened.result == kCancelled) return Cancelled(progress);
    const std::string message = OpenMessage(opened, args[i]);
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    if (OpenExitCode(opened) != kExitSuccess) return kExitFailure;
    if (i == 1) {
      document.fileType = part.fileType;
      document.filePath = part.filePath;
    }
    for (const auto& object : part.objects) {
      if (!object || !IsLive(*object)) continue;
      if (AddObjectCopy(document, *object) == kNoObjectId) {
        std::fprintf(stderr, "torvane-cli boolean: Not enough memory to complete the operation\n");
        return kExitFailure;
      }
    }
  }
  SelectAll(document);
  ClearRecordedFlags(document);

  const CommandOutcome outcome = BooleanCommand(
      document, kind,
      [&](const std::string& title, const std::function<int(ProgressMonitor&)>& step) {
        progress.SetText(title, 0);
        return step(progress);
      });
  progress.Clear();
  if (outcome.status == kStatusCancelled) return Cancelled(progress);
  if (outcome.status != kStatusDone) {
    if (!outcome.errorText.empty()) std::fprintf(stderr, "%s\n", outcome.errorText.c_str());
    return kExitFailure;
  }
  if (!outcome.statusText.empty()) std::printf("%s\n", outcome.statusText.c_str());
  std::fflush(stdout);
  return SaveForCommand(document, out, progress, self.name);
}

}  // namespace torvane
