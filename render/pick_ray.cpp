#include "render/pick_ray.h"

namespace torvane {
namespace {

// Puts the camera into the view's mode and size for the duration of a call.
class ViewModeScope {
 public:
  ViewModeScope(Camera& camera, int view, int width, int height) : camera_(camera) {
    SetViewMode(camera_, view);
    SetViewport(camera_, width, height);
  }
  ~ViewModeScope() { SetViewMode(camera_, kPerspectiveView); }
  ViewModeScope(const ViewModeScope&) = delete;
  ViewModeScope& operator=(const ViewModeScope&) = delete;

 private:
  Camera& camera_;
};

}  // namespace

PickRay BuildPickRay(Camera& camera, int view, int width, int height, float x, float y) {
  ViewModeScope scope(camera, view, width, height);
  return {Unproject(camera, x, y, 0.0f), Unproject(camera, x, y, 1.0f)};
}

Vec3 UnprojectedDelta(Camera& camera, int view, int width, int height, float fromX, float fromY,
                      float toX, float toY) {
  ViewModeScope scope(camera, view, width, height);
  return Unproject(camera, fromX, fromY, 0.0f) - Unproject(camera, toX, toY, 0.0f);
}

}  // namespace torvane
