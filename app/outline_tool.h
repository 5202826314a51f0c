// OutlineTool: the left button in the 2D views for the 2D drawing tools.
// In the draw modes a press places the anchor or commits the shape (on the
// view's drawing plane), moving the pointer shows the shape being drawn,
// and a press on a drawing object that already has an outline asks for the
// outline's context menu. In "Select 2D Object" with nothing selected, a
// drag beyond 5 pixels both ways shows the selection rectangle, and the
// release selects what meets it.
//
// Inputs: the views' mouse signals (after ViewInteraction has made its
// selection for the press), the document's draw mode. Outputs: outline and
// selection changes through solid/outline.h, the rectangle's lines in the
// document, redraws.
#pragma once

#include <QObject>
#include <QPoint>

#include "core/vec3.h"
#include "solid/outline.h"

namespace torvane {

struct Document;
class SceneViews;

class OutlineTool : public QObject {
  Q_OBJECT

 public:
  OutlineTool(SceneViews& views, Document& doc, QObject* parent = nullptr);

  bool rectangleShown() const { return rectangleShown_; }

 Q_SIGNALS:
  // A press asked for the outline's context menu at this screen position.
  void outlineMenuRequested(QPoint globalPosition);
  // The outline or the selection changed.
  void edited();

 private:
  void OnLeftButtonDown(int view, QPoint position);
  void OnMouseMoved(int view, QPoint position, Qt::MouseButtons buttons);
  void OnLeftButtonUp(int view, QPoint position);
  // The scene point under a pixel of a 2D view (on its drawing plane).
  Vec3 ScenePoint(int view, QPoint position) const;
  void EndRectangle();

  SceneViews& views_;
  Document& doc_;
  bool leftHeld_ = false;
  int pressView_ = -1;
  QPoint pressPoint_;
  bool rectangleShown_ = false;
  SelectionBox box_;
};

}  // namespace torvane
