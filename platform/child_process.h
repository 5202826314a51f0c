// ChildProcess: a helper program the program starts and always reaps.
//
// StartProcess runs `program` with the given arguments through posix_spawn,
// in a process group of its own (a Ctrl-C at the terminal reaches the
// program, which decides what happens to the helper), with the program's
// environment and standard streams and no other descriptor. The object
// owns the process: destroying it, or Stop, kills a helper still running and
// waits for it, so no finished helper is ever left as a zombie.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace torvane {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False when the program could not be started (missing, not executable).
  bool Start(const std::string& program, const std::vector<std::string>& arguments);

  enum class State { kRunning, kExited, kUnknown };
  // Looks without waiting. kExited sets exitCode (128 + signal number for
  // a helper ended by a signal); kUnknown when the process cannot be
  // queried (never started, or reaped elsewhere).
  State Poll(int& exitCode);

  // Kills the helper if it still runs and reaps it.
  void Stop();

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool reaped_ = true;
  int exitCode_ = -1;
};

// The folder of the running executable ("" when it cannot be found).
std::string RunningProgramFolder();

}  // namespace torvane
