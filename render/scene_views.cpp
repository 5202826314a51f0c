#include "render/scene_views.h"

#include <QApplication>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

#include "core/document.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "render/frame_hold.h"
#include "render/status_display.h"
#include "render/view_names.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

// Order of the 2D panes in a column, row or the quadrants.
constexpr int kPaneOrder[3] = {kTopView, kFrontView, kRightView};
// The 2D views are drawn before the perspective view.
constexpr int kDrawOrder[kViewCount] = {kTopView, kFrontView, kRightView, kPerspectiveView};

QWidget* MakePane(ViewWidget* view, int number, QWidget* parent) {
  auto* pane = new QWidget(parent);
  auto* box = new QVBoxLayout(pane);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  auto* title = new QLabel(QString::fromLatin1(PaneTitle(number)), pane);
  title->setObjectName(QStringLiteral("paneTitle"));
  title->setContentsMargins(4, 1, 4, 1);
  box->addWidget(title);
  view->setParent(pane);
  box->addWidget(view, 1);
  return pane;
}

QSplitter* MakeSplitter(Qt::Orientation orientation, QWidget* parent) {
  auto* splitter = new QSplitter(orientation, parent);
  splitter->setChildrenCollapsible(false);
  splitter->setHandleWidth(4);
  return splitter;
}

void ShareEqually(QSplitter* splitter) {
  QList<int> sizes;
  for (int i = 0; i < splitter->count(); ++i)
    sizes << 1000;
  splitter->setSizes(sizes);
  for (int i = 0; i < splitter->count(); ++i)
    splitter->setStretchFactor(i, 1);
}

}  // namespace

SceneViews::SceneViews(Document& doc, QObject* parent) : QObject(parent), doc_(doc) {
  AddHeldFrameViews(this);
  SetViewport(camera_, 100, 100);
  ResetView(camera_);
  hint_.colour = kHintDefaultColour;
  cornerLabel_.font = ViewLabelFont();
  cornerLabel_.shown = false;

  container_ = new QWidget();
  auto* box = new QVBoxLayout(container_);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  for (int number = 0; number < kViewCount; ++number) {
    views_[static_cast<size_t>(number)] = new ViewWidget(*this, number, container_);
  }
  panes_[kPerspectiveView] = views_[kPerspectiveView];
  for (int number = 1; number < kViewCount; ++number) {
    panes_[static_cast<size_t>(number)] =
        MakePane(views_[static_cast<size_t>(number)], number, container_);
    panes_[static_cast<size_t>(number)]->hide();
  }

  fadeStartTimer_.setSingleShot(true);
  fadeStepTimer_.setSingleShot(true);
  clearTimer_.setSingleShot(true);
  connect(&fadeStartTimer_, &QTimer::timeout, this, &SceneViews::FadeHintStep);
  connect(&fadeStepTimer_, &QTimer::timeout, this, &SceneViews::FadeHintStep);
  connect(&clearTimer_, &QTimer::timeout, this, &SceneViews::ClearHint);

  ApplyLayout(kLayoutRight);
}

SceneViews::~SceneViews() {
  RemoveHeldFrameViews(this);
  // The container is usually owned by the main window by now; when it was
  // never placed, it goes with us.
  if (container_ && !container_->parent()) delete container_;
}

void SceneViews::ApplyLayout(int value) {
  int layout = NormaliseLayout(value);
  // Park the panes in the container (never without a parent, so the views
  // keep their contexts) before the old splitters go.
  for (QWidget* pane : panes_) {
    pane->hide();
    pane->setParent(container_);
  }
  if (root_) {
    container_->layout()->removeWidget(root_);
    if (root_ != panes_[kPerspectiveView]) delete root_;
    root_ = nullptr;
  }

  QWidget* perspective = panes_[kPerspectiveView];
  QWidget* a = panes_[kPaneOrder[0]];
  QWidget* b = panes_[kPaneOrder[1]];
  QWidget* c = panes_[kPaneOrder[2]];
  if (layout == kLayoutHide2D) {
    root_ = perspective;
  } else if (layout == kLayoutQuadrants) {
    QSplitter* rows = MakeSplitter(Qt::Vertical, container_);
    QSplitter* upper = MakeSplitter(Qt::Horizontal, rows);
    QSplitter* lower = MakeSplitter(Qt::Horizontal, rows);
    upper->addWidget(a);
    upper->addWidget(perspective);
    lower->addWidget(b);
    lower->addWidget(c);
    rows->addWidget(upper);
    rows->addWidget(lower);
    ShareEqually(upper);
    ShareEqually(lower);
    ShareEqually(rows);
    // Moving one divider of the quadrants moves the other with it.
    connect(upper, &QSplitter::splitterMoved, lower, [upper, lower] {
      if (lower->sizes() != upper->sizes()) lower->setSizes(upper->sizes());
    });
    connect(lower, &QSplitter::splitterMoved, upper, [upper, lower] {
      if (upper->sizes() != lower->sizes()) upper->setSizes(lower->sizes());
    });
    root_ = rows;
  } else {
    bool right = layout == kLayoutRight;
    QSplitter* outer = MakeSplitter(right ? Qt::Horizontal : Qt::Vertical, container_);
    QSplitter* strip = MakeSplitter(right ? Qt::Vertical : Qt::Horizontal, outer);
    strip->addWidget(a);
    strip->addWidget(b);
    strip->addWidget(c);
    ShareEqually(strip);
    outer->addWidget(perspective);
    outer->addWidget(strip);
    outer->setStretchFactor(0, 3);
    outer->setStretchFactor(1, 1);
    outer->setSizes({3000, 1000});
    root_ = outer;
  }
  container_->layout()->addWidget(root_);
  root_->show();
  perspective->show();
  if (layout != kLayoutHide2D) {
    a->show();
    b->show();
    c->show();
  }
  layout_ = layout;
  Q_EMIT layoutChanged(layout_);
  Redraw();
}

void SceneViews::SetGridShown(bool shown) {
  options_.gridShown = shown;
  Redraw();
}

void SceneViews::ResetCamera() {
  SetViewMode(camera_, kPerspectiveView);
  ResetView(camera_);
  Redraw();
}

void SceneViews::ShowHint(const QString& text, Colour32 colour) {
  StopHintTimers();
  hint_.text = text.toStdString();
  hint_.colour = colour;
  hint_.timed = false;
  Redraw();
}

void SceneViews::ShowTimedHint(const QString& text, Colour32 colour) {
  ShowHint(text, colour);
  hint_.timed = true;
  StartHintTimers();
}

void SceneViews::ClearHint() {
  StopHintTimers();
  bool had = !hint_.text.empty();
  hint_.text.clear();
  hint_.timed = false;
  if (had) Redraw();
}

TextLabel SceneViews::HintLabel() const {
  TextLabel label;
  label.font = QApplication::font();
  label.SetText(QString::fromStdString(hint_.text), hint_.colour);
  return label;
}

void SceneViews::SetCornerLabel(const QString& text) {
  cornerLabel_.SetText(text, 0xFFFFFFFFu);
  cornerLabel_.shown = !text.isEmpty();
  Redraw();
}

void SceneViews::StartHintTimers() {
  fadeStartTimer_.start(kHintFadeStartMs);
  clearTimer_.start(kHintClearMs);
}

void SceneViews::StopHintTimers() {
  fadeStartTimer_.stop();
  fadeStepTimer_.stop();
  clearTimer_.stop();
}

void SceneViews::FadeHintStep() {
  if (hint_.text.empty()) return;
  if (StepHintFade(hint_)) {
    fadeStepTimer_.start(kHintFadeStepMs);
  } else {
    StopHintTimers();
  }
  Redraw();
}

void SceneViews::Redraw() {
  if (ViewFramesHeld()) {
    // The status text reads the document: it follows when the hold ends.
    for (ViewWidget* view : views_) {
      if (view && view->isVisible()) view->update();
    }
    return;
  }
  StatusDisplay status = StatusForDocument(doc_, selectionPoint_);
  QString text = QString::fromStdString(status.text);
  QString tooltip = QString::fromStdString(status.tooltip);
  if (!statusSent_ || text != lastStatusText_ || tooltip != lastStatusTooltip_) {
    statusSent_ = true;
    lastStatusText_ = text;
    lastStatusTooltip_ = tooltip;
    Q_EMIT statusChanged(text, tooltip);
  }
  for (int number : kDrawOrder) {
    ViewWidget* view = views_[static_cast<size_t>(number)];
    if (view && view->isVisible()) view->update();
  }
}

void SceneViews::OrbitBy(float dx, float dy) {
  SetViewMode(camera_, kPerspectiveView);
  Orbit(camera_, dx, dy);
  Redraw();
}

void SceneViews::PanView(int view, QPointF from, QPointF to) {
  ViewWidget* widget = views_[static_cast<size_t>(view)];
  SetViewMode(camera_, view);
  SetViewport(camera_, widget->width(), widget->height());
  Pan(camera_, view, static_cast<float>(from.x()), static_cast<float>(from.y()),
      static_cast<float>(to.x()), static_cast<float>(to.y()));
  SetViewMode(camera_, kPerspectiveView);
  Redraw();
}

void SceneViews::WheelTurned(int view, QPoint position, int delta) {
  if (wheelHandler && wheelHandler(view, position, delta)) return;
  SetViewMode(camera_, kPerspectiveView);
  Zoom(camera_, delta > 0);
  Redraw();
}

void SceneViews::LoadSettings() {
  options_.gridShown = ReadSettingBool(kGroupSettings, kShowGrid, kDefaultShowGrid);
  int layout = ReadSettingInt(kGroupSettings, kViewLayout, kDefaultViewLayout);
  SetViewMode(camera_, kPerspectiveView);
  ResetView(camera_);
  Vec3 eye = camera_.state.eye;
  Vec3 lookAt = camera_.state.lookAt;
  ReadSettingVector(kGroupDrawingControl, kEyePosition, eye);
  ReadSettingVector(kGroupDrawingControl, kLookAt, lookAt);
  if (!PlaceCamera(camera_, eye, lookAt)) ResetView(camera_);
  ApplyLayout(layout);
}

void SceneViews::SaveSettings() {
  WriteSettingBool(kGroupSettings, kShowGrid, options_.gridShown);
  WriteSettingInt(kGroupSettings, kViewLayout, layout_);
  SetViewMode(camera_, kPerspectiveView);
  bool anyObjects = false;
  for (const auto& object : doc_.objects) {
    if (object && IsLive(*object)) anyObjects = true;
  }
  if (!anyObjects) {
    ResetView(camera_);
    for (const char* name : {kEyePosition, kLookAt, kZoomFactor, kRotationX, kRotationY}) {
      DeleteSettingValue(kGroupDrawingControl, name);
    }
    return;
  }
  WriteSettingVector(kGroupDrawingControl, kEyePosition, camera_.state.eye);
  WriteSettingVector(kGroupDrawingControl, kLookAt, camera_.state.lookAt);
}

}  // namespace torvane
