// WorkerThread: detached threads with a cancel eventfd and the live-worker
// list that program exit drains.
#include "core/worker_thread.h"

#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>
#include <vector>

#include "core/null_progress.h"

namespace torvane {
namespace {

// The live workers and the count of threads still executing. Never destroyed:
// a detached thread may finish its last steps while the process exits.
struct LiveWorkers {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::shared_ptr<WorkerThread>> workers;
  size_t threads = 0;
};

LiveWorkers& Live() {
  static LiveWorkers* live = new LiveWorkers;
  return *live;
}

void RemoveFromLive(const WorkerThread* worker) {
  LiveWorkers& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  auto found = std::find_if(live.workers.begin(), live.workers.end(),
                            [worker](const auto& entry) { return entry.get() == worker; });
  if (found != live.workers.end()) live.workers.erase(found);
  live.changed.notify_all();
}

void ThreadFinished() {
  LiveWorkers& live = Live();
  {
    std::lock_guard<std::mutex> lock(live.mutex);
    --live.threads;
  }
  live.changed.notify_all();
}

}  // namespace

WorkerThread::WorkerThread() {
  cancelEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

WorkerThread::~WorkerThread() {
  if (cancelEvent_ >= 0) ::close(cancelEvent_);
}

bool WorkerThread::Start(WorkerPriority priority) {
  std::shared_ptr<WorkerThread> self = weak_from_this().lock();
  if (!self) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return false;
    started_ = true;
    running_ = true;
  }
  {
    LiveWorkers& live = Live();
    std::lock_guard<std::mutex> lock(live.mutex);
    live.workers.push_back(self);
    ++live.threads;
  }
  try {
    std::thread thread(&WorkerThread::ThreadBody, this, self, priority);
    thread.detach();
  } catch (const std::system_error&) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      running_ = false;
    }
    finishedChanged_.notify_all();
    RemoveFromLive(this);
    ThreadFinished();
    return false;
  }
  return true;
}

void WorkerThread::ThreadBody(std::shared_ptr<WorkerThread> self, WorkerPriority priority) {
  const int tid = static_cast<int>(::gettid());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    threadId_ = tid;
  }
  // On Linux the nice value of a thread id applies to that thread alone.
  if (priority != WorkerPriority::kNormal) {
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0) {
      ::setpriority(PRIO_PROCESS, tid, std::min(current + static_cast<int>(priority), 19));
    }
  }
  Run();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    threadId_ = 0;
  }
  // The waiters may drop their references now; ours keeps the worker alive
  // until the notification is done.
  finishedChanged_.notify_all();
  RemoveFromLive(this);
  self.reset();  // deletes the worker when nobody else holds it
  ThreadFinished();
}

void WorkerThread::Cancel() {
  cancelled_.store(true);
  if (cancelEvent_ >= 0) {
    const uint64_t one = 1;
    // The counter only grows; a full counter (EAGAIN) is still signalled.
    [[maybe_unused]] ssize_t written = ::write(cancelEvent_, &one, sizeof(one));
  }
}

void WorkerThread::Stop() {
  Cancel();
  std::unique_lock<std::mutex> lock(mutex_);
  if (!running_) return;
  if (threadId_ != 0) {
    // Let the worker finish at our priority; lowering a nice value may need
    // privileges, and the worker ends either way.
    errno = 0;
    const int ours = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    if (errno == 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(threadId_), ours);
  }
  finishedChanged_.wait(lock, [this] { return !running_; });
}

bool WorkerThread::IsRunning() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

bool WorkerThread::IsCancelled() {
  return cancelled_.load();
}

int WorkerThread::Sleep(uint32_t milliseconds) {
  if (cancelEvent_ < 0) {
    // No event to wait on: sleep in short slices and watch the flag.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!IsCancelled()) {
      if (milliseconds != kWaitForever && Clock::now() >= deadline) return kWaitSignalled;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return kWaitCancelled;
  }
  const WaitHandle cancel[1] = {cancelEvent_};
  return WaitForHandles(cancel, milliseconds) == 0 ? kWaitCancelled : kWaitSignalled;
}

int WorkerThread::WaitForObject(WaitHandle handle, uint32_t milliseconds) {
  const WaitHandle handles[2] = {cancelEvent_, handle};
  switch (WaitForHandles(handles, milliseconds)) {
    case 0:
      return kWaitCancelled;
    case 1:
      return kWaitSignalled;
    default:
      return kWaitTimedOut;
  }
}

int WorkerThread::WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  constexpr size_t kMaxOwnHandles = 63;
  std::vector<WaitHandle> all(handles.begin(),
                              handles.begin() + std::min(handles.size(), kMaxOwnHandles));
  const int cancelIndex = static_cast<int>(all.size());
  all.push_back(cancelEvent_);
  const int signalled = WaitForHandles(all, milliseconds);
  if (signalled < 0) return kWaitTimedOut;
  return signalled == cancelIndex ? kWaitCancelled : kWaitSignalled;
}

void StopAllWorkers() {
  LiveWorkers& live = Live();
  for (;;) {
    std::vector<std::shared_ptr<WorkerThread>> snapshot;
    {
      std::unique_lock<std::mutex> lock(live.mutex);
      if (live.workers.empty() && live.threads == 0) return;
      if (live.workers.empty()) {
        // Threads that left the list are finishing their last steps.
        live.changed.wait(lock);
        continue;
      }
      snapshot = live.workers;
    }
    // Cancel all first so that they wind down together, then wait for each.
    for (const auto& worker : snapshot)
      worker->Cancel();
    for (const auto& worker : snapshot)
      worker->Stop();
    // Each one has returned from Run(); wait until it has left the list.
    std::unique_lock<std::mutex> lock(live.mutex);
    live.changed.wait(lock, [&] {
      return std::none_of(live.workers.begin(), live.workers.end(), [&](const auto& entry) {
        return std::find(snapshot.begin(), snapshot.end(), entry) != snapshot.end();
      });
    });
  }
}

size_t LiveWorkerCount() {
  LiveWorkers& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  return live.threads;
}

}  // namespace torvane
