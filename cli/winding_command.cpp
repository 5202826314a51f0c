// torvane-cli winding IN OUT: Reverse Winding Order on every object without
// a 2D outline (triangles reversed, normals inverted), then saves.
#include "cli/edit_session.h"
#include "core/mesh_ops.h"

namespace torvane {

int RunWinding(std::span<const std::string> args, TerminalProgress& progress) {
  const EditStep steps[] = {
      // Culling mode 2 ("Draw double sided") has no hint to print.
      [](Document& doc, TerminalProgress&) { return ReverseWindingCommand(doc, 2); },
  };
  return RunEditCommand(*FindCliCommand("winding"), args, progress, steps);
}

}  // namespace torvane
