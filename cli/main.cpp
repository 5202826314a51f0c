// torvane-cli: Torvane's engine without a display, for scripts and batch
// work. Exit status 0 success, 1 cancelled, 2 failure.
#include <cstddef>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/large_blocks.h"

int main(int argc, char** argv) {
  // A batch process: what a long operation frees is better kept for its next
  // step than given back to the system and faulted in again.
  torvane::KeepFreedMemory();
  // The heap a boolean or a large open grows into is faulted in 2 MB at a
  // time.
  torvane::BackHeapWithHugePages(size_t{256} << 20);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return torvane::RunCli(args);
}
