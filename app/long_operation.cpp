// The long-operation depth and the work deferred until it returns to zero.
#include "app/long_operation.h"

#include <QCoreApplication>
#include <QTimer>
#include <utility>
#include <vector>

#include "render/frame_hold.h"

namespace torvane {
namespace {

int g_depth = 0;
std::vector<std::function<void()>> g_deferred;

// Runs the deferred work from the event loop rather than from the scope's
// destructor, so that it never runs inside the caller's stack frames.
void FlushDeferredLater() {
  if (g_deferred.empty()) return;
  if (!QCoreApplication::instance()) {
    g_deferred.clear();
    return;
  }
  QTimer::singleShot(0, QCoreApplication::instance(), [] {
    std::vector<std::function<void()>> work;
    work.swap(g_deferred);
    for (size_t i = 0; i < work.size(); ++i) {
      if (g_depth > 0) {
        // An operation started again: keep the rest for its end.
        g_deferred.insert(g_deferred.begin(), work.begin() + static_cast<long>(i), work.end());
        return;
      }
      work[i]();
    }
  });
}

}  // namespace

LongOperationScope::LongOperationScope() {
  ++g_depth;
  HoldViewFrames();
}

LongOperationScope::~LongOperationScope() {
  --g_depth;
  // The operation has finished changing the document: the views draw it.
  ReleaseViewFrames();
  if (g_depth == 0) FlushDeferredLater();
}

bool IsLongOperationRunning() {
  return g_depth > 0;
}

void RunWhenIdle(std::function<void()> work) {
  if (g_depth == 0) {
    work();
    return;
  }
  g_deferred.push_back(std::move(work));
}

}  // namespace torvane
