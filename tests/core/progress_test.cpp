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
  EXPECT_EQ(outer.indeterminate, 1);
  EXPECT_FALSE(inner.IsCancelled());
  outer.cancelled = true;
  EXPECT_TRUE(inner.IsCancelled());
}

TEST(NullProgress, WaitsOnDescriptors) {
  NullProgress progress;
  EXPECT_FALSE(progress.IsCancelled());
  EXPECT_EQ(progress.Sleep(1), kWaitSignalled);

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
  std::atomic<int> nice{0};
  Event finished;   // set at the end of Run()
  Event destroyed;  // set by the destructor
  std::atomic<int> destructions{0};
};

class TestWorker : public WorkerThread {
 public:
  enum class Action { kSleepForever, kWaitForObject, kWaitForObjects, kReturn, kReadNice };

  TestWorker(std::shared_ptr<WorkerLog> log, Action action, std::vector<WaitHandle> handles = {})
      : log_(std::move(log)), action_(action), handles_(std::move(handles)) {}
  ~TestWorker() override {
    ++log_->destructions;
    log_->destroyed.Set();
  }

 protected:
  void Run() override {
    switch (action_) {
      case Action::kSleepForever:
        log_->result = SleepForever();
        break;
      case Action::kWaitForObject:
        log_->result = WaitForObjectForever(handles_[0]);
        break;
      case Action::kWaitForObjects:
        log_->result = WaitForObjectsForever(handles_);
        break;
      case Action::kReturn:
        log_->result = IsCancelled() ? 1 : 0;
        break;
      case Action::kReadNice:
        log_->nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
        log_->result = 0;
        break;
    }
    log_->finished.Set();
  }

 private:
  std::shared_ptr<WorkerLog> log_;
  Action action_;
  std::vector<WaitHandle> handles_;
};

TEST(WorkerThread, StopCancelsWaitsAndReturnsAtOnceWhenEnded) {
  NullProgress main;
  auto log = std::make_shared<WorkerLog>();
  auto worker = std::make_shared<TestWorker>(log, TestWorker::Action::kSleepForever);
  ASSERT_TRUE(worker->Start(WorkerPriority::kBelowNormal));
  EXPECT_FALSE(worker->Start());  // only once
  worker->Stop();
  EXPECT_EQ(log->result, kWaitCancelled);
  EXPECT_FALSE(worker->IsRunning());
  EXPECT_TRUE(worker->IsCancelled());
  worker->Stop();  // already ended: returns at once
  worker.reset();  // the last reference goes here or on the ending thread
  ASSERT_EQ(main.WaitForObject(log->destroyed.fd(), kPatience), kWaitSignalled);
  EXPECT_EQ(log->destructions, 1);

  // A worker that ended on its own.
  auto quickLog = std::make_shared<WorkerLog>();
  auto quick = std::make_shared<TestWorker>(quickLog, TestWorker::Action::kReturn);
  ASSERT_TRUE(quick->Start());
  ASSERT_EQ(main.WaitForObject(quickLog->finished.fd(), kPatience), kWaitSignalled);
  quick->Stop();
  EXPECT_EQ(quickLog->result, 0);
  EXPECT_FALSE(quick->IsRunning());

  // A worker that was never started, or not held by a shared_ptr.
  auto idle = std::make_shared<TestWorker>(log, TestWorker::Action::kReturn);
  idle->Stop();
  TestWorker unshared(log, TestWorker::Action::kReturn);
  EXPECT_FALSE(unshared.Start());
}

TEST(WorkerThread, WaitsAnswerHandleOrCancel) {
  NullProgress main;
  Event handle;
  auto log = std::make_shared<WorkerLog>();
  auto worker = std::make_shared<TestWorker>(log, TestWorker::Action::kWaitForObject,
                                             std::vector{handle.fd()});
  ASSERT_TRUE(worker->Start());
  handle.Set();
  ASSERT_EQ(main.WaitForObject(log->finished.fd(), kPatience), kWaitSignalled);
  worker->Stop();
  EXPECT_EQ(log->result, kWaitSignalled);

  Event first;
  Event second;
  auto setLog = std::make_shared<WorkerLog>();
  auto setWorker = std::make_shared<TestWorker>(setLog, TestWorker::Action::kWaitForObjects,
                                                std::vector{first.fd(), second.fd()});
  ASSERT_TRUE(setWorker->Start());
  second.Set();
  ASSERT_EQ(main.WaitForObject(setLog->finished.fd(), kPatience), kWaitSignalled);
  EXPECT_EQ(setLog->result, kWaitSignalled);
  setWorker->Stop();

  auto cancelLog = std::make_shared<WorkerLog>();
  auto cancelled = std::make_shared<TestWorker>(cancelLog, TestWorker::Action::kWaitForObjects,
                                                std::vector{first.fd()});
  ASSERT_TRUE(cancelled->Start());
  cancelled->Stop();
  EXPECT_EQ(cancelLog->result, kWaitCancelled);

  // The worker's own waits outside a thread: time-outs.
  auto direct = std::make_shared<TestWorker>(log, TestWorker::Action::kReturn);
  EXPECT_EQ(direct->Sleep(1), kWaitSignalled);
  EXPECT_EQ(direct->WaitForObject(first.fd(), 1), kWaitTimedOut);
  direct->Cancel();
  EXPECT_EQ(direct->Sleep(kWaitForever), kWaitCancelled);
  EXPECT_EQ(direct->WaitForObject(first.fd(), kWaitForever), kWaitCancelled);
}

TEST(WorkerThread, BelowNormalPriorityLowersTheThread) {
  NullProgress main;
  auto log = std::make_shared<WorkerLog>();
  auto worker = std::make_shared<TestWorker>(log, TestWorker::Action::kReadNice);
  const int ours = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
  ASSERT_TRUE(worker->Start(WorkerPriority::kBelowNormal));
  ASSERT_EQ(main.WaitForObject(log->finished.fd(), kPatience), kWaitSignalled);
  worker->Stop();
  EXPECT_TRUE(log->nice > ours || log->nice == 19) << log->nice;
}

TEST(WorkerThread, ForgottenWorkersDeleteThemselvesAndStopAllDrainsTheRest) {
  NullProgress main;
  auto log = std::make_shared<WorkerLog>();
  {
    auto quick = std::make_shared<TestWorker>(log, TestWorker::Action::kReturn);
    ASSERT_TRUE(quick->Start(WorkerPriority::kLowest));
  }  // nobody holds it now but its own thread
  ASSERT_EQ(main.WaitForObject(log->destroyed.fd(), kPatience), kWaitSignalled);
  EXPECT_EQ(log->destructions, 1);

  auto sleepers = std::make_shared<WorkerLog>();
  for (int i = 0; i < 3; ++i) {
    auto sleeper = std::make_shared<TestWorker>(sleepers, TestWorker::Action::kSleepForever);
    ASSERT_TRUE(sleeper->Start(WorkerPriority::kBelowNormal));
  }
  EXPECT_GE(LiveWorkerCount(), 3u);
  StopAllWorkers();
  EXPECT_EQ(LiveWorkerCount(), 0u);
  EXPECT_EQ(sleepers->destructions, 3);
  EXPECT_EQ(sleepers->result, kWaitCancelled);
  StopAllWorkers();  // nothing left: returns at once
}

// The headings (line 0) and details (line 1) the long mesh operations show,
// as the user reads them.
TEST(ProgressTexts, MeshOperationsReadAsWritten) {
  auto selected = [](Mesh mesh, Document& doc) {
    SceneObject object;
    object.mesh = std::move(mesh);
    const uint32_t id = AddObjectCopy(doc, object);
    SelectObject(*FindObject(doc, id));
    AddToSelection(doc, id);
  };
  const struct {
    const char* name;
    std::function<void(Document&, ProgressMonitor&)> run;
    std::vector<std::string> texts;
  } kOperations[] = {
      {"vertices",
       [&](Document& doc, ProgressMonitor& m) {
         selected(testing::MakeSoupCube(), doc);
         EXPECT_EQ(RemoveDuplicateVerticesCommand(doc, m).statusText,
                   "Removed a total of 28 duplicated vertices from the selected objects.");
       },
       {"0:Simplifying vertices", "1:Getting ready...", "1:Analyzing vertices...",
        "1:Building new indices..."}},
      {"triangles",
       [&](Document& doc, ProgressMonitor& m) {
         Mesh cube = testing::MakeIndexedCube();
         AppendTriangleFromCorners(cube, 0, 1, 2);
         selected(cube, doc);
         EXPECT_EQ(RemoveDuplicateTrianglesCommand(doc, m).statusText,
                   "Removed a total of 1 duplicated triangles from the selected objects.");
       },
       {"0:Simplifying triangles", "1:Getting ready...", "1:Analyzing triangles",
        "1:Removing duplicated triangles"}},
      {"split",
       [&](Document& doc, ProgressMonitor& m) {
         Mesh two = testing::MakeIndexedCube();
         AppendMesh(two, testing::MakeIndexedCube({3, 0, 0}, {4, 1, 1}));
         selected(testing::MakeIndexedCube(), doc);
         selected(two, doc);
         EXPECT_EQ(SplitObjectsCommand(doc, m).statusText,
                   "The selected objects have been split into 3.");
       },
       {"0:Processing object 1", "1:Found 1 part", "0:Processing object 2", "1:Found 1 part",
        "1:Found 2 parts"}},
  };
  for (const auto& operation : kOperations) {
    Document doc;
    RecordingMonitor monitor;
    operation.run(doc, monitor);
    std::vector<std::string> shown;
    for (const std::string& text : monitor.texts) {
      if (shown.empty() || shown.back() != text) shown.push_back(text);
    }
    EXPECT_EQ(shown, operation.texts) << operation.name;
  }
}

}  // namespace
}  // namespace torvane
