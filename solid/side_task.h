// SideTask: one kernel step on a second processor core while the caller's
// thread does another that does not touch the same data.
//
// Input: a job taking its own monitor, whose cancellation follows the
// caller's. Output: the job's result from Finish, which waits for it while
// the caller's monitor is polled (so a progress window stays responsive and
// its Cancel reaches the job). Where the machine has one core or no thread
// can be started, the job runs in Finish on the caller's thread: the results
// are the same either way. The job must never use the caller's monitor.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/null_progress.h"
#include "solid/bsp.h"

namespace torvane {

class SideTask {
 public:
  using Job = std::function<CsgResult(ProgressMonitor&)>;

  explicit SideTask(Job job);
  // Cancels and waits for a job Finish was not called for.
  ~SideTask();
  SideTask(const SideTask&) = delete;
  SideTask& operator=(const SideTask&) = delete;

  CsgResult Finish(ProgressMonitor& monitor);
  // Stops the job at its next polling point and waits for it (the job does
  // not run when it has no thread).
  void Cancel();

 private:
  class Monitor : public NullProgress {
   public:
    explicit Monitor(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
    bool IsCancelled() override { return cancelled_.load(std::memory_order_relaxed); }

   private:
    const std::atomic<bool>& cancelled_;
  };

  void Work();

  Job job_;
  std::atomic<bool> cancelled_{false};
  Monitor monitor_{cancelled_};
  std::mutex mutex_;
  std::condition_variable doneSignal_;
  bool done_ = false;
  bool finished_ = false;
  CsgResult result_ = kCsgDone;
  std::thread thread_;
};

}  // namespace torvane
