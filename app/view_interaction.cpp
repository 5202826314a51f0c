#include "app/view_interaction.h"

// Engine headers come before Qt's widgets, whose keyword macros they must not meet.
#include "core/document.h"
#include "core/manipulation.h"
#include "core/null_progress.h"
#include "core/pick.h"
#include "core/select_at.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "app/user_interface.h"
#include "render/pick_ray.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

constexpr const char* kMovementLockedText =
    "Please allow the movement along at least one of the axes if you wish to change the selected "
    "item's position.\n\nTo allow movement click the Allow Movement buttons in the Toolbar.";
constexpr const char* kMovementLockedTitle = "Selected Item Movement Locked";

// Drawing modes of the 2D views: none, and "Select 2D Object" (the modes
// above draw outlines).
constexpr uint32_t kDrawModeNone = 0;
constexpr uint32_t kDrawModeSelect2D = 1;

// A ring with an arrow head: the rotate cursor has no standard shape.
QCursor RotateCursor() {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& [colour, width] : {std::pair{QColor(Qt::white), 4}, {QColor(Qt::black), 2}}) {
    painter.setPen(QPen(colour, width));
    painter.drawArc(QRect(4, 4, 16, 16), 30 * 16, 300 * 16);
    painter.drawLine(QPoint(19, 7), QPoint(20, 2));
    painter.drawLine(QPoint(19, 7), QPoint(14, 6));
  }
  return QCursor(pixmap, 12, 12);
}

QCursor CursorOf(DragCursor kind) {
  switch (kind) {
    case DragCursor::kEyeDropper:
      return QCursor(Qt::CrossCursor);
    case DragCursor::kMove:
      return QCursor(Qt::SizeAllCursor);
    case DragCursor::kScale:
      return QCursor(Qt::SizeVerCursor);
    case DragCursor::kRotate:
      return RotateCursor();
    case DragCursor::kOrbit:
      return QCursor(Qt::ClosedHandCursor);
    case DragCursor::kNone:
      break;
  }
  return QCursor(Qt::ArrowCursor);
}

Colour32 ReadScreenPixel(QPoint globalPosition) {
  QScreen* screen = QGuiApplication::screenAt(globalPosition);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return kOpaqueBlack;
  const QPoint local = globalPosition - screen->geometry().topLeft();
  const QImage image = screen->grabWindow(0, local.x(), local.y(), 1, 1).toImage();
  if (image.isNull()) return kOpaqueBlack;
  return static_cast<Colour32>(image.pixel(0, 0)) | 0xFF000000u;
}

}  // namespace

ViewInteraction::ViewInteraction(SceneViews& views, Document& doc, UserInterface& ui,
                                 QObject* parent)
    : QObject(parent), screenPixel(ReadScreenPixel), views_(views), doc_(doc), ui_(ui) {
  connect(&views_, &SceneViews::leftButtonDown, this, &ViewInteraction::OnLeftButtonDown);
  connect(&views_, &SceneViews::leftButtonUp, this, &ViewInteraction::OnLeftButtonUp);
  connect(&views_, &SceneViews::mouseMoved, this, &ViewInteraction::OnMouseMoved);
  views_.wheelHandler = [this](int view, QPoint position, int delta) {
    return OnWheel(view, position, delta);
  };
}

ViewInteraction::~ViewInteraction() {
  views_.wheelHandler = nullptr;
}

void ViewInteraction::EnterEyeDropper() {
  eyeDropper_ = true;
  SetCursorKind(kPerspectiveView, DragCursor::kEyeDropper);
}

QWidget* ViewInteraction::ViewWidgetOf(int view) const {
  if (view < 0 || view >= kViewCount) return nullptr;
  return views_.view(view);
}

bool ViewInteraction::PickAt(int view, QPoint position, uint32_t kind, PickRequest& request) {
  QWidget* widget = ViewWidgetOf(view);
  if (!widget) return false;
  const PickRay ray =
      BuildPickRay(views_.camera(), view, widget->width(), widget->height(),
                   static_cast<float>(position.x()), static_cast<float>(position.y()));
  request.kind = kind;
  request.rayStart = ray.start;
  request.rayEnd = ray.end;
  NullProgress progress;
  PickSettings settings;
  settings.culling = views_.options().cullingMode != 0;
  settings.progress = &progress;
  return PickScene(doc_, request, settings);
}

void ViewInteraction::OnLeftButtonDown(int view, QPoint position, Qt::KeyboardModifiers modifiers) {
  if (eyeDropper_) {
    PickColourAt(view, position);
    return;
  }
  // The 2D drawing modes draw outlines with the left button instead.
  if (view != kPerspectiveView && doc_.drawMode > kDrawModeSelect2D) return;
  leftHeld_ = true;
  dragging_ = false;
  pressView_ = view;
  pressPoint_ = position;
  lastPoint_ = position;
  SelectAt(view, position, modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
}

void ViewInteraction::SelectAt(int view, QPoint position, bool keepSelection) {
  PickRequest request;
  PickAt(view, position, doc_.selectionMode, request);
  ApplyPickToSelection(doc_, request, keepSelection);
  if (!request.hit || doc_.selectionMode != kSelectionModeObject) {
    doc_.manipulateMode = kManipulateMove;
  }
  if (request.hit) {
    selectionPoint_ = request.hitPoint;
    views_.SetSelectionPoint(selectionPoint_);
  }
  AfterStep();
}

void ViewInteraction::PickColourAt(int view, QPoint position) {
  eyeDropper_ = false;
  SetCursorKind(view, DragCursor::kNone);
  views_.ClearHint();
  // A triangle pick finds what an identify pick finds, with the corner.
  PickRequest request;
  Colour32 colour = 0;
  if (PickAt(view, position, kPickTriangle, request)) {
    SceneObject* object = FindObject(doc_, request.hitObjectId);
    if (!object) return;
    const Mesh& mesh = object->mesh;
    const uint32_t corner = request.hitCorners[0];
    if (doc_.selectionMode == kSelectionModeObject || corner >= mesh.cornerCount) {
      colour = mesh.colour;
    } else {
      colour = mesh.corners[corner].colour;
    }
  } else {
    QWidget* widget = ViewWidgetOf(view);
    colour = screenPixel(widget ? widget->mapToGlobal(position) : position) | 0xFF000000u;
  }
  doc_.currentColour = ColourToFloats(colour);
  doc_.colourChosen = true;
  views_.Redraw();
  Q_EMIT colourPicked();
}

void ViewInteraction::OnLeftButtonUp(int view, QPoint) {
  leftHeld_ = false;
  dragging_ = false;
  if (!eyeDropper_) SetCursorKind(view, DragCursor::kNone);
}

void ViewInteraction::OnMouseMoved(int view, QPoint position, Qt::MouseButtons buttons) {
  if (buttons & Qt::RightButton) {
    SetCursorKind(view, DragCursor::kOrbit);
  } else if (cursor_ == DragCursor::kOrbit) {
    SetCursorKind(view, DragCursor::kNone);
  }
  // A left button released outside the window ends the drag.
  if (leftHeld_ && !(buttons & Qt::LeftButton)) {
    leftHeld_ = false;
    dragging_ = false;
  }
  const bool leftAlone = leftHeld_ && view == pressView_ && buttons == Qt::LeftButton;
  if (leftAlone) {
    if (view == kPerspectiveView) {
      DragInPerspective(position);
    } else {
      DragIn2D(view, position);
    }
  }
  lastPoint_ = position;
}

void ViewInteraction::DragInPerspective(QPoint position) {
  if (doc_.manipulateMode == kManipulateRotateFixed) return;
  if (!dragging_) {
    if (!BeyondDragThreshold(pressPoint_.x(), pressPoint_.y(), position.x(), position.y())) return;
    dragging_ = true;
  }
  if (!AnySelected(doc_)) return;
  QWidget* widget = ViewWidgetOf(kPerspectiveView);
  Camera& camera = views_.camera();
  auto delta = [&] {
    return UnprojectedDelta(camera, kPerspectiveView, widget->width(), widget->height(),
                            static_cast<float>(lastPoint_.x()), static_cast<float>(lastPoint_.y()),
                            static_cast<float>(position.x()), static_cast<float>(position.y()));
  };
  switch (doc_.manipulateMode) {
    case kManipulateMove: {
      if (AllAxesLocked(doc_)) {
        ui_.ShowMessage(kMovementLockedText, kMovementLockedTitle, MessageIcon::kWarning);
        leftHeld_ = QGuiApplication::mouseButtons() & Qt::LeftButton;
        if (!leftHeld_) dragging_ = false;
        return;
      }
      MoveBy(ApplyAxisLocks(delta() * EyeDistance(camera.state), doc_.axisLock));
      SetCursorKind(kPerspectiveView, DragCursor::kMove);
      break;
    }
    case kManipulateScale:
      ScaleSelection(doc_, DragScaleFactor(lastPoint_.y(), position.y()));
      SetCursorKind(kPerspectiveView, DragCursor::kScale);
      break;
    case kManipulateRotateDrag:
      RotateSelectionByDrag(
          doc_, DragRotationIncrements(delta() * kDragRotationDegreesPerUnit, doc_.axisLock));
      SetCursorKind(kPerspectiveView, DragCursor::kRotate);
      break;
    default:
      return;
  }
  AfterStep();
}

void ViewInteraction::DragIn2D(int view, QPoint position) {
  // Only "Select 2D Object" manipulates; with nothing selected its drag
  // draws the selection rectangle, which belongs to the 2D drawing tools.
  if (doc_.drawMode != kDrawModeSelect2D || !AnySelected(doc_)) return;
  QWidget* widget = ViewWidgetOf(view);
  switch (doc_.manipulateMode) {
    case kManipulateMove: {
      const Vec3 delta =
          UnprojectedDelta(views_.camera(), view, widget->width(), widget->height(),
                           static_cast<float>(lastPoint_.x()), static_cast<float>(lastPoint_.y()),
                           static_cast<float>(position.x()), static_cast<float>(position.y()));
      MoveBy(Lock2DMoveDelta(delta, view, doc_.axisLock));
      break;
    }
    case kManipulateRotateDrag:
      RotateSelection2D(doc_, lastPoint_.x(), lastPoint_.y(), position.x(), position.y());
      break;
    case kManipulateScale:
      ScaleSelection(doc_, DragScaleFactor(lastPoint_.y(), position.y()));
      break;
    default:
      return;
  }
  AfterStep();
}

void ViewInteraction::MoveBy(Vec3 delta) {
  MoveSelection(doc_, delta);
  if (selectionPoint_) {
    selectionPoint_ = *selectionPoint_ - delta;
    views_.SetSelectionPoint(selectionPoint_);
  }
}

bool ViewInteraction::OnWheel(int, QPoint, int delta) {
  if (!AnySelected(doc_) || doc_.manipulateMode != kManipulateScale) return false;
  ScaleSelection(doc_, WheelScaleFactor(delta));
  AfterStep();
  return true;
}

void ViewInteraction::SetCursorKind(int view, DragCursor kind) {
  if (kind == cursor_ && view == cursorView_) return;
  if (QWidget* previous = ViewWidgetOf(cursorView_)) previous->unsetCursor();
  cursor_ = kind;
  cursorView_ = view;
  QWidget* widget = ViewWidgetOf(view);
  if (!widget) return;
  if (kind == DragCursor::kNone) {
    widget->unsetCursor();
  } else {
    widget->setCursor(CursorOf(kind));
  }
}

void ViewInteraction::AfterStep() {
  views_.Redraw();
  Q_EMIT selectionEdited();
}

}  // namespace torvane
