// torvane-cli normals invert|recalculate IN OUT: Invert Normals or
// Recalculate Normals on every object without a 2D outline, then saves.
#include "cli/edit_session.h"
#include "core/mesh_ops.h"

namespace torvane {
namespace {

// No view draws here, so no culling hint is printed.
constexpr uint32_t kNoHint = 2;

}  // namespace

int RunNormals(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("normals");
  if (args.empty()) return UsageError(self, "missing invert or recalculate");
  EditStep step;
  if (args[0] == "invert") {
    step = [](Document& doc, TerminalProgress&) { return InvertNormalsCommand(doc, kNoHint); };
  } else if (args[0] == "recalculate") {
    step = [](Document& doc, TerminalProgress&) { return RecalculateNormalsCommand(doc, kNoHint); };
  } else {
    return UsageError(self, "unknown operation '" + args[0] + "'");
  }
  return RunEditCommand(self, args.subspan(1), progress, std::span(&step, 1));
}

}  // namespace torvane
