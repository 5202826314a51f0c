// ViewWidget: one view window (the perspective view or a 2D view), an OpenGL
// widget in the one shared context group. It draws the scene with the shared
// camera switched into its mode, paints its labels over the frame, and turns
// mouse input into camera moves (right drag orbits the perspective view,
// middle drag pans, the wheel zooms) or into signals for the editing tools.
//
// A view whose context is missing or lost is not drawn; its resources are
// released and the frame is retried 50 ms later. A frame whose scene is the
// same as the last one drawn copies the kept image back (FrameImage) instead
// of drawing the scene again.
#pragma once

#include <QOpenGLWidget>
#include <QTimer>
#include <memory>

#include "render/button_tracker.h"

class QOpenGLContext;
class QOpenGLFunctions_3_3_Core;

namespace torvane {

class SceneViews;
struct FrameImage;
struct OverlayDrawables;
struct SceneFrame;

class ViewWidget : public QOpenGLWidget {
  Q_OBJECT

 public:
  ViewWidget(SceneViews& views, int viewNumber, QWidget* parent = nullptr);
  ~ViewWidget() override;

  int viewNumber() const { return view_; }
  // Scene frames drawn since creation (0 until the first one; the first
  // waits until the view's size has settled).
  int framesDrawn() const { return framesDrawn_; }
  // Frames shown while frames were held (the kept image, nothing rebuilt).
  int heldFramesShown() const { return heldFramesShown_; }
  // The axis indicator arrow under the pointer (0..2), or -1.
  int hoveredAxis() const { return hoveredAxis_; }

 Q_SIGNALS:
  void frameDrawn(int view);

 protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void ReleaseContextResources();
  void RetryLater();
  void UpdateHover(const QPointF& position);
  void PaintLabels();

  SceneViews& views_;
  int view_;
  QOpenGLContext* context_ = nullptr;
  QMetaObject::Connection contextConnection_;
  QOpenGLFunctions_3_3_Core* gl_ = nullptr;
  unsigned int vertexArray_ = 0;
  std::unique_ptr<OverlayDrawables> overlays_;
  std::unique_ptr<SceneFrame> scene_;
  std::unique_ptr<FrameImage> image_;
  bool retryPending_ = false;
  bool settled_ = false;
  QTimer settleTimer_;
  int framesDrawn_ = 0;
  int heldFramesShown_ = 0;
  ButtonTracker buttons_;
  QPointF lastPosition_;
  QPointF rightPressPosition_;
  bool rightDragged_ = false;
  int hoveredAxis_ = -1;
};

}  // namespace torvane
