// torvane-cli split IN OUT: Split Objects on every object (each connected
// part becomes an object of its own); prints the status text and saves.
#include "cli/edit_session.h"
#include "core/split_group.h"

namespace torvane {

int RunSplit(std::span<const std::string> args, TerminalProgress& progress) {
  const EditStep steps[] = {
      [](Document& doc, TerminalProgress& p) { return SplitObjectsCommand(doc, p); },
  };
  return RunEditCommand(*FindCliCommand("split"), args, progress, steps);
}

}  // namespace torvane
