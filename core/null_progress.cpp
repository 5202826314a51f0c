// NullProgress and the poll-based wait every descriptor monitor shares.
#include "core/null_progress.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

namespace torvane {
namespace {

// The most handles one wait looks at (the rest of a longer set is ignored).
constexpr size_t kMaxWaitHandles = 64;

}  // namespace

int WaitForHandles(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  const size_t count = std::min(handles.size(), kMaxWaitHandles);
  if (count == 0) return -1;
  std::vector<pollfd> fds(count);
  for (size_t i = 0; i < count; ++i) {
    // A negative descriptor can never be signalled; it would only turn an
    // endless wait into a hang.
    if (handles[i] < 0) return -1;
    fds[i] = pollfd{handles[i], POLLIN, 0};
  }
  using Clock = std::chrono::steady_clock;
  const bool forever = milliseconds == kWaitForever;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    int timeout = -1;
    if (!forever) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    }
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (ready == 0) {
      if (!forever && Clock::now() >= deadline) return -1;
      continue;
    }
    for (size_t i = 0; i < count; ++i) {
      // A closed descriptor (POLLNVAL) is a failed wait, not a signal.
      if (fds[i].revents & POLLNVAL) return -1;
      if (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) return static_cast<int>(i);
    }
  }
}

int NullProgress::Sleep(uint32_t milliseconds) {
  if (milliseconds == kWaitForever) {
    // An endless sleep on a monitor that never cancels: the thread sleeps
    // for good, as asked.
    for (;;)
      std::this_thread::sleep_for(std::chrono::hours(24));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  return kWaitSignalled;
}

int NullProgress::WaitForObject(WaitHandle handle, uint32_t milliseconds) {
  const WaitHandle one[1] = {handle};
  return WaitForHandles(one, milliseconds) == 0 ? kWaitSignalled : kWaitTimedOut;
}

int NullProgress::WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  return WaitForHandles(handles, milliseconds) >= 0 ? kWaitSignalled : kWaitTimedOut;
}

}  // namespace torvane
