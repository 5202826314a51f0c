// ProgressWindow: the small modal window a long operation runs under. It
// shows the program icon, a bold heading (line 0), the current stage
// (line 1), a bar from 0 to 100 (a marquee in unmeasurable phases) and a
// "Cancel" button.
//
// The operation runs on the UI thread with the window as its
// ProgressMonitor: every IsCancelled call and every wait pumps pending
// events, so the window repaints and Cancel is honoured while the operation
// works. While the window is shown the rest of the program takes no input
// (the window is application-modal), and document timers are deferred until
// the operation ends (LongOperationScope).
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "core/progress_monitor.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace torvane {

class ProgressWindow : public QDialog, public ProgressMonitor {
  Q_OBJECT

 public:
  // title: the operation's name as shown in the window's title bar.
  explicit ProgressWindow(const QString& title, QWidget* owner = nullptr);
  ~ProgressWindow() override;

  // Shows the window modally over its owner; false when it cannot be shown.
  bool Show();
  // Hides the window and hands the focus back to the owner.
  void Close();
  // Show, body(*this), Close. Answers the body's status, or 2 (failed) when
  // the window could not be shown.
  int Run(const std::function<int(ProgressMonitor&)>& body);

  bool IsCancelled() override;
  int Sleep(uint32_t milliseconds) override;
  int WaitForObject(WaitHandle handle, uint32_t milliseconds) override;
  int WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) override;
  void ShowError(const std::string& text) override;
  void SetText(const std::string& text, int line) override;
  void SetFraction(double fraction) override;
  void BeginIndeterminate() override;
  void EndIndeterminate() override;

  // What the window shows, for the program's checks and tests.
  int BarPosition() const { return position_; }
  bool IsMarquee() const { return marquee_; }
  QString LineText(int line) const;
  QPushButton* CancelButton() const { return cancel_; }

 public Q_SLOTS:
  // The Cancel button; the flag stays set for the window's lifetime.
  void RequestCancel();

 protected:
  // Escape and the window's close request count as Cancel, not as hiding.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Waits for one of `handles` (none: only the time) in short slices,
  // pumping events between them.
  int WaitPumping(std::span<const WaitHandle> handles, uint32_t milliseconds);

  QLabel* heading_ = nullptr;
  QLabel* stage_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QWidget* owner_ = nullptr;
  bool cancelled_ = false;
  bool marquee_ = false;
  int position_ = 0;
};

// Runs `body` under a ProgressWindow titled `title`, owned by `owner`.
// The status is 2 (failed) unless the body ran and answered otherwise.
int RunWithProgress(const std::string& title, QWidget* owner,
                    const std::function<int(ProgressMonitor&)>& body);

}  // namespace torvane
