// TerminalProgress: the status line on stderr and Ctrl-C cancellation.
#include "cli/terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "core/null_progress.h"

namespace torvane {
namespace {

std::atomic<bool> gCancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int) {
  gCancelRequested.store(true);
}

// Waits are cut into slices so that Ctrl-C ends them soon.
constexpr uint32_t kWaitSliceMs = 100;
constexpr int kBarWidth = 30;
// Redraws at most this often unless the text changes.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

void InstallCancelHandler() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool CancelRequested() {
  return gCancelRequested.load();
}
void SetCancelRequested(bool value) {
  gCancelRequested.store(value);
}

TerminalProgress::TerminalProgress(std::FILE* stream)
    : stream_(stream), drawing_(::isatty(::fileno(stream)) == 1) {}

TerminalProgress::~TerminalProgress() {
  Clear();
}

bool TerminalProgress::IsCancelled() {
  return CancelRequested();
}

int TerminalProgress::Sleep(uint32_t milliseconds) {
  const bool forever = milliseconds == kWaitForever;
  uint32_t left = milliseconds;
  while (forever || left > 0) {
    if (IsCancelled()) return kWaitCancelled;
    const uint32_t step = forever ? kWaitSliceMs : std::min(left, kWaitSliceMs);
    std::this_thread::sleep_for(std::chrono::milliseconds(step));
    if (!forever) left -= step;
  }
  return IsCancelled() ? kWaitCancelled : kWaitSignalled;
}

int TerminalProgress::WaitForObject(WaitHandle handle, uint32_t milliseconds) {
  const WaitHandle one[1] = {handle};
  return WaitForObjects(one, milliseconds);
}

int TerminalProgress::WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  const bool forever = milliseconds == kWaitForever;
  uint32_t left = milliseconds;
  for (;;) {
    if (IsCancelled()) return kWaitCancelled;
    const uint32_t step = forever ? kWaitSliceMs : std::min(left, kWaitSliceMs);
    if (WaitForHandles(handles, step) >= 0) return kWaitSignalled;
    if (!forever) {
      left -= step;
      if (left == 0) return IsCancelled() ? kWaitCancelled : kWaitTimedOut;
    }
  }
}

void TerminalProgress::ShowError(const std::string& text) {
  Clear();
  std::fprintf(stream_, "%s\n", text.c_str());
  std::fflush(stream_);
}

void TerminalProgress::SetText(const std::string& text, int line) {
  if (line == 0) {
    heading_ = text;
  } else if (line == 1) {
    stage_ = text;
  } else {
    return;
  }
  Draw(true);
}

void TerminalProgress::SetFraction(double fraction) {
  if (!std::isfinite(fraction)) return;
  percent_ = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  Draw(false);
}

void TerminalProgress::BeginIndeterminate() {
  indeterminate_ = true;
  Draw(true);
}

void TerminalProgress::EndIndeterminate() {
  indeterminate_ = false;
  Draw(true);
}

void TerminalProgress::Clear() {
  if (!shown_) return;
  std::fputs("\r\033[K", stream_);
  std::fflush(stream_);
  shown_ = false;
}

void TerminalProgress::Draw(bool force) {
  if (!drawing_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && (percent_ == drawnPercent_ || now - lastDraw_ < kRedrawInterval)) return;
  lastDraw_ = now;
  drawnPercent_ = percent_;

  std::string line = heading_;
  if (!stage_.empty()) line += (line.empty() ? "" : " - ") + stage_;
  line += " [";
  if (indeterminate_ || percent_ < 0) {
    line += std::string(kBarWidth, '.');
    line += "]";
  } else {
    const int filled = percent_ * kBarWidth / 100;
    line += std::string(filled, '#') + std::string(kBarWidth - filled, '-');
    line += "] " + std::to_string(percent_) + "%";
  }
  std::fprintf(stream_, "\r\033[K%s", line.c_str());
  std::fflush(stream_);
  shown_ = true;
}

}  // namespace torvane
