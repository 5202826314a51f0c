// SceneViewsHost over MainWindow and SceneViews.
#include "app/scene_views_host.h"

#include "app/main_window.h"
#include "app/view_interaction.h"
#include "core/document.h"
#include "render/scene_views.h"

namespace torvane {

void SceneViewsHost::ResetViews() {
  views_.SetSelectionPoint(std::nullopt);
}

void SceneViewsHost::ResetCamera() {
  views_.ResetCamera();
}

void SceneViewsHost::Redraw() {
  views_.Redraw();
  // Commands (undo and redo among them) may have changed the selection or
  // the selected object; an open properties dialog follows.
  window_.RefreshProperties();
}

void SceneViewsHost::ShowProperties() {
  window_.ShowProperties();
}

void SceneViewsHost::UpdateTitle(bool modified) {
  // The caption is rebuilt only when what it shows changes.
  if (titleShown_ && shownModified_ == modified && shownPath_ == doc_.filePath) return;
  titleShown_ = true;
  shownModified_ = modified;
  shownPath_ = doc_.filePath;
  window_.SetDocumentPath(doc_.filePath);
  window_.UpdateTitle(modified);
}

void SceneViewsHost::ShowHint(const std::string& text, bool timed) {
  if (timed) {
    views_.ShowTimedHint(QString::fromStdString(text));
  } else {
    views_.ShowHint(QString::fromStdString(text));
  }
}

void SceneViewsHost::ClearHint() {
  views_.ClearHint();
}

void SceneViewsHost::SetWireframe(bool wireframe) {
  views_.options().wireframe = wireframe;
}

bool SceneViewsHost::Wireframe() const {
  return views_.options().wireframe;
}

void SceneViewsHost::SetCullingMode(int mode) {
  views_.options().cullingMode = mode;
}

int SceneViewsHost::CullingMode() const {
  return views_.options().cullingMode;
}

void SceneViewsHost::SetSpecular(bool on) {
  views_.options().specular = on;
}

bool SceneViewsHost::Specular() const {
  return views_.options().specular;
}

void SceneViewsHost::SetGridShown(bool shown) {
  views_.SetGridShown(shown);
}

bool SceneViewsHost::GridShown() const {
  return views_.options().gridShown;
}

void SceneViewsHost::SetLayout(int layout) {
  views_.ApplyLayout(layout);
}

int SceneViewsHost::Layout() const {
  return views_.layout();
}

void SceneViewsHost::EnterEyeDropper() {
  if (interaction_) interaction_->EnterEyeDropper();
}

}  // namespace torvane
