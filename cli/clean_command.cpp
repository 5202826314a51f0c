// torvane-cli clean IN OUT: Remove Duplicate Vertices, then Remove Duplicate
// Triangles, on every object; prints both status texts and saves.
#include "cli/edit_session.h"
#include "core/duplicate_removal.h"

namespace torvane {

int RunClean(std::span<const std::string> args, TerminalProgress& progress) {
  const EditStep steps[] = {
      [](Document& doc, TerminalProgress& p) { return RemoveDuplicateVerticesCommand(doc, p); },
      [](Document& doc, TerminalProgress& p) { return RemoveDuplicateTrianglesCommand(doc, p); },
  };
  return RunEditCommand(*FindCliCommand("clean"), args, progress, steps);
}

}  // namespace torvane
