// SideTask: see side_task.h.
#include "solid/side_task.h"

#include <chrono>
#include <new>
#include <system_error>

namespace torvane {

SideTask::SideTask(Job job) : job_(std::move(job)) {
  if (std::thread::hardware_concurrency() < 2) return;
  try {
    thread_ = std::thread(&SideTask::Work, this);
  } catch (const std::system_error&) {
    // No thread to be had: Finish runs the job here.
  }
}

SideTask::~SideTask() {
  if (!finished_) Cancel();
}

void SideTask::Cancel() {
  finished_ = true;
  cancelled_ = true;
  if (thread_.joinable()) thread_.join();
}

void SideTask::Work() {
  CsgResult result = kCsgOutOfMemory;
  try {
    result = job_(monitor_);
  } catch (const std::bad_alloc&) {
    // Reported as the job's own memory failure.
  }
  std::lock_guard<std::mutex> lock(mutex_);
  result_ = result;
  done_ = true;
  doneSignal_.notify_one();
}

CsgResult SideTask::Finish(ProgressMonitor& monitor) {
  finished_ = true;
  if (!thread_.joinable()) return job_(monitor);
  std::unique_lock<std::mutex> lock(mutex_);
  // The caller's monitor is asked every 10 ms, as the kernel's own polls ask
  // it at most that often.
  while (!doneSignal_.wait_for(lock, std::chrono::milliseconds(10), [&] { return done_; })) {
    lock.unlock();
    if (monitor.IsCancelled()) cancelled_ = true;
    lock.lock();
  }
  lock.unlock();
  thread_.join();
  return result_;
}

}  // namespace torvane
