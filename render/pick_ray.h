// Pick rays and drag deltas: pixels of one view turned into scene
// coordinates through the shared camera switched into that view's mode (an
// orthographic ray, parallel to the viewing axis, in a 2D view). The camera
// is left in perspective mode afterwards, as drawing expects.
#pragma once

#include "core/vec3.h"
#include "render/camera.h"

namespace torvane {

struct PickRay {
  Vec3 start;  // pixel at depth 0 (near plane)
  Vec3 end;    // pixel at depth 1 (far plane)
};

// The ray through pixel (x, y) of view `view`, whose client area is
// width x height pixels.
PickRay BuildPickRay(Camera& camera, int view, int width, int height, float x, float y);

// unproject(from) - unproject(to) at depth 0 in view `view`: how far a drag
// from pixel `from` to pixel `to` carries a point on the near plane.
Vec3 UnprojectedDelta(Camera& camera, int view, int width, int height, float fromX, float fromY,
                      float toX, float toY);

}  // namespace torvane
