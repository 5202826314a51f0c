// torvane-cli's subcommands: one table entry per subcommand with its help
// text and its body. RunCli picks the entry, prints help and usage, and
// returns the process exit code (0 success, 1 cancelled, 2 failure).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/terminal_progress.h"

namespace torvane {

struct CliCommand {
  std::string_view name;
  std::string_view summary;  // one line for the overview
  std::string_view usage;    // the full help text of the subcommand
  // Arguments after the subcommand's name; returns the exit code. Called
  // only with arguments that passed no help request.
  int (*run)(std::span<const std::string> args, TerminalProgress& progress);
};

// Every subcommand, in the order the overview lists them.
std::span<const CliCommand> CliCommands();

// The entry of that name; null when there is none.
const CliCommand* FindCliCommand(std::string_view name);

// args: the process arguments without the program name.
int RunCli(std::span<const std::string> args);

// Prints the subcommand's usage on stderr and answers exit code 2: the
// answer to a missing or unknown argument.
int UsageError(const CliCommand& command, const std::string& problem);

// The subcommand bodies.
int RunInfo(std::span<const std::string> args, TerminalProgress& progress);
int RunConvert(std::span<const std::string> args, TerminalProgress& progress);
int RunPrimitive(std::span<const std::string> args, TerminalProgress& progress);
int RunOutline(std::span<const std::string> args, TerminalProgress& progress);
int RunBoolean(std::span<const std::string> args, TerminalProgress& progress);

}  // namespace torvane
