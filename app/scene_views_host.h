// SceneViewsHost: the ShellHost of the running program, over the main
// window (caption, object properties dialog) and its SceneViews (resets,
// redraws, hints, display options, layout and grid).
#pragma once

#include <string>

#include "app/shell_host.h"

namespace torvane {

struct Document;
class MainWindow;
class SceneViews;
class ViewInteraction;

class SceneViewsHost : public ShellHost {
 public:
  SceneViewsHost(MainWindow& window, SceneViews& views, Document& doc)
      : window_(window), views_(views), doc_(doc) {}

  void ResetViews() override;
  void ResetCamera() override;
  void Redraw() override;
  void UpdateTitle(bool modified) override;
  bool ViewsUsable() const override { return true; }
  void ShowHint(const std::string& text, bool timed) override;
  void ClearHint() override;
  void SetWireframe(bool wireframe) override;
  bool Wireframe() const override;
  void SetCullingMode(int mode) override;
  int CullingMode() const override;
  void SetSpecular(bool on) override;
  bool Specular() const override;
  void SetGridShown(bool shown) override;
  bool GridShown() const override;
  void SetLayout(int layout) override;
  int Layout() const override;
  bool CanShowProperties() const override { return true; }
  void ShowProperties() override;
  bool CanManipulate() const override { return interaction_ != nullptr; }
  void EnterEyeDropper() override;

  // The mouse interaction of the views (interactive tools are available
  // once it is set).
  void SetInteraction(ViewInteraction* interaction) { interaction_ = interaction; }

 private:
  MainWindow& window_;
  SceneViews& views_;
  Document& doc_;
  ViewInteraction* interaction_ = nullptr;
  std::string shownPath_;
  bool shownModified_ = false;
  bool titleShown_ = false;
};

}  // namespace torvane
