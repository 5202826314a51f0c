// ProgressWindow: the bar rule, the two text lines, the marquee, Cancel
// during waits, handle waits, and the deferral of document timers while an
// operation runs: timers and repaints.
#include <sys/eventfd.h>
#include <unistd.h>

#include <QProgressBar>

#include "app/long_operation.h"
#include "app/progress_window.h"
#include "render/render_device.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

TEST(ProgressWindow, BarTextsMarqueeHandleWaitsCancelAndDocumentWorkAfterTheOperation) {
  ProgressWindow window(QStringLiteral("Union"));
  ASSERT_TRUE(window.Show());
  auto* bar = window.findChild<QProgressBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(window.CancelButton()->text(), QStringLiteral("Cancel"));
  // Whole percents, rounded down and kept within 0 .. 100.
  for (auto [fraction, value] : {std::pair{0.5, 50}, {0.995, 99}, {1.0, 100}, {-3.0, 0}}) {
    window.SetFraction(fraction);
    EXPECT_EQ(bar->value(), value) << fraction;
  }
  window.SetText("Cancelling action", 0);
  window.SetText("Build tree", 1);
  window.SetText("ignored", 2);
  EXPECT_EQ(window.LineText(0) + '|' + window.LineText(1) + '|' + window.LineText(2),
            QStringLiteral("Cancelling action|Build tree|"));
  // The marquee is Qt's busy indicator; the fraction set meanwhile shows
  // when it ends.
  window.BeginIndeterminate();
  EXPECT_TRUE(window.IsMarquee());
  EXPECT_EQ(bar->maximum(), 0);
  window.SetFraction(0.75);
  window.EndIndeterminate();
  EXPECT_FALSE(window.IsMarquee());
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 75);

  const int event = ::eventfd(0, EFD_CLOEXEC);
  ASSERT_GE(event, 0);
  EXPECT_EQ(window.WaitForObject(event, 20), kWaitTimedOut);
  const uint64_t one = 1;
  ASSERT_EQ(::write(event, &one, sizeof(one)), static_cast<ssize_t>(sizeof(one)));
  EXPECT_EQ(window.WaitForObject(event, kWaitForever), kWaitSignalled);
  // The other end of a pipe gone (its owner ended): counts as signalled.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  ::close(pipeEnds[1]);
  const WaitHandle set[2] = {pipeEnds[0], event};
  EXPECT_EQ(window.WaitForObjects(set, 1000), kWaitSignalled);
  EXPECT_EQ(window.WaitForObject(-1, kWaitForever), kWaitTimedOut);  // never hangs
  ::close(pipeEnds[0]);
  ::close(event);
  window.Close();

  ProgressWindow opening(QStringLiteral("Opening model.stl"));
  EXPECT_EQ(opening.Run([&](ProgressMonitor& monitor) {
    EXPECT_EQ(monitor.Sleep(1), kWaitSignalled);
    // Clicking Cancel while the operation sleeps: the click is handled by
    // the wait's own event pumping.
    QTimer::singleShot(50, &opening, [&opening] { opening.CancelButton()->click(); });
    EXPECT_EQ(monitor.SleepForever(), kWaitCancelled);
    EXPECT_TRUE(monitor.IsCancelled());
    EXPECT_EQ(monitor.Sleep(1), kWaitCancelled) << "nothing clears the flag";
    return 1;
  }),
            1);

  std::vector<std::string> order;
  ProgressWindow saving(QStringLiteral("Saving big.stl"));
  EXPECT_EQ(saving.Run([&](ProgressMonitor& monitor) {
    EXPECT_TRUE(IsLongOperationRunning());
    // A timer firing inside the operation's pumping must not touch the document.
    QTimer::singleShot(0, [&] { RunWhenIdle([&] { order.push_back("tick"); }); });
    monitor.Sleep(30);
    order.push_back("operation done");
    return 0;
  }),
            0);
  EXPECT_FALSE(IsLongOperationRunning());
  for (int i = 0; i < 100 && order.size() < 2; ++i)
    QCoreApplication::processEvents();
  EXPECT_EQ(order, (std::vector<std::string>{"operation done", "tick"}));

  // Outside an operation the work runs at once.
  RunWhenIdle([&] { order.push_back("now"); });
  EXPECT_EQ(order.back(), "now");
  EXPECT_EQ(RunWithProgress("Union", nullptr, [](ProgressMonitor&) { return 2; }), 2);
}

// Repaints asked for from inside an operation's cancellation polls show the
// last finished frame: nothing of the half-changed mesh is built or drawn,
// and its render flag stays set until the frame after the operation.
TEST(ProgressWindow, ViewsKeepTheirLastFrameWhileAnOperationRuns) {
  Document doc;
  SceneViews views(doc);
  views.ApplyLayout(0);
  views.container()->resize(320, 240);
  views.container()->show();
  ASSERT_EQ(AddPrimitive(doc, PrimitiveShape::kCube, ColourF{1, 0, 0, 1}).status, kStatusDone);
  Mesh& mesh = doc.objects.back()->mesh;
  ViewWidget* view = views.view(kPerspectiveView);
  views.Redraw();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->framesDrawn() > 0 && !mesh.renderStale; }, 10000));
  const uint64_t builds = RenderDevice::Instance().stats().arrayBuilds;
  const int drawn = view->framesDrawn();

  ProgressWindow window(QStringLiteral("Union"));
  const int status = window.Run([&](ProgressMonitor& monitor) {
    AppendTriangle(mesh, {0, 0, 0}, {20, 0, 0}, {0, 20, 0}, 0xFF00FF00u);  // half-way
    const int held = view->heldFramesShown();
    for (int i = 0; i < 50 && view->heldFramesShown() == held; ++i) {
      views.Redraw();
      view->repaint();
      monitor.Sleep(5);
      monitor.IsCancelled();
    }
    EXPECT_GT(view->heldFramesShown(), held);
    EXPECT_EQ(view->framesDrawn(), drawn);
    EXPECT_EQ(RenderDevice::Instance().stats().arrayBuilds, builds);
    EXPECT_TRUE(mesh.renderStale);
    return 0;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return view->framesDrawn() > drawn && !mesh.renderStale; }, 10000));
  EXPECT_GT(RenderDevice::Instance().stats().arrayBuilds, builds);
}

}  // namespace
}  // namespace torvane
