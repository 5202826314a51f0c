// ProgressWindow: layout, the pumping cancellation test and waits, and the
// bar rules.
#include "app/progress_window.h"

#include <poll.h>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "app/long_operation.h"
#include "core/status.h"

namespace torvane {
namespace {

// Longest stretch a wait goes without pumping events.
constexpr uint32_t kWaitSliceMs = 10;
// A wait looks at no more than this many handles of a set.
constexpr size_t kMaxWaitSetHandles = 63;

enum PollOutcome { kPollTimedOut = -1, kPollInvalid = -2 };

// One slice of a wait: the index of a signalled handle (readable, error or
// hang-up), kPollTimedOut, or kPollInvalid when a handle is not open.
int PollHandles(std::span<const WaitHandle> handles, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(handles.size());
  for (WaitHandle h : handles) {
    if (h < 0) return kPollInvalid;
    fds.push_back(pollfd{h, POLLIN, 0});
  }
  for (;;) {
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return kPollInvalid;
    }
    if (ready == 0) return kPollTimedOut;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents & POLLNVAL) return kPollInvalid;
      if (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) return static_cast<int>(i);
    }
    return kPollTimedOut;
  }
}

QIcon ProgramIcon(const QWidget* widget) {
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) icon = widget->style()->standardIcon(QStyle::SP_ComputerIcon);
  return icon;
}

}  // namespace

ProgressWindow::ProgressWindow(const QString& title, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), owner_(owner) {
  setWindowTitle(title);
  setWindowModality(Qt::ApplicationModal);
  setObjectName(QStringLiteral("ProgressWindow"));

  auto* iconLabel = new QLabel(this);
  iconLabel->setPixmap(ProgramIcon(this).pixmap(32, 32));
  iconLabel->setFixedSize(32, 32);

  heading_ = new QLabel(this);
  QFont bold = heading_->font();
  bold.setBold(true);
  heading_->setFont(bold);
  stage_ = new QLabel(this);
  for (QLabel* line : {heading_, stage_}) {
    line->setTextFormat(Qt::PlainText);
    line->setMinimumWidth(320);
  }

  bar_ = new QProgressBar(this);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  bar_->setTextVisible(false);

  auto* separator = new QFrame(this);
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);

  auto* caption = new QLabel(this);  // the static caption line, empty for model operations
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::RequestCancel);

  auto* lines = new QVBoxLayout;
  lines->addWidget(heading_);
  lines->addWidget(stage_);
  auto* top = new QHBoxLayout;
  top->addWidget(iconLabel, 0, Qt::AlignTop);
  top->addLayout(lines, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(caption, 1);
  bottom->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(bar_);
  layout->addWidget(separator);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

ProgressWindow::~ProgressWindow() = default;

bool ProgressWindow::Show() {
  if (!QApplication::instance()) return false;
  show();
  raise();
  activateWindow();
  // Let the window paint before the operation takes the thread.
  QCoreApplication::processEvents();
  return isVisible();
}

void ProgressWindow::Close() {
  hide();
  if (owner_) {
    QWidget* top = owner_->window();
    top->activateWindow();
    top->setFocus();
  }
}

int ProgressWindow::Run(const std::function<int(ProgressMonitor&)>& body) {
  LongOperationScope operation;
  if (!Show()) {
    Close();
    return kStatusFailed;
  }
  const int status = body(*this);
  Close();
  return status;
}

bool ProgressWindow::IsCancelled() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  return cancelled_;
}

void ProgressWindow::RequestCancel() {
  cancelled_ = true;
}

void ProgressWindow::reject() {
  RequestCancel();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  RequestCancel();
  event->ignore();
}

int ProgressWindow::WaitPumping(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  if (handles.size() > kMaxWaitSetHandles) handles = handles.first(kMaxWaitSetHandles);
  using Clock = std::chrono::steady_clock;
  const bool endless = milliseconds == kWaitForever;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (IsCancelled()) return kWaitCancelled;
    uint32_t slice = kWaitSliceMs;
    if (!endless) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return handles.empty() ? kWaitSignalled : kWaitTimedOut;
      slice = static_cast<uint32_t>(std::min<long long>(left, kWaitSliceMs));
    }
    if (handles.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
      continue;
    }
    const int polled = PollHandles(handles, static_cast<int>(slice));
    if (polled >= 0) return kWaitSignalled;
    if (polled == kPollInvalid) {
      // A handle that can never be signalled: waiting on would only hang.
      return kWaitTimedOut;
    }
  }
}

int ProgressWindow::Sleep(uint32_t milliseconds) {
  return WaitPumping({}, milliseconds);
}

int ProgressWindow::WaitForObject(WaitHandle handle, uint32_t milliseconds) {
  const WaitHandle one[1] = {handle};
  return WaitPumping(one, milliseconds);
}

int ProgressWindow::WaitForObjects(std::span<const WaitHandle> handles, uint32_t milliseconds) {
  if (handles.empty()) return kWaitTimedOut;
  return WaitPumping(handles, milliseconds);
}

void ProgressWindow::ShowError(const std::string& text) {
  QPalette palette = bar_->palette();
  palette.setColor(QPalette::Highlight, QColor(200, 40, 40));
  bar_->setPalette(palette);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                  QMessageBox::Ok, this);
  box.exec();
}

void ProgressWindow::SetText(const std::string& text, int line) {
  if (line == 0) {
    heading_->setText(QString::fromStdString(text));
  } else if (line == 1) {
    stage_->setText(QString::fromStdString(text));
  }
}

QString ProgressWindow::LineText(int line) const {
  if (line == 0) return heading_->text();
  if (line == 1) return stage_->text();
  return {};
}

void ProgressWindow::SetFraction(double fraction) {
  const int position = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  position_ = position;
  if (marquee_) return;  // shown once the phase ends
  // Near the end the bar is stepped past the value and back, so that the
  // final value shows at once instead of being animated towards.
  if (position > 98) bar_->setValue(std::min(position + 1, 100));
  bar_->setValue(position);
}

void ProgressWindow::BeginIndeterminate() {
  marquee_ = true;
  bar_->setRange(0, 0);
}

void ProgressWindow::EndIndeterminate() {
  if (!marquee_) return;
  marquee_ = false;
  bar_->setRange(0, 100);
  bar_->setValue(position_);
}

int RunWithProgress(const std::string& title, QWidget* owner,
                    const std::function<int(ProgressMonitor&)>& body) {
  int status = kStatusFailed;
  ProgressWindow window(QString::fromStdString(title), owner);
  status = window.Run(body);
  return status;
}

}  // namespace torvane
