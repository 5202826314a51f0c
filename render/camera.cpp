#include "render/camera.h"

#include <algorithm>
#include <cmath>

namespace torvane {
namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kZoomToHalfFieldOfView = 0.34906584f;  // 20 degrees
constexpr float kPerspectiveDepthScale = 1.0001f;
constexpr float kOrthoDepthScale = 0.00010001f;
constexpr float kTwoDEyeOffset = 1000.0f;

Vec3 Normalised(const Vec3& v) {
  float len = Length(v);
  if (len == 0.0f) return v;
  return {v.x / len, v.y / len, v.z / len};
}

void Invalidate(Camera& camera) {
  camera.matricesValid = false;
}

void UpdateForward(CameraState& s) {
  s.forward = Normalised(s.lookAt - s.eye);
}

// Rotates v about the unit axis by `radians` (right-handed) through the
// quaternion (axis sin(a/2), cos(a/2)).
Vec3 RotateAbout(const Vec3& v, const Vec3& axis, float radians) {
  float half = radians * 0.5f;
  float s = std::sin(half);
  Vec3 q{axis.x * s, axis.y * s, axis.z * s};
  float w = std::cos(half);
  // v' = v + 2w (q x v) + 2 q x (q x v)
  Vec3 t = Cross(q, v) * 2.0f;
  return v + t * w + Cross(q, t);
}

Vec3 TransformHomogeneous(const Vec3& p, float pw, const Matrix4& m, float* w) {
  const auto& a = m.m;
  Vec3 r{p.x * a[0] + p.y * a[4] + p.z * a[8] + pw * a[12],
         p.x * a[1] + p.y * a[5] + p.z * a[9] + pw * a[13],
         p.x * a[2] + p.y * a[6] + p.z * a[10] + pw * a[14]};
  *w = p.x * a[3] + p.y * a[7] + p.z * a[11] + pw * a[15];
  return r;
}

}  // namespace

Matrix4 Transposed(const Matrix4& m) {
  Matrix4 t;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c)
      t(r, c) = m(c, r);
  }
  return t;
}

float EyeDistance(const CameraState& state) {
  return Length(state.eye - state.lookAt);
}

void SetViewport(Camera& camera, int width, int height) {
  uint32_t w = width < 1 ? 1u : static_cast<uint32_t>(width);
  uint32_t h = height < 1 ? 1u : static_cast<uint32_t>(height);
  if (w != camera.state.viewportWidth || h != camera.state.viewportHeight) {
    camera.state.viewportWidth = w;
    camera.state.viewportHeight = h;
    Invalidate(camera);
  }
}

void SetViewMode(Camera& camera, int view) {
  if (!camera.state.orthographic) camera.saved = camera.state;
  Invalidate(camera);
  if (view < kFrontView || view > kTopView) {
    camera.state = camera.saved;
    camera.viewMode = kPerspectiveView;
    return;
  }
  CameraState& s = camera.state;
  s.orthographic = true;
  s.orthoScale = kOrthoScalePerDistance * EyeDistance(camera.saved);
  switch (view) {
    case kFrontView:
      s.eye = s.lookAt + Vec3{0.0f, 0.0f, -kTwoDEyeOffset};
      s.up = {0.0f, 1.0f, 0.0f};
      break;
    case kRightView:
      s.eye = s.lookAt + Vec3{kTwoDEyeOffset, 0.0f, 0.0f};
      s.up = {0.0f, 1.0f, 0.0f};
      break;
    default:
      s.eye = s.lookAt + Vec3{0.0f, kTwoDEyeOffset, 0.0f};
      s.up = {0.0f, 0.0f, 1.0f};
      break;
  }
  s.upFlipped = false;
  UpdateForward(s);
  camera.viewMode = view;
}

void ResetView(Camera& camera) {
  CameraState& s = camera.state;
  s.eye = {40.0f, 35.0f, -40.0f};
  s.lookAt = {0.0f, 0.0f, 0.0f};
  s.up = {0.0f, 1.0f, 0.0f};
  s.upFlipped = false;
  s.zoom = 1.0f;
  s.orthoScale = 0.13304135f;
  UpdateForward(s);
  Invalidate(camera);
}

bool PlaceCamera(Camera& camera, const Vec3& eye, const Vec3& lookAt) {
  if (Length(lookAt - eye) == 0.0f) return false;
  camera.state.eye = eye;
  camera.state.lookAt = lookAt;
  UpdateForward(camera.state);
  Invalidate(camera);
  return true;
}

Matrix4 ComputeViewMatrix(const CameraState& s) {
  Vec3 z = Normalised(s.lookAt - s.eye);
  Vec3 u = s.upFlipped ? -s.up : s.up;
  Vec3 x = Normalised(Cross(u, z));
  Vec3 y = Cross(z, x);
  Matrix4 m;
  m.m = {x.x,
         y.x,
         z.x,
         0.0f,  //
         x.y,
         y.y,
         z.y,
         0.0f,  //
         x.z,
         y.z,
         z.z,
         0.0f,  //
         -Dot(x, s.eye),
         -Dot(y, s.eye),
         -Dot(z, s.eye),
         1.0f};
  return m;
}

Matrix4 ComputeProjectionMatrix(const CameraState& s) {
  Matrix4 m;
  float w = static_cast<float>(s.viewportWidth);
  float h = static_cast<float>(s.viewportHeight);
  if (s.orthographic) {
    m(0, 0) = 2.0f / (w * s.orthoScale * s.zoom);
    m(1, 1) = 2.0f / (h * s.orthoScale * s.zoom);
    m(2, 2) = kOrthoDepthScale;
    m(3, 2) = -kOrthoDepthScale;
    m(3, 3) = 1.0f;
    return m;
  }
  float cot = std::tan(kHalfPi - s.zoom * kZoomToHalfFieldOfView);
  float aspect = w / h;
  m(0, 0) = cot / aspect;
  m(1, 1) = cot;
  m(2, 2) = kPerspectiveDepthScale;
  m(2, 3) = 1.0f;
  m(3, 2) = -kPerspectiveDepthScale;
  m(3, 3) = 0.0f;
  return m;
}

void ApplyCamera(Camera& camera) {
  if (camera.matricesValid) return;
  camera.view = ComputeViewMatrix(camera.state);
  camera.projection = ComputeProjectionMatrix(camera.state);
  camera.matricesValid = true;
}

void Orbit(Camera& camera, float dx, float dy) {
  CameraState& s = camera.state;
  float distance = EyeDistance(s);
  if (distance == 0.0f) return;
  Vec3 u = s.upFlipped ? -s.up : s.up;
  Vec3 right = Normalised(Cross(u, s.forward));
  Vec3 cameraUp = Normalised(Cross(s.forward, right));
  Vec3 back = -s.forward;  // from the look-at point towards the eye

  Vec3 yawed = Normalised(RotateAbout(back, cameraUp, dx * camera.orbitSpeed * kDegreesToRadians));
  Vec3 turned = Normalised(RotateAbout(yawed, right, dy * camera.orbitSpeed * kDegreesToRadians));

  // Over a pole the side vector (back x up) turns round: the picture would
  // swing about, so the camera goes on upside down instead. Only the
  // vertical turn, which moves in a plane through the up axis, can do that.
  if (Dot(Cross(yawed, u), Cross(turned, u)) < 0.0f) {
    if (!s.allowFlip) {
      turned = yawed;
    } else {
      s.upFlipped = !s.upFlipped;
    }
  }
  s.eye = s.lookAt + turned * distance;
  UpdateForward(s);
  Invalidate(camera);
}

void Pan(Camera& camera, int view, float fromX, float fromY, float toX, float toY) {
  Vec3 from = Unproject(camera, fromX, fromY, 0.0f);
  Vec3 to = Unproject(camera, toX, toY, 0.0f);
  Vec3 diff = from - to;
  if (view == kPerspectiveView) {
    diff = diff * EyeDistance(camera.state);
  } else {
    if (view == kFrontView) diff.z = 0.0f;
    if (view == kRightView) diff.x = 0.0f;
    if (view == kTopView) diff.y = 0.0f;
    camera.saved.eye = camera.saved.eye + diff;
    camera.saved.lookAt = camera.saved.lookAt + diff;
  }
  camera.state.eye = camera.state.eye + diff;
  camera.state.lookAt = camera.state.lookAt + diff;
  Invalidate(camera);
}

void Zoom(Camera& camera, bool wheelForward) {
  CameraState& s = camera.state;
  float distance = EyeDistance(s) * (wheelForward ? 0.9f : 1.1f);
  distance = std::clamp(distance, kMinimumEyeDistance, kMaximumEyeDistance);
  s.eye = s.lookAt - s.forward * distance;
  Invalidate(camera);
}

Vec3 Unproject(Camera& camera, float x, float y, float depth) {
  ApplyCamera(camera);
  Matrix4 inverse;
  if (!Invert(Multiply(camera.view, camera.projection), &inverse)) return camera.state.lookAt;
  float w = static_cast<float>(camera.state.viewportWidth);
  float h = static_cast<float>(camera.state.viewportHeight);
  Vec3 ndc{x * 2.0f / w - 1.0f, 1.0f - y * 2.0f / h, depth};
  float pw = 1.0f;
  Vec3 p = TransformHomogeneous(ndc, 1.0f, inverse, &pw);
  if (pw == 0.0f) return p;
  return {p.x / pw, p.y / pw, p.z / pw};
}

Vec3 UnprojectToLookAtPlane(Camera& camera, float x, float y) {
  Vec3 nearPoint = Unproject(camera, x, y, 0.0f);
  Vec3 farPoint = Unproject(camera, x, y, 1.0f);
  Vec3 dir = farPoint - nearPoint;
  float denom = Dot(dir, camera.state.forward);
  if (denom == 0.0f) return nearPoint;
  float t = Dot(camera.state.lookAt - nearPoint, camera.state.forward) / denom;
  return nearPoint + dir * t;
}

bool Project(Camera& camera, const Vec3& point, Vec3* pixel) {
  ApplyCamera(camera);
  float w = 1.0f;
  Vec3 clip = TransformHomogeneous(point, 1.0f, Multiply(camera.view, camera.projection), &w);
  if (w <= 0.0f) return false;
  float vw = static_cast<float>(camera.state.viewportWidth);
  float vh = static_cast<float>(camera.state.viewportHeight);
  *pixel = {(clip.x / w + 1.0f) * 0.5f * vw, (1.0f - clip.y / w) * 0.5f * vh, clip.z / w};
  return true;
}

}  // namespace torvane
