// torvane-cli group IN OUT: Group Objects on every object (all become one);
// prints the status text and saves.
#include "cli/edit_session.h"
#include "core/split_group.h"

namespace torvane {

int RunGroup(std::span<const std::string> args, TerminalProgress& progress) {
  const EditStep steps[] = {
      [](Document& doc, TerminalProgress&) { return GroupObjectsCommand(doc); },
  };
  return RunEditCommand(*FindCliCommand("group"), args, progress, steps);
}

}  // namespace torvane
