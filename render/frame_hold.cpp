// The hold depth and the views redrawn when it returns to zero.
#include "render/frame_hold.h"

#include <algorithm>
#include <vector>

#include "render/scene_views.h"

namespace torvane {
namespace {

int g_holds = 0;

std::vector<SceneViews*>& RegisteredViews() {
  static std::vector<SceneViews*> views;
  return views;
}

}  // namespace

void HoldViewFrames() {
  ++g_holds;
}

void ReleaseViewFrames() {
  if (g_holds == 0 || --g_holds > 0) return;
  // A copy: a redraw never registers views, but it must not matter if one did.
  const std::vector<SceneViews*> views = RegisteredViews();
  for (SceneViews* each : views)
    each->Redraw();
}

bool ViewFramesHeld() {
  return g_holds > 0;
}

void AddHeldFrameViews(SceneViews* views) {
  RegisteredViews().push_back(views);
}

void RemoveHeldFrameViews(SceneViews* views) {
  auto& all = RegisteredViews();
  all.erase(std::remove(all.begin(), all.end(), views), all.end());
}

}  // namespace torvane
