// ProgressMonitor: what every long operation receives to report progress and
// to learn that the user cancelled. Operations never know which kind they
// hold: the progress window, the silent NullProgress, a worker thread, or a
// sub-range of another monitor.
//
// Waitable handles are file descriptors (eventfd, pidfd, sockets) that become
// readable when signalled; a handle that reports an error or hang-up counts
// as signalled (the owner went away).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace torvane {

using WaitHandle = int;

inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

// Results of the waits.
enum WaitStatus : int {
  kWaitSignalled = 0,  // Sleep: the time elapsed
  kWaitCancelled = 1,
  kWaitTimedOut = 2,
};

class ProgressMonitor {
 public:
  virtual ~ProgressMonitor() = default;

  virtual bool IsCancelled() = 0;
  // 0 elapsed, 1 cancelled.
  virtual int Sleep(uint32_t milliseconds) = 0;
  // 0 signalled, 1 cancelled, 2 timed out.
  virtual int WaitForObject(WaitHandle handle, uint32_t milliseconds) = 0;
  // 0 one of them signalled, 1 cancelled, 2 timed out. At most 64 handles.
  virtual int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) = 0;

  int SleepForever() { return Sleep(kWaitForever); }
  int WaitForObjectForever(WaitHandle handle) { return WaitForObject(handle, kWaitForever); }
  int WaitForObjectsForever(std::span<const WaitHandle> handles) {
    return WaitForObjects(handles, kWaitForever);
  }

  virtual void ShowError(const std::string& text) = 0;
  // line 0 is the heading, line 1 the current stage; other lines do nothing.
  virtual void SetText(const std::string& text, int line) = 0;
  // fraction done, 0.0 to 1.0.
  virtual void SetFraction(double fraction) = 0;
  virtual void BeginIndeterminate() = 0;
  virtual void EndIndeterminate() = 0;
};

}  // namespace torvane
