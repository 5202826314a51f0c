// WorkerThread: the base of every background worker (for example the release
// of an abandoned BSP tree). A subclass implements Run(), which receives the
// worker itself as its ProgressMonitor: IsCancelled() and the waits answer
// the worker's cancel event, which the owner sets through Stop() or which
// StopAllWorkers() sets at program exit.
//
// Ownership: a worker is always held by std::shared_ptr (make it with
// std::make_shared). Start() adds a reference held by the running thread and
// one held by the process-wide list of live workers; both are dropped when
// Run() returns, so a worker nobody else holds is deleted by its own thread
// when it ends ("fire and forget"). An owner that wants to Stop() the worker
// later keeps its own shared_ptr; Stop() on a worker that already ended
// returns at once. Threads are detached; Stop() and StopAllWorkers() wait
// for them through the worker's finished state, never through join.
//
// Waits: cancel event and handles are file descriptors waited on with poll.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "core/progress_monitor.h"

namespace torvane {

// Scheduling hints, as nice increments of the worker's thread. Raising a
// thread's priority back is best effort (it may need privileges).
enum class WorkerPriority : int {
  kNormal = 0,
  kBelowNormal = 5,
  kLowest = 10,
};

class WorkerThread : public ProgressMonitor, public std::enable_shared_from_this<WorkerThread> {
 public:
  WorkerThread();
  ~WorkerThread() override;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts Run() on a new thread. False when the worker is not held by a
  // shared_ptr, was started before, or the thread cannot be created (the
  // worker is then not listed).
  bool Start(WorkerPriority priority = WorkerPriority::kNormal);
  // Sets the cancel event, lends the worker the calling thread's priority
  // and waits until Run() has returned. Returns at once when the worker has
  // ended or was never started. Never call it from inside Run(). The ending
  // thread may still hold its reference for a moment: the worker is deleted
  // by whoever drops the last one.
  void Stop();
  // Sets the cancel event without waiting.
  void Cancel();
  bool IsRunning() const;

  bool IsCancelled() override;
  // 1 when the cancel event was set (at once or during the sleep), else 0.
  int Sleep(uint32_t milliseconds) override;
  // Cancel event -> 1, handle -> 0, otherwise 2.
  int WaitForObject(WaitHandle handle, uint32_t milliseconds) override;
  // The cancel event is appended to the set: a handle of the set -> 0,
  // the cancel event -> 1, time-out -> 2. At most 63 handles are watched.
  int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) override;
  void ShowError(const std::string&) override {}
  void SetText(const std::string&, int) override {}
  void SetFraction(double) override {}
  void BeginIndeterminate() override {}
  void EndIndeterminate() override {}

 protected:
  virtual void Run() = 0;

 private:
  void ThreadBody(std::shared_ptr<WorkerThread> self, WorkerPriority priority);

  int cancelEvent_ = -1;  // eventfd, signalled (and never reset) by Cancel()
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  bool started_ = false;
  bool running_ = false;
  int threadId_ = 0;  // kernel thread id, for priority changes
};

// Sets the cancel event of every live worker, then waits for each one to end.
// Called once at program exit; workers started afterwards are not waited for.
void StopAllWorkers();

// Number of workers whose threads have not finished yet.
size_t LiveWorkerCount();

}  // namespace torvane
