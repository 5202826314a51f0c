// torvane-cli subdivide 3|4 IN OUT: Subdivide all triangles into 3 or into
// 4 on every object, then saves.
#include "cli/edit_session.h"
#include "core/mesh_ops.h"

namespace torvane {

int RunSubdivide(std::span<const std::string> args, TerminalProgress& progress) {
  const CliCommand& self = *FindCliCommand("subdivide");
  if (args.empty()) return UsageError(self, "missing 3 or 4");
  Subdivision kind;
  if (args[0] == "3") {
    kind = Subdivision::kInto3;
  } else if (args[0] == "4") {
    kind = Subdivision::kInto4;
  } else {
    return UsageError(self, "can subdivide into 3 or 4, not '" + args[0] + "'");
  }
  const EditStep step = [kind](Document& doc, TerminalProgress& p) {
    return SubdivideAllCommand(doc, kind, p);
  };
  return RunEditCommand(self, args.subspan(1), progress, std::span(&step, 1));
}

}  // namespace torvane
