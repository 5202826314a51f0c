// Helpers of the FBX import tests: a private runtime folder for the
// converter's socket, the check that no converter process is left behind,
// and monitors that really wait (the exchange is timed by the clock).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>

#include "core/null_progress.h"
#include "format_test_support.h"

namespace torvane::test {

// Points XDG_RUNTIME_DIR at a fresh folder for its lifetime.
class RuntimeFolderScope {
 public:
  RuntimeFolderScope() {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old, had_ = true;
    setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
  }
  ~RuntimeFolderScope() {
    if (had_) {
      setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
  }
  const TempFolder& folder() const { return folder_; }

 private:
  TempFolder folder_;
  std::string old_;
  bool had_ = false;
};

// No child of this process exists any more, running or unreaped.
inline bool NoChildLeft() {
  int status = 0;
  return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

// Sleeps for real and answers "cancelled" from the n-th Sleep on.
class CancellingSleeps : public NullProgress {
 public:
  explicit CancellingSleeps(int cancelAtSleep) : cancelAt_(cancelAtSleep) {}
  bool IsCancelled() override { return sleeps_ >= cancelAt_; }
  int Sleep(uint32_t milliseconds) override {
    if (++sleeps_ >= cancelAt_) return kWaitCancelled;
    return NullProgress::Sleep(milliseconds);
  }

 private:
  int cancelAt_;
  int sleeps_ = 0;
};

}  // namespace torvane::test
