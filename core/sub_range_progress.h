// SubRangeProgress: a ProgressMonitor that reports one stage of a longer
// operation inside a part of another monitor's bar. SetFraction(f) becomes
// outer.SetFraction(base + span * f); everything else goes to the outer
// monitor unchanged. The outer monitor must outlive this one.
#pragma once

#include "core/progress_monitor.h"

namespace torvane {

class SubRangeProgress : public ProgressMonitor {
 public:
  SubRangeProgress(ProgressMonitor& outer, double base, double span)
      : outer_(outer), base_(base), span_(span) {}

  bool IsCancelled() override { return outer_.IsCancelled(); }
  int Sleep(uint32_t milliseconds) override { return outer_.Sleep(milliseconds); }
  int WaitForObject(WaitHandle handle, uint32_t milliseconds) override {
    return outer_.WaitForObject(handle, milliseconds);
  }
  int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) override {
    return outer_.WaitForObjects(handles, milliseconds);
  }
  void ShowError(const std::string& text) override { outer_.ShowError(text); }
  void SetText(const std::string& text, int line) override { outer_.SetText(text, line); }
  void SetFraction(double fraction) override;
  void BeginIndeterminate() override { outer_.BeginIndeterminate(); }
  void EndIndeterminate() override { outer_.EndIndeterminate(); }

 private:
  ProgressMonitor& outer_;
  double base_;
  double span_;
};

}  // namespace torvane
