#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/duplicate_removal.h"
#include "core/null_progress.h"
#include "core/split_group.h"
#include "core/sub_range_progress.h"
#include "core/worker_thread.h"
#include "mesh_test_shapes.h"

namespace torvane {
namespace {

using namespace testing;

// An eventfd that closes itself.
class Event {
 public:
  Event() : fd_(::eventfd(0, EFD_CLOEXEC)) {}
  ~Event() { ::close(fd_); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  int fd() const { return fd_; }
  void Set() {
    const uint64_t one = 1;
    (void)!::write(fd_, &one, sizeof(one));
  }

 private:
  int fd_;
};

// Generous limit for waits that should end long before it; reaching it
// means the awaited thing never happened.
constexpr uint32_t kPatience = 20000;

class RecordingMonitor : public NullProgress {
 public:
  bool IsCancelled() override { return cancelled; }
  void SetText(const std::string& text, int line) override {
    texts.push_back(std::to_string(line) + ":" + text);
  }
  void SetFraction(double fraction) override { fractions.push_back(fraction); }
  void BeginIndeterminate() override { ++indeterminate; }
  void EndIndeterminate() override { --indeterminate; }

  bool cancelled = false;
  std::vector<std::string> texts;
  std::vector<double> fractions;
  int indeterminate = 0;
};

TEST(SubRangeProgress, MapsFractionsAndPassesTheRestThrough) {
  RecordingMonitor outer;
  SubRangeProgress stage(outer, 0.25, 0.5);
  stage.SetFraction(0.0);
  stage.SetFraction(0.5);
  stage.SetFraction(1.0);
  SubRangeProgress inner(stage, 0.5, 0.5);  // the second half of the stage
  inner.SetFraction(0.5);
  EXPECT_EQ(outer.fractions, (std::vector<double>{0.25, 0.5, 0.75, 0.625}));

  stage.SetText("Build tree", 1);
  stage.BeginIndeterminate();
  EXPECT_EQ(outer.texts, (std::vector<std::string>{"1:Build tree"}));
  EXPECT_TRUE(outer.indeterminate == 1 && !inner.IsCancelled());
  outer.cancelled = true;
  EXPECT_TRUE(inner.IsCancelled());
}

TEST(NullProgress, WaitsOnDescriptors) {
  NullProgress progress;
  Event a;
  Event b;
  EXPECT_EQ(progress.WaitForObject(a.fd(), 5), kWaitTimedOut);
  const WaitHandle both[2] = {a.fd(), b.fd()};
  EXPECT_EQ(progress.WaitForObjects(both, 5), kWaitTimedOut);
  b.Set();
  EXPECT_EQ(progress.WaitForObjects(both, kPatience), kWaitSignalled);
  EXPECT_EQ(progress.WaitForObjectForever(b.fd()), kWaitSignalled);
  EXPECT_EQ(WaitForHandles(both, 0), 1);

  // A pipe whose writer went away counts as signalled (hang-up).
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  EXPECT_EQ(progress.WaitForObject(fds[0], 5), kWaitTimedOut);
  ::close(fds[1]);
  EXPECT_EQ(progress.WaitForObject(fds[0], kPatience), kWaitSignalled);
  ::close(fds[0]);

  // Nothing to wait on is a failed wait, not an endless one.
  EXPECT_EQ(progress.WaitForObjectForever(-1), kWaitTimedOut);
  EXPECT_EQ(progress.WaitForObjectsForever({}), kWaitTimedOut);
}

// What a test worker saw; outlives the worker, which may delete itself.
struct WorkerLog {
  std::atomic<int> result{-1};
  Event finished;   // set at the end of Run()
  Event destroyed;  // set by the destructor
  std::atomic<int> destructions{0};
};

// Runs `body` and keeps its answer in the log.
class TestWorker : public WorkerThread {
 public:
  using Body = std::function<int(TestWorker&)>;
  TestWorker(std::shared_ptr<WorkerLog> log, Body body)
      : log_(std::move(log)), body_(std::move(body)) {}
  ~TestWorker() override {
    ++log_->destructions;
    log_->destroyed.Set();
  }

 protected:
  void Run() override {
    log_->result = body_(*this);
    log_->finished.Set();
  }

 private:
  std::shared_ptr<WorkerLog> log_;
  Body body_;
};

const TestWorker::Body kSleepForever = [](TestWorker& w) { return w.SleepForever(); };
const TestWorker::Body kReturn = [](TestWorker& w) { return w.IsCancelled() ? 1 : 0; };

std::shared_ptr<TestWorker> Worker(std::shared_ptr<WorkerLog> log, TestWorker::Body body) {
  return std::make_shared<TestWorker>(std::move(log), std::move(body));
}

TEST(WorkerThread, StopCancelsWaitsReturnsAtOnceWhenEndedAndLowersThePriority) {
  NullProgress main;
  auto log = std::make_shared<WorkerLog>();
  auto worker = Worker(log, kSleepForever);
  ASSERT_TRUE(worker->Start(WorkerPriority::kBelowNormal));
  EXPECT_FALSE(worker->Start());  // only once
  worker->Stop();
  EXPECT_EQ(log->result, kWaitCancelled);
  EXPECT_TRUE(!worker->IsRunning() && worker->IsCancelled());
  worker->Stop();  // already ended: returns at once
  worker.reset();  // the last reference goes here or on the ending thread
  ASSERT_EQ(main.WaitForObject(log->destroyed.fd(), kPatience), kWaitSignalled);
  EXPECT_EQ(log->destructions, 1);

  // A worker that ended on its own (reporting its nice value), one never
  // started, one not shared.
  auto niceOf = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())); };
  auto quickLog = std::make_shared<WorkerLog>();
  auto quick = Worker(quickLog, [&](TestWorker&) { return niceOf(); });
  ASSERT_TRUE(quick->Start(WorkerPriority::kBelowNormal));
  ASSERT_EQ(main.WaitForObject(quickLog->finished.fd(), kPatience), kWaitSignalled);
  quick->Stop();
  EXPECT_FALSE(quick->IsRunning());
  EXPECT_TRUE(quickLog->result > niceOf() || quickLog->result == 19) << quickLog->result;
  Worker(log, kReturn)->Stop();
  TestWorker unshared(log, kReturn);
  EXPECT_FALSE(unshared.Start());
}

TEST(WorkerThread, WaitsAnswerHandleOrCancel) {
  NullProgress main;
  Event first, second, never;
  const WaitHandle both[2] = {first.fd(), second.fd()}, none[1] = {never.fd()};
  // One handle and a set answer the handle set; a stopped worker's wait is cancelled.
  const struct {
    const char* name;
    TestWorker::Body body;
    Event* set;  // nullptr: the worker is stopped instead
    int result;
  } kWaits[] = {
      {"one", [&](TestWorker& w) { return w.WaitForObjectForever(first.fd()); }, &first,
       kWaitSignalled},
      {"set", [&](TestWorker& w) { return w.WaitForObjectsForever(both); }, &second,
       kWaitSignalled},
      {"stopped", [&](TestWorker& w) { return w.WaitForObjectsForever(none); }, nullptr,
       kWaitCancelled},
  };
  for (const auto& wait : kWaits) {
    auto log = std::make_shared<WorkerLog>();
    auto worker = Worker(log, wait.body);
    ASSERT_TRUE(worker->Start()) << wait.name;
    if (wait.set) {
      wait.set->Set();
      ASSERT_EQ(main.WaitForObject(log->finished.fd(), kPatience), kWaitSignalled) << wait.name;
    }
    worker->Stop();
    EXPECT_EQ(log->result, wait.result) << wait.name;
  }

  // The worker's own waits outside a thread: time-outs, then cancelled.
  auto direct = Worker(std::make_shared<WorkerLog>(), kReturn);
  EXPECT_EQ(direct->Sleep(1), kWaitSignalled);
  EXPECT_EQ(direct->WaitForObject(never.fd(), 1), kWaitTimedOut);
  direct->Cancel();
  EXPECT_EQ(direct->Sleep(kWaitForever), kWaitCancelled);
  EXPECT_EQ(direct->WaitForObject(never.fd(), kWaitForever), kWaitCancelled);
}

TEST(WorkerThread, ForgottenWorkersDeleteThemselvesAndStopAllDrainsTheRest) {
  NullProgress main;
  auto log = std::make_shared<WorkerLog>();
  ASSERT_TRUE(Worker(log, kReturn)->Start(WorkerPriority::kLowest));
  // Nobody holds it now but its own thread.
  ASSERT_EQ(main.WaitForObject(log->destroyed.fd(), kPatience), kWaitSignalled);
  auto sleepers = std::make_shared<WorkerLog>();
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(Worker(sleepers, kSleepForever)->Start(WorkerPriority::kBelowNormal));
  EXPECT_GE(LiveWorkerCount(), 3u);
  StopAllWorkers();
  EXPECT_TRUE(LiveWorkerCount() == 0 && sleepers->destructions == 3 && log->destructions == 1);
  StopAllWorkers();  // nothing left: returns at once
}

// The headings (line 0) and details (line 1) the long mesh operations show,
// as the user reads them.
TEST(ProgressTexts, MeshOperationsReadAsWritten) {
  Mesh repeated = Cube(), two = Cube();
  AppendTriangleFromCorners(repeated, 0, 1, 2);
  AppendMesh(two, Cube({3, 0, 0}, {4, 1, 1}));
  const struct {
    std::vector<Mesh> selected;
    CommandOutcome (*run)(Document&, ProgressMonitor&);
    std::vector<std::string> texts;
    std::string status;
  } kOperations[] = {
      // clang-format off
      {{SoupCube()}, &RemoveDuplicateVerticesCommand, {"0:Simplifying vertices",
       "1:Getting ready...", "1:Analyzing vertices...", "1:Building new indices..."},
       "Removed a total of 28 duplicated vertices from the selected objects."},
      {{repeated}, &RemoveDuplicateTrianglesCommand, {"0:Simplifying triangles",
       "1:Getting ready...", "1:Analyzing triangles", "1:Removing duplicated triangles"},
       "Removed a total of 1 duplicated triangles from the selected objects."},
      {{Cube(), two}, &SplitObjectsCommand, {"0:Processing object 1", "1:Found 1 part",
       "0:Processing object 2", "1:Found 1 part", "1:Found 2 parts"},
       "The selected objects have been split into 3."},
      // clang-format on
  };
  for (const auto& operation : kOperations) {
    SCOPED_TRACE(operation.status);
    Document doc;
    for (const Mesh& mesh : operation.selected)
      AddSelectedMesh(doc, mesh);
    RecordingMonitor monitor;
    EXPECT_EQ(operation.run(doc, monitor).statusText, operation.status);
    std::vector<std::string> shown;
    for (const std::string& text : monitor.texts) {
      if (shown.empty() || shown.back() != text) shown.push_back(text);
    }
    EXPECT_EQ(shown, operation.texts);
  }
}

}  // namespace
}  // namespace torvane
