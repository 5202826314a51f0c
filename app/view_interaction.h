// ViewInteraction: what the left mouse button and the wheel do in the views.
// A press picks under the pointer and changes the selection (Shift or
// Control add to it); a drag in the perspective view moves, rotates or scales
// the selection by the document's manipulation mode once the pointer has
// left the 5-pixel threshold; the 2D views manipulate in the "Select 2D
// Object" drawing mode from the first move; the wheel scales the selection in
// scale mode. The eye dropper takes its colour from the next click.
//
// Inputs: the views' mouse signals, the document, the culling option.
// Outputs: selection and transform changes (one history entry per click, so a
// whole drag undoes in one step), cursors, the selection point, redraws and a
// refresh of the command states and the properties dialog.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <optional>

#include "core/colour32.h"
#include "core/vec3.h"

class QWidget;

namespace torvane {

struct Document;
struct PickRequest;
class SceneViews;
class UserInterface;

// The cursor kinds of a drag.
enum class DragCursor { kNone, kEyeDropper, kMove, kScale, kRotate, kOrbit };

class ViewInteraction : public QObject {
  Q_OBJECT

 public:
  ViewInteraction(SceneViews& views, Document& doc, UserInterface& ui, QObject* parent = nullptr);
  ~ViewInteraction() override;

  // Arms the eye dropper: the next left click picks a colour.
  void EnterEyeDropper();
  bool eyeDropperArmed() const { return eyeDropper_; }
  DragCursor cursor() const { return cursor_; }
  std::optional<Vec3> selectionPoint() const { return selectionPoint_; }

  // Runs a pick of `kind` at pixel `position` of `view`; false on a miss.
  bool PickAt(int view, QPoint position, uint32_t kind, PickRequest& request);

  // Test seam: the colour of the screen pixel at a global position (the
  // real one reads the screen).
  std::function<Colour32(QPoint globalPosition)> screenPixel;

 Q_SIGNALS:
  // The selection or an object's transform changed (the properties dialog
  // and the command states follow).
  void selectionEdited();
  // The eye dropper took a colour; the document's current colour holds it.
  void colourPicked();

 private:
  void OnLeftButtonDown(int view, QPoint position, Qt::KeyboardModifiers modifiers);
  void OnLeftButtonUp(int view, QPoint position);
  void OnMouseMoved(int view, QPoint position, Qt::MouseButtons buttons);
  bool OnWheel(int view, QPoint position, int delta);
  void SelectAt(int view, QPoint position, bool keepSelection);
  void PickColourAt(int view, QPoint position);
  void DragInPerspective(QPoint position);
  void DragIn2D(int view, QPoint position);
  void MoveBy(Vec3 delta);
  void SetCursorKind(int view, DragCursor kind);
  void AfterStep();
  QWidget* ViewWidgetOf(int view) const;

  SceneViews& views_;
  Document& doc_;
  UserInterface& ui_;
  bool eyeDropper_ = false;
  bool leftHeld_ = false;
  bool dragging_ = false;
  int pressView_ = -1;
  QPoint pressPoint_;
  QPoint lastPoint_;
  DragCursor cursor_ = DragCursor::kNone;
  int cursorView_ = -1;
  std::optional<Vec3> selectionPoint_;
};

}  // namespace torvane
