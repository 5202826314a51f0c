// Camera: the one camera shared by the perspective view and the three 2D
// views. It is switched into a view's mode before that view is drawn and back
// to perspective afterwards, so the 2D views follow the perspective camera's
// look-at point and distance, and panning a 2D view pans the 3D view too.
//
// Inputs: mouse moves in pixels (orbit, pan, wheel), the viewport size of the
// view being drawn. Outputs: left-handed view and projection matrices in the
// row-vector convention (p' = p x M), depth in 0..1 as the shaders expect.
// No graphics API here, so all of it is testable without a display.
#pragma once

#include <cstdint>

#include "core/matrix4.h"
#include "core/vec3.h"

namespace torvane {

// View numbers.
inline constexpr int kPerspectiveView = 0;
inline constexpr int kFrontView = 1;  // "XY - Axis", looks along +Z
inline constexpr int kRightView = 2;  // "YZ - Axis", looks along -X
inline constexpr int kTopView = 3;    // "XZ - Axis", looks along -Y
inline constexpr int kViewCount = 4;

inline constexpr float kOrbitDegreesPerPixel = 0.5f;
inline constexpr float kMinimumEyeDistance = 2.0f;
inline constexpr float kMaximumEyeDistance = 7500.0f;
// 2D views show 0.002 world units per pixel for each unit of eye distance.
inline constexpr float kOrthoScalePerDistance = 0.002f;

// The part of the camera that a 2D view's mode replaces and perspective mode
// gets back.
struct CameraState {
  Vec3 eye{0.0f, 0.0f, -50.0f};
  Vec3 lookAt;
  Vec3 forward{0.0f, 0.0f, 1.0f};  // normalise(lookAt - eye)
  Vec3 up{0.0f, 1.0f, 0.0f};
  uint32_t viewportWidth = 1;
  uint32_t viewportHeight = 1;
  float zoom = 1.0f;
  float orthoScale = 0.1f;  // world units per pixel before zoom
  bool orthographic = false;
  bool upFlipped = false;
  bool allowFlip = true;
};

struct Camera {
  CameraState state;
  Matrix4 view;
  Matrix4 projection;
  bool matricesValid = false;
  float orbitSpeed = kOrbitDegreesPerPixel;
  int viewMode = kPerspectiveView;
  CameraState saved;  // the perspective state while a 2D view's mode is in force
};

// Width and height of the view being drawn; 0 counts as 1.
void SetViewport(Camera& camera, int width, int height);

// Switches into the mode of view 0 to 3. Leaving perspective saves its state;
// view 0 restores it. The 2D views look at the saved look-at point from 1000
// units away along their axis with a scale of 0.002 x the saved eye distance.
void SetViewMode(Camera& camera, int view);

// Eye (40, 35, -40) looking at the origin, Y up, zoom 1.
void ResetView(Camera& camera);

// Sets eye and look-at (keeps forward in step); used when a stored camera is
// restored. A look-at equal to the eye is refused.
bool PlaceCamera(Camera& camera, const Vec3& eye, const Vec3& lookAt);

// The left-handed look-at matrix of the current state.
Matrix4 ComputeViewMatrix(const CameraState& state);
// Perspective (40 degrees vertical at zoom 1, near 1, far about 10,000) or
// orthographic, by the state's flag.
Matrix4 ComputeProjectionMatrix(const CameraState& state);
// Recomputes view and projection when they are out of date.
void ApplyCamera(Camera& camera);

// Right drag in the perspective view: dx, dy pixels turn the eye about the
// look-at point at constant distance; passing over a pole flips the up vector
// (when allowFlip) instead of stopping.
void Orbit(Camera& camera, float dx, float dy);

// Middle drag from pixel `from` to `to` in `view` (the camera must be in that
// view's mode with its viewport). In a 2D view the motion along its viewing
// axis is dropped and the saved perspective camera moves too.
void Pan(Camera& camera, int view, float fromX, float fromY, float toX, float toY);

// Mouse wheel: eye distance x 0.9 (forward) or x 1.1, held to [2, 7500].
void Zoom(Camera& camera, bool wheelForward);

// Eye distance |eye - lookAt|.
float EyeDistance(const CameraState& state);

// Pixel (x, y) of the current view at depth 0 (near plane) .. 1 (far plane)
// to a scene point.
Vec3 Unproject(Camera& camera, float x, float y, float depth);
// Pixel (x, y) to the scene point on the plane through the look-at point
// facing the camera.
Vec3 UnprojectToLookAtPlane(Camera& camera, float x, float y);
// Scene point to pixel x, y and depth (z); false when it lies behind the eye.
bool Project(Camera& camera, const Vec3& point, Vec3* pixel);

// Matrix transposed (row-vector matrices become column-vector ones).
Matrix4 Transposed(const Matrix4& m);

}  // namespace torvane
