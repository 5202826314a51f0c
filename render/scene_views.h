// SceneViews: the four views of the document and what they share: the one
// camera, the display options (culling, wire frame, specular, grid), the hint
// overlay and the perspective view's second label, and the pane layout
// (0 perspective only, 1 2D views in a column on the right, 2 in a row at the
// bottom, 3 quadrants) built from splitters in `container()`.
//
// Inputs: the document, mouse input forwarded by the views, the view
// settings. Outputs: redraws of every visible view, the status display text,
// and signals for the editing tools (clicks, context menus, axis arrows).
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

#include "core/vec3.h"
#include "render/camera.h"
#include "render/hint.h"
#include "render/scene_renderer.h"
#include "render/text_label.h"

class QSplitter;
class QWidget;

namespace torvane {

struct Document;
class ViewWidget;

class SceneViews : public QObject {
  Q_OBJECT

 public:
  explicit SceneViews(Document& doc, QObject* parent = nullptr);
  ~SceneViews() override;

  Document& document() { return doc_; }
  Camera& camera() { return camera_; }
  ViewOptions& options() { return options_; }
  const ViewOptions& options() const { return options_; }
  ViewWidget* view(int number) const { return views_[static_cast<size_t>(number)]; }
  // The widget holding the panes; put it into the main window.
  QWidget* container() const { return container_; }

  // Arranges the panes for layout 0..3 (anything else: 1) and redraws.
  void ApplyLayout(int value);
  int layout() const { return layout_; }

  // "Show Grid".
  void SetGridShown(bool shown);
  void ToggleGrid() { SetGridShown(!options_.gridShown); }

  // The camera back at its start position, then a redraw.
  void ResetCamera();

  // Hint overlay: a plain hint stays until cleared; a timed one fades after
  // 10 s and is gone after 15 s.
  void ShowHint(const QString& text, Colour32 colour = kHintDefaultColour);
  void ShowTimedHint(const QString& text, Colour32 colour = kHintDefaultColour);
  void ClearHint();
  const Hint& hint() const { return hint_; }
  TextLabel HintLabel() const;
  // The perspective view's second label (top right); empty hides it.
  void SetCornerLabel(const QString& text);
  const TextLabel& cornerLabel() const { return cornerLabel_; }

  // The point element moves carry along (shown in move mode).
  void SetSelectionPoint(std::optional<Vec3> point) { selectionPoint_ = point; }

  // When set and returning true, the wheel event is taken by the editing
  // tools (scaling) instead of zooming.
  std::function<bool(int view, QPoint position, int delta)> wheelHandler;

  // Sends the status display its value, then redraws every visible view.
  void Redraw();

  // Reads ShowGrid, ViewLayout and the stored camera (the camera is reset
  // first; missing values keep the reset ones).
  void LoadSettings();
  // Writes ShowGrid, ViewLayout and the camera; with no objects in the
  // document the camera is reset and its stored values are deleted instead.
  void SaveSettings();

  // Mouse handling shared by the views.
  void OrbitBy(float dx, float dy);
  void PanView(int view, QPointF from, QPointF to);
  void WheelTurned(int view, QPoint position, int delta);

 Q_SIGNALS:
  void statusChanged(const QString& text, const QString& tooltip);
  void layoutChanged(int layout);
  void leftButtonDown(int view, QPoint position, Qt::KeyboardModifiers modifiers);
  void leftButtonUp(int view, QPoint position);
  void leftDoubleClick(int view, QPoint position);
  void mouseMoved(int view, QPoint position, Qt::MouseButtons buttons);
  void contextMenuRequested(int view, QPoint globalPosition);
  void axisClicked(int axis);

 private:
  void StartHintTimers();
  void StopHintTimers();
  void FadeHintStep();

  Document& doc_;
  Camera camera_;
  ViewOptions options_;
  Hint hint_;
  TextLabel cornerLabel_;
  std::optional<Vec3> selectionPoint_;
  QString lastStatusText_;
  QString lastStatusTooltip_;
  bool statusSent_ = false;
  int layout_ = -1;
  QWidget* container_ = nullptr;
  QWidget* root_ = nullptr;
  std::array<ViewWidget*, kViewCount> views_{};
  std::array<QWidget*, kViewCount> panes_{};
  QTimer fadeStartTimer_;
  QTimer fadeStepTimer_;
  QTimer clearTimer_;
};

}  // namespace torvane
