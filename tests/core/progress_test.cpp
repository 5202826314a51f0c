// Progress, workers and settings: the sub-range monitor, waits on
// descriptors, worker threads (stop, cancel, waits, priority, deleting
// themselves), the texts the long mesh operations show; decoding of
// settings (bools, integers, vectors), the cut of long values, the
// underscore names, the installed store, and the overlay store whose
// changes shadow a base store that never changes.
#include "core/settings.h"

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <functional>
#include <memory>

#include "core/duplicate_removal.h"
#include "core/overlay_settings_store.h"
#include "core/settings_values.h"
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
  for (double fraction : {0.0, 0.5, 1.0})
    stage.SetFraction(fraction);
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
  Event a, b;
  const WaitHandle both[2] = {a.fd(), b.fd()};
  EXPECT_TRUE(progress.WaitForObject(a.fd(), 5) == kWaitTimedOut &&
              progress.WaitForObjects(both, 5) == kWaitTimedOut);
  b.Set();
  EXPECT_TRUE(progress.WaitForObjects(both, kPatience) == kWaitSignalled &&
              progress.WaitForObjectForever(b.fd()) == kWaitSignalled &&
              WaitForHandles(both, 0) == 1);

  // A pipe whose writer went away counts as signalled (hang-up).
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  EXPECT_EQ(progress.WaitForObject(fds[0], 5), kWaitTimedOut);
  ::close(fds[1]);
  EXPECT_EQ(progress.WaitForObject(fds[0], kPatience), kWaitSignalled);
  ::close(fds[0]);

  // Nothing to wait on is a failed wait, not an endless one.
  EXPECT_TRUE(progress.WaitForObjectForever(-1) == kWaitTimedOut &&
              progress.WaitForObjectsForever({}) == kWaitTimedOut);
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
    std::vector<std::string> shown = monitor.texts;  // a text set again is shown once
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    EXPECT_EQ(shown, operation.texts);
  }
}

TEST(Settings, BoolAndIntDecoding) {
  MemorySettingsStore store;
  const std::string g = kGroupSettings;
  // Missing or empty values give the default. A bool is false when its text
  // starts with a zero; integers read like atoi, clamped to the int range.
  EXPECT_TRUE(ReadSettingBool(store, g, kShowHints, true));
  EXPECT_EQ(ReadSettingInt(store, g, kRuns, 5), 5);
  for (const auto& [text, value] :
       {std::pair{"0", false}, {"0 but true", false}, {"no", true}, {"", true}}) {
    store.WriteValue(g, kEnableSpecular, text);
    EXPECT_EQ(ReadSettingBool(store, g, kEnableSpecular, true), value) << text;
  }
  for (const auto& [text, value] : {std::pair{"7", 7},
                                    {"abc", 0},
                                    {"", 5},
                                    {"  -12px", -12},
                                    {"99999999999999999999", INT_MAX},
                                    {"-99999999999999999999", INT_MIN}}) {
    store.WriteValue(g, kRuns, text);
    EXPECT_EQ(ReadSettingInt(store, g, kRuns, 5), value) << text;
  }

  EXPECT_TRUE(WriteSettingBool(store, g, kShowGrid, false) && store.ReadValue(g, kShowGrid) == "0");
  EXPECT_TRUE(WriteSettingInt(store, g, kRuns, -42) && store.ReadValue(g, kRuns) == "-42");
  store.WriteValue(g, kDocumentFolder, "");
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, "/home/u/Documents"), "");
}

TEST(Settings, VectorsLeaveTheCallersValueWhenMissing) {
  MemorySettingsStore store;
  const std::string g = kGroupDrawingControl;
  Vec3 eye{9.0f, 8.0f, 7.0f}, partial = eye;
  store.WriteValue(g, kEyePosition, "");
  ReadSettingVector(store, g, kEyePosition, eye);
  // The scan stops at the first field that does not match.
  store.WriteValue(g, kLookAt, " +4.5, 6,x");
  ReadSettingVector(store, g, kLookAt, partial);
  EXPECT_TRUE(eye.z == 7.0f && partial.x == 4.5f && partial.y == 6.0f && partial.z == 7.0f);

  // A comma decimal mark in the user's locale must not leak into the text.
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, locale)) continue;
    EXPECT_TRUE(WriteSettingVector(store, g, kLookAt, {1.5f, -2.0f, 1000000.0f}));
    EXPECT_EQ(store.ReadValue(g, kLookAt), "1.500000,-2.000000,1000000.000000") << locale;
    Vec3 back;
    ReadSettingVector(store, g, kLookAt, back);
    EXPECT_EQ(back.x, 1.5f) << locale;
  }
  std::setlocale(LC_NUMERIC, "C");
}

TEST(Settings, LongValuesAreCutTo259Utf16Units) {
  MemorySettingsStore store;
  const std::string g = kGroupSettings;
  store.WriteValue(g, kDocumentFolder, std::string(300, 'a'));
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), std::string(259, 'a'));
  // A character outside the basic plane takes two units and is never halved.
  store.WriteValue(g, kDocumentFolder, std::string(258, 'a') + "\xF0\x9F\x98\x80" + "b");
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), std::string(258, 'a'));
  std::string accented;
  for (int i = 0; i < 260; ++i)
    accented += "\xC3\xA9";
  store.WriteValue(g, kDocumentFolder, accented);
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), accented.substr(0, 518));
}

TEST(Settings, DeleteRetriesTheUnderscoreName) {
  MemorySettingsStore store;
  const std::string g = kGroupDrawingControl;
  store.WriteValue(g, "_ZoomFactor", "2");
  EXPECT_TRUE(DeleteSettingValue(store, g, kZoomFactor) && !store.ValueExists(g, "_ZoomFactor"));
  EXPECT_FALSE(DeleteSettingValue(store, g, kZoomFactor));

  store.WriteValue(g, kRotationX, "1");
  store.WriteValue(g, "_RotationX", "1");
  EXPECT_TRUE(DeleteSettingValue(store, g, kRotationX) &&
              !SettingValueExists(store, g, kRotationX));
  EXPECT_TRUE(SettingValueExists(store, g, "_RotationX"));  // only one of them goes
}

TEST(Settings, InstalledStoreIsUsedByTheShortForms) {
  auto owned = std::make_unique<MemorySettingsStore>();
  MemorySettingsStore* installed = owned.get();
  SetSettingsStore(std::move(owned));
  EXPECT_TRUE(WriteSettingInt(kGroupEditing, DefaultColorValueName(15), 0x00FF00));
  EXPECT_EQ(installed->ReadValue("Editing", "DefaultColor15"), "65280");
  SetSettingsStore(nullptr);  // back to a fresh memory store
  EXPECT_FALSE(SettingValueExists(kGroupEditing, DefaultColorValueName(15)));
}

TEST(OverlaySettingsStore, ChangesShadowTheBaseWhichStaysAsItWas) {
  auto base = std::make_unique<MemorySettingsStore>();
  MemorySettingsStore& original = *base;
  original.WriteValue("Settings", "Kept", "1");
  original.WriteValue("Settings", "Changed", "2");
  original.WriteValue("Settings", "Deleted", "3");
  OverlaySettingsStore overlay(std::move(base));

  EXPECT_TRUE(overlay.WriteValue("Settings", "Changed", "20") &&
              overlay.WriteValue("MainWindow", "New", "4") &&
              overlay.DeleteValue("Settings", "Deleted"));
  // Gone already, and never there.
  EXPECT_FALSE(overlay.DeleteValue("Settings", "Deleted") ||
               overlay.DeleteValue("Settings", "Missing"));
  EXPECT_TRUE(overlay.WriteValue("Settings", "Rewritten", "5") &&
              overlay.DeleteValue("Settings", "Rewritten"));

  const struct {
    const char* group;
    const char* name;
    std::optional<std::string> seen;      // through the overlay
    std::optional<std::string> original;  // in the base store
  } cases[] = {
      {"Settings", "Kept", "1", "1"},
      {"Settings", "Changed", "20", "2"},
      {"Settings", "Deleted", std::nullopt, "3"},
      {"MainWindow", "New", "4", std::nullopt},
      {"Settings", "Rewritten", std::nullopt, std::nullopt},
      {"Settings", "Missing", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.group) + "/" + c.name);
    EXPECT_EQ(overlay.ReadValue(c.group, c.name), c.seen);
    EXPECT_EQ(overlay.ValueExists(c.group, c.name), c.seen.has_value());
    EXPECT_EQ(original.ReadValue(c.group, c.name), c.original);
  }
}

}  // namespace
}  // namespace torvane
