// ChildProcess: posix_spawn, a non-blocking exit query, and kill-and-reap.
#include "platform/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

extern char** environ;

namespace torvane {

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
  Stop();
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  // Its own process group, and the default signal state whatever this
  // process blocks or handles.
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return false;
  pid_ = pid;
  reaped_ = false;
  exitCode_ = -1;
  return true;
}

ChildProcess::State ChildProcess::Poll(int& exitCode) {
  if (pid_ < 0) return State::kUnknown;
  if (!reaped_) {
    int status = 0;
    pid_t got;
    do {
      got = ::waitpid(pid_, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return State::kRunning;
    reaped_ = true;
    if (got < 0) {
      exitCode_ = INT_MIN;  // reaped by someone else: the outcome is lost
    } else if (WIFEXITED(status)) {
      exitCode_ = WEXITSTATUS(status);
    } else {
      exitCode_ = 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
  }
  if (exitCode_ == INT_MIN) return State::kUnknown;
  exitCode = exitCode_;
  return State::kExited;
}

void ChildProcess::Stop() {
  if (pid_ >= 0 && !reaped_) {
    // The whole group: a helper that started helpers of its own takes them
    // along.
    ::kill(-pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
  }
  pid_ = -1;
  exitCode_ = -1;
}

std::string RunningProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return {};
  std::string text(path, static_cast<size_t>(n));
  const size_t slash = text.find_last_of('/');
  return slash == std::string::npos ? std::string() : text.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace torvane
