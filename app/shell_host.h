// ShellHost: what the command dispatch and the document lifecycle need from
// the main window and its views: resets and redraws, the caption, the hint
// overlay and the display options. SceneViewsHost (app/scene_views_host.h)
// implements it over the real views; tests may supply their own.
#pragma once

#include <string>

namespace torvane {

class ShellHost {
 public:
  virtual ~ShellHost() = default;

  // Drops per-view editing state (a drawing in progress, picks) before the
  // document is cleared.
  virtual void ResetViews() = 0;
  // The camera back at its start position.
  virtual void ResetCamera() = 0;
  virtual void Redraw() = 0;
  // Caption from the document path, with "*" when `modified`.
  virtual void UpdateTitle(bool modified) = 0;
  // The 3D views could be set up (otherwise files are not opened).
  virtual bool ViewsUsable() const = 0;

  // Hint overlay of the perspective view: a plain hint stays until cleared,
  // a timed one fades.
  virtual void ShowHint(const std::string& text, bool timed) = 0;
  virtual void ClearHint() = 0;

  // Display options.
  virtual void SetWireframe(bool wireframe) = 0;
  virtual bool Wireframe() const = 0;
  virtual void SetCullingMode(int mode) = 0;
  virtual int CullingMode() const = 0;
  virtual void SetSpecular(bool on) = 0;
  virtual bool Specular() const = 0;
  virtual void SetGridShown(bool shown) = 0;
  virtual bool GridShown() const = 0;
  virtual void SetLayout(int layout) = 0;
  virtual int Layout() const = 0;

  // Tools the views provide once their editing side exists.
  virtual bool CanShowProperties() const { return false; }
  virtual void ShowProperties() {}
  virtual bool CanManipulate() const { return false; }
  virtual void EnterEyeDropper() {}
};

}  // namespace torvane
