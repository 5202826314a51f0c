// torvane-cli origin center|reset|grid IN OUT: Center on Grid Origin, Reset
// Object Origin to its own Center, or Reset Object Origin to Grid Origin on
// every object, then saves.
#include "cli/edit_session.h"
#include "core/mesh_ops.h"

namespace torvane {

int RunOrigin(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("origin");
  if (args.empty()) return UsageError(self, "missing center, reset or grid");
  EditStep step;
  if (args[0] == "center") {
    step = [](Document& doc, TerminalProgress&) { return CenterOnGridOriginCommand(doc); };
  } else if (args[0] == "reset") {
    step = [](Document& doc, TerminalProgress&) { return ResetOriginToCentreCommand(doc); };
  } else if (args[0] == "grid") {
    step = [](Document& doc, TerminalProgress&) { return ResetOriginToGridOriginCommand(doc); };
  } else {
    return UsageError(self, "unknown operation '" + args[0] + "'");
  }
  return RunEditCommand(self, args.subspan(1), progress, std::span(&step, 1));
}

}  // namespace torvane
