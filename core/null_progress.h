// NullProgress: the silent ProgressMonitor. It never cancels, shows nothing,
// and its waits are plain waits on the handles (no window to keep alive).
// Used where no window is wanted: small saves, the sample model, background
// release.
#pragma once

#include "core/progress_monitor.h"

namespace torvane {

class NullProgress : public ProgressMonitor {
 public:
  bool IsCancelled() override { return false; }
  int Sleep(uint32_t milliseconds) override;
  int WaitForObject(WaitHandle handle, uint32_t milliseconds) override;
  int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) override;
  void ShowError(const std::string&) override {}
  void SetText(const std::string&, int) override {}
  void SetFraction(double) override {}
  void BeginIndeterminate() override {}
  void EndIndeterminate() override {}
};

// Waits until one of the handles is readable, reports an error or a hang-up,
// or the time runs out (kWaitForever: no limit). Answers the index of the
// first signalled handle, or -1 on time-out or when no handle can be waited
// on. Shared by the monitors that wait on descriptors.
int WaitForHandles(std::span<const WaitHandle> handles, uint32_t milliseconds);

}  // namespace torvane
