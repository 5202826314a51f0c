// TerminalProgress: the ProgressMonitor of torvane-cli. When stderr is a
// terminal it draws one status line there (heading, stage, a bar and the
// percentage); otherwise it is silent. Ctrl-C (SIGINT) sets a flag that
// IsCancelled reports, so every long operation stops at its next
// cancellation test and the command exits with status 1.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "core/progress_monitor.h"

namespace torvane {

// Installs the SIGINT handler that cancels (once per process).
void InstallCancelHandler();
// True once SIGINT was received.
bool CancelRequested();
// Test seam and reset between uses: sets or clears the flag.
void SetCancelRequested(bool value);

class TerminalProgress : public ProgressMonitor {
 public:
  // Draws only when `stream` is a terminal.
  explicit TerminalProgress(std::FILE* stream = stderr);
  ~TerminalProgress() override;

  bool IsCancelled() override;
  int Sleep(uint32_t milliseconds) override;
  int WaitForObject(WaitHandle handle, uint32_t milliseconds) override;
  int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) override;
  void ShowError(const std::string& text) override;
  void SetText(const std::string& text, int line) override;
  void SetFraction(double fraction) override;
  void BeginIndeterminate() override;
  void EndIndeterminate() override;

  // Removes the status line (before printing results or messages).
  void Clear();

 private:
  void Draw(bool force);

  std::FILE* stream_;
  bool drawing_;
  bool shown_ = false;
  bool indeterminate_ = false;
  std::string heading_;
  std::string stage_;
  int percent_ = -1;
  int drawnPercent_ = -2;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace torvane
