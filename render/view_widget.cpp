#include "render/view_widget.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include "core/document.h"
#include "render/axis_indicator.h"
#include "render/frame_hold.h"
#include "render/frame_image.h"
#include "render/frame_timing.h"
#include "render/graphics_check.h"
#include "render/render_device.h"
#include "render/scene_renderer.h"
#include "render/scene_views.h"
#include "render/view_names.h"

namespace torvane {
namespace {

constexpr int kRetryDelayMs = 50;
// A view's first scene frame waits until its size has held this long: while
// the window lays itself out the views are resized several times, and with a
// large model every full frame costs seconds on a software renderer.
constexpr int kFirstFrameSettleMs = 30;

int ButtonBit(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return kLeftButton;
    case Qt::RightButton:
      return kRightButton;
    case Qt::MiddleButton:
      return kMiddleButton;
    default:
      return 0;
  }
}

int ButtonBits(Qt::MouseButtons buttons) {
  return (buttons & Qt::LeftButton ? kLeftButton : 0) |
         (buttons & Qt::RightButton ? kRightButton : 0) |
         (buttons & Qt::MiddleButton ? kMiddleButton : 0);
}

bool ContextUsable(QOpenGLContext* context) {
  if (!context || !context->isValid()) return false;
  QSurfaceFormat format = context->format();
  return format.majorVersion() > 3 || (format.majorVersion() == 3 && format.minorVersion() >= 3);
}

}  // namespace

ViewWidget::ViewWidget(SceneViews& views, int viewNumber, QWidget* parent)
    : QOpenGLWidget(parent), views_(views), view_(viewNumber) {
  setFormat(ViewSurfaceFormat());
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(8, 8);
  setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
  settleTimer_.setSingleShot(true);
  settleTimer_.setInterval(kFirstFrameSettleMs);
  connect(&settleTimer_, &QTimer::timeout, this, [this] {
    settled_ = true;
    update();
  });
}

ViewWidget::~ViewWidget() {
  // The context outlives this part of the widget; its farewell must not
  // reach us.
  QObject::disconnect(contextConnection_);
  if (context_ && context_->isValid()) {
    makeCurrent();
    ReleaseContextResources();
    doneCurrent();
  }
}

void ViewWidget::initializeGL() {
  context_ = context();
  gl_ = nullptr;
  if (!ContextUsable(context_)) return;
  gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context_);
  if (!gl_) return;
  if (const auto* renderer = reinterpret_cast<const char*>(gl_->glGetString(GL_RENDERER))) {
    KeepRendererMemory(renderer);
  }
  gl_->glGenVertexArrays(1, &vertexArray_);
  overlays_ = std::make_unique<OverlayDrawables>();
  scene_ = std::make_unique<SceneFrame>();
  image_ = std::make_unique<FrameImage>();
  // The context goes away when the widget moves to another window or the
  // platform drops it: release what lives in it while it is still current.
  QObject::disconnect(contextConnection_);
  contextConnection_ = connect(
      context_, &QOpenGLContext::aboutToBeDestroyed, this,
      [this] {
        makeCurrent();
        ReleaseContextResources();
        doneCurrent();
      },
      Qt::DirectConnection);
}

void ViewWidget::ReleaseContextResources() {
  if (gl_ && vertexArray_ != 0) gl_->glDeleteVertexArrays(1, &vertexArray_);
  vertexArray_ = 0;
  if (gl_ && image_) ReleaseFrameImage(*gl_, *image_);
  image_.reset();
  scene_.reset();
  overlays_.reset();
  gl_ = nullptr;
  context_ = nullptr;
}

void ViewWidget::RetryLater() {
  if (retryPending_) return;
  retryPending_ = true;
  QTimer::singleShot(kRetryDelayMs, this, [this] {
    retryPending_ = false;
    update();
  });
}

void ViewWidget::resizeGL(int, int) {
  if (!settled_) settleTimer_.start();
}

void ViewWidget::paintGL() {
  QOpenGLContext* current = context();
  if (!ContextUsable(current)) {
    // Lost or never created: release what we held, wait and try again.
    if (context_) {
      ReleaseContextResources();
      RenderDevice::Instance().ForgetAll();
    }
    RetryLater();
    return;
  }
  if (current != context_ || !gl_) {
    ReleaseContextResources();
    initializeGL();
    if (!gl_) {
      RetryLater();
      return;
    }
  }
  const bool timing = FrameTimingEnabled();
  const auto paintStart = std::chrono::steady_clock::now();
  const double processorStart = timing ? ProcessProcessorMs() : 0.0;
  RenderDevice& device = RenderDevice::Instance();
  FrameContext frame;
  frame.gl = gl_;
  frame.device = &device;
  frame.camera = &views_.camera();
  frame.vertexArray = vertexArray_;
  frame.view = view_;
  const qreal ratio = devicePixelRatio();
  const int pixelWidth = static_cast<int>(width() * ratio);
  const int pixelHeight = static_cast<int>(height() * ratio);
  BeginViewFrame(frame, pixelWidth, pixelHeight);
  if (!settled_) {
    // Background only until the layout has settled.
    if (!settleTimer_.isActive()) settleTimer_.start();
    EndViewFrame(frame);
    return;
  }
  if (ViewFramesHeld()) {
    // A long operation is changing the document: show the last finished
    // frame (or the background) and touch nothing of the scene.
    if (image_->valid && image_->width == pixelWidth && image_->height == pixelHeight &&
        device.EnsurePrograms(*gl_)) {
      RestoreFrameImage(frame, *image_);
    }
    EndViewFrame(frame);
    PaintLabels();
    ++heldFramesShown_;
    return;
  }
  if (device.EnsurePrograms(*gl_)) {
    Camera& camera = views_.camera();
    SetViewMode(camera, view_);
    SetViewport(camera, width(), height());
    ApplyCamera(camera);
    GatherScene(frame, views_.document(), views_.options(), *scene_);
    const uint64_t key = SceneKey(frame, views_.options(), *scene_, pixelWidth, pixelHeight);
    if (FrameImageMatches(*image_, key, pixelWidth, pixelHeight) &&
        RestoreFrameImage(frame, *image_)) {
      ++device.stats().sceneImageReuses;
    } else {
      DrawGatheredScene(frame, views_.options(), *scene_, *overlays_);
      ++device.stats().sceneDraws;
      KeepFrameImage(frame, *image_, defaultFramebufferObject(), pixelWidth, pixelHeight, key);
    }
    if (view_ == kPerspectiveView) DrawAxisIndicator(frame, hoveredAxis_, *overlays_);
    SetViewMode(camera, kPerspectiveView);
  }
  if (timing) gl_->glFinish();
  EndViewFrame(frame);
  PaintLabels();
  if (timing) {
    FrameTimes& times = CurrentFrameTimes();
    times.totalMs = MillisecondsSince(paintStart);
    times.processorMs = ProcessProcessorMs() - processorStart;
    times.drawMs = times.totalMs - times.buildMs - times.uploadMs;
    uint64_t triangles = 0;
    for (const auto& object : views_.document().objects) {
      if (object) triangles += TriangleCount(object->mesh);
    }
    ReportFrameTimes(view_, triangles);
  }
  ++framesDrawn_;
  Q_EMIT frameDrawn(view_);
}

void ViewWidget::PaintLabels() {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing);
  TextLabel label;
  label.font = ViewLabelFont();
  label.SetText(QString::fromLatin1(ViewLabel(view_)), 0xFFFFFFFFu);
  PaintLabel(painter, label, LabelCorner::kTopLeft, size());
  if (view_ == kPerspectiveView) {
    PaintLabel(painter, views_.HintLabel(), LabelCorner::kBottomLeft, size());
    PaintLabel(painter, views_.cornerLabel(), LabelCorner::kTopRight, size());
  }
  painter.end();
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
  int bit = ButtonBit(event->button());
  buttons_.Press(bit);
  lastPosition_ = event->position();
  QPoint at = event->position().toPoint();
  if (bit == kRightButton) {
    rightPressPosition_ = event->position();
    rightDragged_ = false;
  } else if (bit == kLeftButton) {
    if (view_ == kPerspectiveView) {
      views_.ClearHint();
      if (InAxisIndicatorArea(width(), height(), static_cast<float>(at.x()),
                              static_cast<float>(at.y()))) {
        UpdateHover(event->position());
        if (hoveredAxis_ >= 0) {
          Q_EMIT views_.axisClicked(hoveredAxis_);
          return;
        }
      }
    }
    Q_EMIT views_.leftButtonDown(view_, at, event->modifiers());
  }
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  int bit = ButtonBit(event->button());
  bool wasHeld = buttons_.IsHeld(bit);
  buttons_.Release(bit);
  QPoint at = event->position().toPoint();
  if (bit == kRightButton && wasHeld && !rightDragged_) {
    Q_EMIT views_.contextMenuRequested(view_, event->globalPosition().toPoint());
  } else if (bit == kLeftButton && wasHeld) {
    Q_EMIT views_.leftButtonUp(view_, at);
  }
}

void ViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Q_EMIT views_.leftDoubleClick(view_, event->position().toPoint());
  } else {
    mousePressEvent(event);
  }
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
  // A button released outside the window no longer drives a drag.
  buttons_.Reconcile(ButtonBits(event->buttons()));
  QPointF position = event->position();
  float dx = static_cast<float>(position.x() - lastPosition_.x());
  float dy = static_cast<float>(position.y() - lastPosition_.y());
  bool moved = dx != 0.0f || dy != 0.0f;
  if (buttons_.IsHeld(kRightButton) && moved) {
    rightDragged_ = true;
    if (view_ == kPerspectiveView) views_.OrbitBy(dx, dy);
  }
  if (buttons_.IsHeld(kMiddleButton) && moved) views_.PanView(view_, lastPosition_, position);
  if (view_ == kPerspectiveView) UpdateHover(position);
  lastPosition_ = position;
  Q_EMIT views_.mouseMoved(view_, position.toPoint(), event->buttons());
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
  int delta = event->angleDelta().y();
  if (delta != 0) views_.WheelTurned(view_, event->position().toPoint(), delta);
  event->accept();
}

void ViewWidget::leaveEvent(QEvent* event) {
  if (hoveredAxis_ != -1) {
    hoveredAxis_ = -1;
    update();
  }
  QOpenGLWidget::leaveEvent(event);
}

void ViewWidget::UpdateHover(const QPointF& position) {
  float x = static_cast<float>(position.x());
  float y = static_cast<float>(position.y());
  int axis = -1;
  bool inArea = InAxisIndicatorArea(width(), height(), x, y);
  if (inArea) {
    Camera camera = views_.camera();
    SetViewport(camera, width(), height());
    axis = AxisUnderPointer(BuildAxisIndicator(camera, -1), x, y);
  }
  if (axis != hoveredAxis_) {
    hoveredAxis_ = axis;
    update();
  }
  QString tip;
  if (inArea) {
    bool locked = axis >= 0 && views_.document().axisLock[static_cast<size_t>(axis)];
    tip = QString::fromStdString(AxisIndicatorTooltip(axis, locked));
  }
  if (toolTip() != tip) setToolTip(tip);
}

}  // namespace torvane
