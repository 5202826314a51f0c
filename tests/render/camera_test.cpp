#include "render/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvane {
namespace {

constexpr float kTol = 1e-4f;

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = kTol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

Camera MakeCamera(int w = 800, int h = 600) {
  Camera camera;
  SetViewport(camera, w, h);
  ResetView(camera);
  return camera;
}

TEST(Camera, LeftHandedLookAtAndTheProjections) {
  Camera camera;
  SetViewport(camera, 400, 200);
  // Default eye (0, 0, -50) looking at the origin: the view is a plain shift.
  ApplyCamera(camera);
  ExpectVec(TransformPoint({0, 0, 0}, camera.view), 0, 0, 50);
  ExpectVec(TransformPoint({1, 2, -3}, camera.view), 1, 2, 47);

  // Eye on +X looking back at the origin: in a left-handed frame world +Z
  // is then the camera's right.
  ASSERT_TRUE(PlaceCamera(camera, {10, 0, 0}, {0, 0, 0}));
  ApplyCamera(camera);
  ExpectVec(TransformPoint({0, 0, 1}, camera.view), 1, 0, 10);
  ExpectVec(TransformPoint({0, 1, 0}, camera.view), 0, 1, 10);

  // A flipped up vector turns the picture upside down.
  camera.state.upFlipped = true;
  camera.matricesValid = false;
  ApplyCamera(camera);
  ExpectVec(TransformPoint({0, 1, 0}, camera.view), 0, -1, 10);

  // A vertical field of 40 degrees at zoom 1.
  const Matrix4& p = camera.projection;
  float cot20 = 1.0f / std::tan(20.0f * 3.14159265f / 180.0f);  // 2.7474774
  EXPECT_NEAR(p(1, 1), cot20, 1e-4f);
  EXPECT_NEAR(p(0, 0), cot20 / 2.0f, 1e-4f);
  // Depth 0 on the near plane (z = 1), about 1 at 10,000.
  Vec3 pixel;
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, 0}, {0, 0, 1}));
  ASSERT_TRUE(Project(camera, {0, 0, 1}, &pixel));
  EXPECT_NEAR(pixel.z, 0.0f, 1e-5f);
  ASSERT_TRUE(Project(camera, {0, 0, 10000}, &pixel));
  EXPECT_NEAR(pixel.z, 1.0f, 1e-3f);
  ExpectVec(pixel, 200, 100, pixel.z);

  camera.state.zoom = 2.0f;  // 80 degrees vertical
  camera.matricesValid = false;
  ApplyCamera(camera);
  EXPECT_NEAR(camera.projection(1, 1), 1.0f / std::tan(40.0f * 3.14159265f / 180.0f), 1e-4f);

  // The 2D views keep the depth range, linear; their scale is read in
  // pixels by the grid pixel test and the 2D pan.
  camera.state.orthographic = true;
  camera.matricesValid = false;
  ApplyCamera(camera);
  EXPECT_FLOAT_EQ(camera.projection(2, 2), 0.00010001f);

  // A zero-sized window counts as one pixel.
  SetViewport(camera, 0, 0);
  EXPECT_EQ(camera.state.viewportWidth, 1u);
  EXPECT_EQ(camera.state.viewportHeight, 1u);
}

TEST(Camera, OrbitKeepsDistanceAndFlipsOverThePole) {
  Camera camera;
  SetViewport(camera, 800, 600);
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, -50}, {0, 0, 0}));
  // Horizontal drag: 180 pixels turn 90 degrees about the up axis; the eye
  // goes round to the camera's left (-X) so the scene follows the mouse.
  Orbit(camera, 180, 0);
  ExpectVec(camera.state.eye, -50, 0, 0, 1e-2f);
  EXPECT_NEAR(EyeDistance(camera.state), 50.0f, 1e-3f);
  ExpectVec(camera.state.forward, 1, 0, 0, 1e-3f);

  // Vertical drag: the eye rises towards +Y.
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, -50}, {0, 0, 0}));
  Orbit(camera, 0, 90);  // 45 degrees
  EXPECT_GT(camera.state.eye.y, 30.0f);
  EXPECT_FALSE(camera.state.upFlipped);
  // 90 pixels more carry the eye 45 degrees past the pole: the view keeps
  // turning with the up vector flipped instead of stopping.
  Orbit(camera, 0, 100);
  EXPECT_TRUE(camera.state.upFlipped);
  EXPECT_GT(camera.state.eye.z, 0.0f);  // now on the far side
  EXPECT_NEAR(EyeDistance(camera.state), 50.0f, 1e-3f);
  // The picture does not swing round: screen right stays world +X.
  ApplyCamera(camera);
  EXPECT_GT(TransformPoint({1, 0, 0}, camera.view).x, 0.9f);
  // Continuing back over the pole unflips.
  Orbit(camera, 0, -100);
  EXPECT_FALSE(camera.state.upFlipped);
  EXPECT_LT(camera.state.eye.z, 0.0f);

  // Without allow-flip the motion over the pole is refused.
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, -50}, {0, 0, 0}));
  camera.state.allowFlip = false;
  Orbit(camera, 0, 200);
  EXPECT_FALSE(camera.state.upFlipped);
  ExpectVec(camera.state.eye, 0, 0, -50, 1e-3f);
}

TEST(Camera, ZoomStepsClampAndViewModesFollowTheDistance) {
  Camera camera = MakeCamera();
  const CameraState perspective = camera.state;
  const float d = EyeDistance(camera.state);
  // Steps of 0.9 in and 1.1 out, between 2 and 7500 along the same line.
  const struct {
    bool in;
    int steps;
    float distance;
  } kZooms[] = {{true, 1, d * 0.9f}, {false, 1, d * 0.99f}, {true, 100, 2}, {false, 200, 7500}};
  for (const auto& zoom : kZooms) {
    for (int i = 0; i < zoom.steps; ++i)
      Zoom(camera, zoom.in);
    EXPECT_NEAR(EyeDistance(camera.state), zoom.distance, zoom.distance * 1e-4f) << zoom.steps;
    ExpectVec(camera.state.lookAt, 0, 0, 0);
    ExpectVec(camera.state.forward, perspective.forward.x, perspective.forward.y,
              perspective.forward.z);
  }
  camera.state = perspective;

  SetViewMode(camera, kFrontView);
  EXPECT_TRUE(camera.state.orthographic);
  ExpectVec(camera.state.eye, 0, 0, -1000);
  ExpectVec(camera.state.forward, 0, 0, 1);
  EXPECT_NEAR(camera.state.orthoScale, 0.002f * EyeDistance(perspective), 1e-6f);
  SetViewMode(camera, kRightView);
  ExpectVec(camera.state.eye, 1000, 0, 0);
  ExpectVec(camera.state.forward, -1, 0, 0);
  SetViewMode(camera, kTopView);
  ExpectVec(camera.state.eye, 0, 1000, 0);
  ExpectVec(camera.state.up, 0, 0, 1);
  SetViewport(camera, 100, 50);  // a 2D view's size does not stick
  SetViewMode(camera, kPerspectiveView);
  EXPECT_FALSE(camera.state.orthographic);
  ExpectVec(camera.state.eye, perspective.eye.x, perspective.eye.y, perspective.eye.z);
  EXPECT_EQ(camera.state.viewportWidth, 800u);

  // Zooming the perspective camera changes the 2D views' scale.
  Zoom(camera, true);
  SetViewMode(camera, kFrontView);
  EXPECT_NEAR(camera.state.orthoScale, 0.002f * EyeDistance(perspective) * 0.9f, 1e-5f);
  SetViewMode(camera, kPerspectiveView);
  // An upside-down perspective camera does not turn the 2D views over.
  camera.state.upFlipped = true;
  SetViewMode(camera, kTopView);
  EXPECT_FALSE(camera.state.upFlipped);
  SetViewMode(camera, kPerspectiveView);
  EXPECT_TRUE(camera.state.upFlipped);
}

TEST(Camera, ResetUnprojectAndPan) {
  Camera reset = MakeCamera();
  ExpectVec(reset.state.eye, 40, 35, -40);
  ExpectVec(reset.state.lookAt, 0, 0, 0);

  // The centre pixel of the look-at plane is the look-at point.
  ExpectVec(UnprojectToLookAtPlane(reset, 400, 300), 0, 0, 0, 1e-3f);
  Vec3 pixel;
  ASSERT_TRUE(Project(reset, {3, 1, 2}, &pixel));
  Vec3 back = Unproject(reset, pixel.x, pixel.y, pixel.z);
  ExpectVec(back, 3, 1, 2, 2e-3f);
  // Depth 0 lies on the near plane, one unit in front of the eye.
  Vec3 nearCentre = Unproject(reset, 400, 300, 0.0f);
  EXPECT_NEAR(Length(nearCentre - reset.state.eye), 1.0f, 1e-3f);

  Camera camera = MakeCamera();
  Vec3 eye = camera.state.eye;
  SetViewMode(camera, kFrontView);
  SetViewport(camera, 200, 100);
  float unitsPerPixel = camera.state.orthoScale * camera.state.zoom;
  Pan(camera, kFrontView, 100, 50, 110, 40);  // drag right and up
  // The scene follows the mouse: the camera moves left and down, not along Z.
  ExpectVec(camera.state.lookAt, -10 * unitsPerPixel, -10 * unitsPerPixel, 0, 1e-4f);
  SetViewMode(camera, kPerspectiveView);
  ExpectVec(camera.state.lookAt, -10 * unitsPerPixel, -10 * unitsPerPixel, 0, 1e-4f);
  ExpectVec(camera.state.eye, eye.x - 10 * unitsPerPixel, eye.y - 10 * unitsPerPixel, eye.z, 1e-4f);

  SetViewMode(camera, kRightView);
  SetViewport(camera, 200, 100);
  Vec3 before = camera.state.lookAt;
  Pan(camera, kRightView, 0, 0, 37, 11);
  EXPECT_FLOAT_EQ(camera.state.lookAt.x, before.x);
  SetViewMode(camera, kTopView);
  SetViewport(camera, 200, 100);
  before = camera.state.lookAt;
  Pan(camera, kTopView, 0, 0, 37, 11);
  EXPECT_FLOAT_EQ(camera.state.lookAt.y, before.y);
  SetViewMode(camera, kPerspectiveView);
  EXPECT_FLOAT_EQ(camera.state.lookAt.y, before.y);

  // In the perspective view the point under the mouse on the look-at plane
  // stays under the mouse.
  const Vec3 grabbed = UnprojectToLookAtPlane(reset, 300, 200);
  Pan(reset, kPerspectiveView, 300, 200, 350, 260);
  ASSERT_TRUE(Project(reset, grabbed, &pixel));
  EXPECT_NEAR(pixel.x, 350, 0.5f);
  EXPECT_NEAR(pixel.y, 260, 0.5f);
  EXPECT_NEAR(EyeDistance(reset.state), EyeDistance(MakeCamera().state), 1e-3f);
}

}  // namespace
}  // namespace torvane
