// torvane-cli primitive SHAPE [IN] OUT: adds one primitive shape (cube,
// sphere, icosahedron or torus) in the default paint colour, as the Add
// commands do, to a new document or to IN's objects opened as Open does,
// and saves the document to OUT as Save As does.
// Exit status: 0 written, 1 on Ctrl-C, 2 on a bad argument or a failure.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/open_model.h"
#include "core/primitives.h"
#include "formats/model_file.h"

namespace torvane {
namespace {

std::optional<PrimitiveShape> ParseShape(const std::string& name) {
  if (name == "cube") return PrimitiveShape::kCube;
  if (name == "sphere") return PrimitiveShape::kSphere;
  if (name == "icosahedron") return PrimitiveShape::kIcosahedron;
  if (name == "torus") return PrimitiveShape::kTorus;
  return std::nullopt;
}

// Formats that have a writer.
bool CanWrite(int32_t fileType) {
  return fileType != kFileTypeUnknown && fileType != kFileTypeStep && fileType != kFileTypeFbx;
}

}  // namespace

int RunPrimitive(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("primitive");
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') return UsageError(self, "unknown option '" + arg + "'");
  }
  if (args.size() != 2 && args.size() != 3)
    return UsageError(self, args.size() < 2 ? "missing argument" : "too many arguments");
  const std::optional<PrimitiveShape> shape = ParseShape(args[0]);
  if (!shape) return UsageError(self, "unknown shape '" + args[0] + "'");
  const std::string& out = args.back();
  if (!CanWrite(DetectFormat(out).fileType)) {
    std::fprintf(stderr, "torvane-cli primitive: no format to save '%s' in\n", out.c_str());
    return kExitFailure;
  }

  Document document;
  if (args.size() == 3) {
    const std::string& in = args[1];
    const OpenOutcome opened = OpenModel(in, progress, document);
    progress.Clear();
    if (opened.result == kCancelled) {
      std::fprintf(stderr, "Cancelled\n");
      return kExitCancelled;
    }
    const std::string message = OpenMessage(opened, in);
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    // A file without meshes still takes the shape.
    if (opened.result != kLoaded) return kExitFailure;
  }
  const CommandOutcome added = AddPrimitive(document, *shape, document.currentColour);
  if (added.status != kStatusDone) {
    std::fprintf(stderr, "%s: %s\n", PrimitiveCommandName(*shape).c_str(), added.errorText.c_str());
    return kExitFailure;
  }

  return SaveForCommand(document, out, progress, "primitive");
}

}  // namespace torvane
