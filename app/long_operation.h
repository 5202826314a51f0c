// Long operations run on the UI thread while their progress window pumps
// events. Nothing that reads or changes the document (the autosave tick, the
// start-up step) may run from inside that pump: such work asks RunWhenIdle,
// which runs it at once when no operation is in progress, or after the
// outermost operation has ended. The views show their last finished frame
// meanwhile (HoldViewFrames) and draw the new state when it ends.
#pragma once

#include <functional>

namespace torvane {

// Marks a long operation for its lifetime; scopes nest.
class LongOperationScope {
 public:
  LongOperationScope();
  ~LongOperationScope();
  LongOperationScope(const LongOperationScope&) = delete;
  LongOperationScope& operator=(const LongOperationScope&) = delete;
};

bool IsLongOperationRunning();

// Runs `work` now, or queues it until the last LongOperationScope ends (then
// it runs from the event loop, in the order queued).
void RunWhenIdle(std::function<void()> work);

}  // namespace torvane
