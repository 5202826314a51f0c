#include "app/outline_tool.h"

// Engine headers come before Qt's widgets.
#include "core/document.h"

#include <QWidget>
#include <algorithm>

#include "render/pick_ray.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {

OutlineTool::OutlineTool(SceneViews& views, Document& doc, QObject* parent)
    : QObject(parent), views_(views), doc_(doc) {
  connect(&views_, &SceneViews::leftButtonDown, this,
          [this](int view, QPoint position, Qt::KeyboardModifiers) {
            OnLeftButtonDown(view, position);
          });
  connect(&views_, &SceneViews::mouseMoved, this, &OutlineTool::OnMouseMoved);
  connect(&views_, &SceneViews::leftButtonUp, this, &OutlineTool::OnLeftButtonUp);
}

Vec3 OutlineTool::ScenePoint(int view, QPoint position) const {
  QWidget* widget = views_.view(view);
  const PickRay ray =
      BuildPickRay(views_.camera(), view, widget->width(), widget->height(),
                   static_cast<float>(position.x()), static_cast<float>(position.y()));
  return OnDrawingPlane(view, ray.start);
}

void OutlineTool::OnLeftButtonDown(int view, QPoint position) {
  if (view == kPerspectiveView || view < 0 || view >= kViewCount) return;
  if (doc_.drawMode >= kDrawCircle && doc_.drawMode <= kDrawRectangle) {
    const DrawPress press = PressToDraw(doc_, view, ScenePoint(view, position));
    if (press == DrawPress::kIgnored) return;
    views_.Redraw();
    Q_EMIT edited();
    if (press == DrawPress::kOpenOutlineMenu) {
      Q_EMIT outlineMenuRequested(views_.view(view)->mapToGlobal(position));
    }
    return;
  }
  if (doc_.drawMode != kDrawSelect2D) return;
  leftHeld_ = true;
  pressView_ = view;
  pressPoint_ = position;
  rectangleShown_ = false;
}

void OutlineTool::OnMouseMoved(int view, QPoint position, Qt::MouseButtons buttons) {
  if (view == kPerspectiveView || view < 0 || view >= kViewCount) return;
  if (doc_.drawMode >= kDrawCircle && doc_.drawMode <= kDrawRectangle) {
    // The shape follows the pointer while its anchor is placed, so that the
    // committing press makes exactly the shape shown.
    if (DragToDraw(doc_, view, ScenePoint(view, position))) views_.Redraw();
    return;
  }
  if (!leftHeld_) return;
  if (!(buttons & Qt::LeftButton) || doc_.drawMode != kDrawSelect2D) {
    EndRectangle();
    return;
  }
  // A drag with a selection manipulates it (ViewInteraction).
  if (view != pressView_ || AnySelected(doc_)) return;
  if (!rectangleShown_ &&
      !SelectionRectangleShown(pressPoint_.x(), pressPoint_.y(), position.x(), position.y())) {
    return;
  }
  rectangleShown_ = true;
  QWidget* widget = views_.view(view);
  auto clamped = [&](QPoint p) {
    return QPoint(std::clamp(p.x(), 0, std::max(0, widget->width() - 1)),
                  std::clamp(p.y(), 0, std::max(0, widget->height() - 1)));
  };
  const Vec3 a = ScenePoint(view, clamped(pressPoint_));
  const Vec3 b = ScenePoint(view, clamped(position));
  doc_.freeLines = SelectionRectangleLines(view, a, b);
  box_ = UnboundedSelectionBox(view, a, b);
  views_.Redraw();
}

void OutlineTool::OnLeftButtonUp(int, QPoint) {
  if (rectangleShown_) {
    SelectObjectsInBox(doc_, box_);
    Q_EMIT edited();
  }
  EndRectangle();
}

void OutlineTool::EndRectangle() {
  leftHeld_ = false;
  if (!rectangleShown_) return;
  rectangleShown_ = false;
  doc_.freeLines.clear();
  views_.Redraw();
}

}  // namespace torvane
