// The shared frame of the torvane-cli editing subcommands (clean, split,
// group, normals, winding, subdivide, origin): open IN as the program's Open
// does, select every object as Select all would, run the edit, print its
// status texts, and save OUT as Save As does.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/command_outcome.h"
#include "core/document.h"

namespace torvane {

// One step of an edit; its outcome's statusText is printed on stdout, its
// errorText on stderr.
using EditStep = std::function<CommandOutcome(Document&, TerminalProgress&)>;

// Checks that `args` are exactly IN and OUT (no options), then opens, selects
// all, runs the steps in order (stopping at the first that does not finish)
// and saves. Returns the exit code: 0 saved, 1 cancelled, 2 failed.
int RunEditCommand(const CliCommand& self, std::span<const std::string> args,
                   TerminalProgress& progress, std::span<const EditStep> steps);

// The subcommand bodies registered in the subcommand table.
int RunClean(std::span<const std::string> args, TerminalProgress& progress);
int RunSplit(std::span<const std::string> args, TerminalProgress& progress);
int RunGroup(std::span<const std::string> args, TerminalProgress& progress);
int RunNormals(std::span<const std::string> args, TerminalProgress& progress);
int RunWinding(std::span<const std::string> args, TerminalProgress& progress);
int RunSubdivide(std::span<const std::string> args, TerminalProgress& progress);
int RunOrigin(std::span<const std::string> args, TerminalProgress& progress);

}  // namespace torvane
