// The view parts that need no frame: the camera, the renderer check and
// its sample count, the vertex data written straight into the vertex buffer
// (byte for byte what interleaving the mesh's render arrays gives, whatever
// the corners hold and however many threads write them), grids, status
// display, hint fading, axis indicator, layouts, view settings and the
// start-up failure dialog.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/document.h"
#include "core/mesh.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "core/settings_values.h"
#include "render/axis_indicator.h"
#include "render/button_tracker.h"
#include "render/camera.h"
#include "render/graphics_check.h"
#include "render/grid.h"
#include "render/hint.h"
#include "render/mesh_vertices.h"
#include "render/scene_views.h"
#include "render/status_display.h"
#include "render/view_names.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

void ExpectVec(const Vec3& v, float x, float y, float z, float tol = 1e-4f) {
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

TEST(Camera, OrbitZoomViewModesResetUnprojectAndPan) {
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

  camera = MakeCamera();
  const CameraState perspective = camera.state;
  const float d = EyeDistance(camera.state);
  // Steps of 0.9 in and 1.1 out, between 2 and 7500 along the same line.
  const std::tuple<bool, int, float> kZooms[] = {
      {true, 1, d * 0.9f}, {false, 1, d * 0.99f}, {true, 100, 2}, {false, 200, 7500}};
  for (const auto& [in, steps, distance] : kZooms) {
    for (int i = 0; i < steps; ++i)
      Zoom(camera, in);
    EXPECT_NEAR(EyeDistance(camera.state), distance, distance * 1e-4f) << steps;
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

  camera = MakeCamera();
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

// Interleaves the render arrays of BuildRenderArrays: position, normal, colour.
std::vector<unsigned char> InterleavedRenderArrays(Mesh& mesh) {
  BuildRenderArrays(mesh);
  const MeshRenderData& r = mesh.render;
  size_t n = r.colours.size();
  std::vector<unsigned char> out(n * kCornerVertexStride);
  for (size_t k = 0; k < n; ++k) {
    unsigned char* at = out.data() + k * kCornerVertexStride;
    std::memcpy(at, &r.positions[k * 3], 12);
    std::memcpy(at + 12, &r.normals[k * 3], 12);
    std::memcpy(at + 24, &r.colours[k], 4);
  }
  return out;
}

// Random positions and corners with the awkward cases mixed in: dead
// corners, indices past vertexCount but inside the position buffer, indices
// past the buffer, and a corner buffer longer than cornerCount.
void BuildAwkwardMesh(Mesh& mesh, uint32_t triangles, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-100.0f, 100.0f);
  const uint32_t positions = 50 + triangles / 2;
  ASSERT_TRUE(mesh.positions.ResizeDiscard(positions));
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t i = 0; i < positions; ++i)
    p[i] = {value(random), value(random), value(random)};
  mesh.vertexCount = positions - 7;
  const uint32_t corners = triangles * 3;
  ASSERT_TRUE(mesh.corners.ResizeDiscard(corners + 5));
  MeshCorner* c = mesh.corners.MutableData();
  std::uniform_int_distribution<uint32_t> index(0, positions + 3);
  std::uniform_int_distribution<int> kind(0, 19);
  for (uint32_t k = 0; k < corners + 5; ++k) {
    c[k].vertexIndex = kind(random) == 0 ? kDeadIndex : index(random);
    c[k].normal = {value(random), value(random), value(random)};
    c[k].colour = static_cast<Colour32>(random());
  }
  mesh.cornerCount = corners;
}

// The last case counts more corners than the buffer holds: what the buffer
// holds is drawn.

// Multisampling is asked for on graphics hardware and left out on renderers
// that rasterise on the processor, unless the environment says otherwise.
TEST(GraphicsCheck, RenderersSampleCountFailureDialogAndTheVertexData) {
  for (const char* name :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer", "Mesa X11 swrast"})
    EXPECT_TRUE(IsSoftwareRenderer(name)) << name;
  for (const char* name :
       {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce RTX 3060/PCIe/SSE2",
        "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)", ""})
    EXPECT_FALSE(IsSoftwareRenderer(name)) << name;

  EXPECT_EQ(ChooseSampleCount(false, nullptr), kHardwareSampleCount);
  EXPECT_EQ(ChooseSampleCount(true, nullptr), 0);
  // The override wins both ways.
  EXPECT_EQ(ChooseSampleCount(false, "0"), 0);
  EXPECT_EQ(ChooseSampleCount(false, "OFF"), 0);
  EXPECT_EQ(ChooseSampleCount(true, "4"), 4);
  EXPECT_EQ(ChooseSampleCount(true, "99"), kMaximumSampleCount);
  EXPECT_EQ(ChooseSampleCount(false, "-2"), 0);
  // Text that is no count is no override.
  EXPECT_EQ(ChooseSampleCount(true, "lots"), 0);
  EXPECT_EQ(ChooseSampleCount(false, "4x"), kHardwareSampleCount);
  EXPECT_EQ(ChooseSampleCount(false, ""), kHardwareSampleCount);
  // The views on this machine follow its renderer.
  const std::string renderer = OpenGLRendererName();
  ASSERT_FALSE(renderer.empty());  // the tests run with an OpenGL 3.3 renderer
  int expected = ChooseSampleCount(IsSoftwareRenderer(renderer), std::getenv(kMultisampleVariable));
  EXPECT_EQ(ViewSurfaceFormat().samples(), expected) << renderer;

  std::unique_ptr<QMessageBox> box(CreateGraphicsFailureDialog());
  QStringList buttons;
  for (QAbstractButton* button : box->buttons())
    buttons << button->text();
  buttons.sort();
  const QStringList texts{box->windowTitle(), box->text(), box->informativeText(),
                          buttons.join('|')};
  EXPECT_EQ(texts.join('|').toStdString(),
            "3D Graphics Failure|The Torvane could not initialize the required graphics.|Reason: "
            "Unable to initialize OpenGL 3.3.\n\nThis could be because graphics drivers are not "
            "up-to-date.  Update the graphics card drivers and then run Torvane again.\n\nTorvane "
            "will now close.|Close Torvane|Show Graphics Driver Help Page");
  EXPECT_TRUE(ProbeOpenGL33());  // this machine has software OpenGL 3.3

  // The vertex data match the interleaved render arrays on any thread count.
  const std::pair<uint32_t, bool> kCases[] = {
      {1, false}, {10, false}, {kParallelFillCorners / 3 + 11, false}, {4, true}};
  for (const auto& [triangles, countBeyondBuffer] : kCases) {
    Mesh mesh;
    BuildAwkwardMesh(mesh, triangles, triangles);
    if (countBeyondBuffer) mesh.cornerCount = mesh.corners.length() + 3;
    std::vector<unsigned char> expected = InterleavedRenderArrays(mesh);
    const uint32_t drawable = std::min<uint32_t>(mesh.cornerCount, mesh.corners.length());
    ASSERT_EQ(DrawableCornerCount(mesh), drawable);
    ASSERT_EQ(expected.size(), size_t{drawable} * kCornerVertexStride);
    for (unsigned threads : {1u, 2u, 3u, 8u, 0u}) {
      // Start from garbage so that skipped bytes would show.
      std::vector<unsigned char> got(expected.size(), 0xAB);
      FillMeshVertices(mesh, got.data(), threads);
      EXPECT_TRUE(got == expected) << triangles << " triangles, " << threads << " threads";
    }
  }
  Mesh empty;
  EXPECT_EQ(DrawableCornerCount(empty), 0u);
  FillMeshVertices(empty, nullptr);  // writes nothing

  // The material follows the render arrays' rule, with and without one of
  // the mesh's own.
  Mesh mesh;
  BuildAwkwardMesh(mesh, 2, 3);
  for (bool hasMaterial : {false, true}) {
    mesh.hasMaterial = hasMaterial;
    mesh.renderDiffuse = {0.1f, 0.2f, 0.3f, 0.4f};
    mesh.renderAmbient = {0.5f, 0.6f, 0.7f, 0.8f};
    mesh.renderSpecular = {0.9f, 0.25f, 0.75f, 1.0f};
    BuildRenderArrays(mesh);
    ApplyMaterial(mesh);
    const Material m = MeshMaterial(mesh);
    const MeshRenderData& r = mesh.render;
    const ColourF pairs[][2] = {{m.diffuse, r.diffuse},
                                {m.ambient, r.ambient},
                                {m.specular, r.specular},
                                {m.emissive, r.emissive}};
    for (const auto& pair : pairs)
      EXPECT_EQ(std::memcmp(&pair[0], &pair[1], sizeof(ColourF)), 0) << hasMaterial;
  }
}

// Lines of `list` whose two end points match a and b (in that order).
int CountLine(const LineList& list, float ax, float ay, float az, float bx, float by, float bz,
              Colour32* colour = nullptr) {
  int found = 0;
  for (size_t i = 0; i + 6 <= list.positions.size(); i += 6) {
    const float* p = &list.positions[i];
    if (p[0] == ax && p[1] == ay && p[2] == az && p[3] == bx && p[4] == by && p[5] == bz) {
      ++found;
      if (colour) *colour = list.colours[i / 3];
    }
  }
  return found;
}

TEST(ViewOverlays, GridsCoverTheirRangesTheStatusFollowsTheModeAndTheHintFades) {
  const GridSet a = BuildQuadrantGrid();
  const GridSet b = BuildCentredGrid();
  const LineList& xz = a.planes[kGridPlaneXZ];
  // 21 lines along X (z = 1, -1 .. -20) and 21 along Z (x = -1, 1 .. 20);
  // the centred set has 80 a plane.
  EXPECT_EQ(xz.LineCount(), 42u);
  EXPECT_EQ(a.planes[kGridPlaneYZ].LineCount(), 42u);
  EXPECT_EQ(a.axes.LineCount(), 3u);
  for (const LineList& plane : b.planes)
    EXPECT_EQ(plane.LineCount(), 80u);
  EXPECT_EQ(CountLine(xz, -1, 0, 0, 20, 0, 0), 0);  // the axis lies at 0
  const struct {
    const LineList& list;
    float p[6];
    Colour32 colour;
  } kLines[] = {{xz, {-1, 0, 1, 20, 0, 1}, kGridLineColour},
                {xz, {-1, 0, -10, 20, 0, -10}, kTenthLineColourX},
                {xz, {20, 0, 1, 20, 0, -20}, kTenthLineColourZ},
                {a.planes[kGridPlaneXY], {10, -1, 0, 10, 20, 0}, kTenthLineColourY},
                {a.axes, {-1, 0, 0, 80, 0, 0}, kAxisColourX},
                {a.axes, {0, -1, 0, 0, 80, 0}, kAxisColourY},
                {a.axes, {0, 0, 1, 0, 0, -80}, kAxisColourZ},
                {b.planes[kGridPlaneYZ], {0, -20, -20, 0, 20, -20}, kTenthLineColourY},
                {b.axes, {0, 0, -80, 0, 0, 80}, kAxisColourZ}};
  for (const auto& line : kLines) {
    const float* p = line.p;
    Colour32 c = 0;
    EXPECT_EQ(CountLine(line.list, p[0], p[1], p[2], p[3], p[4], p[5], &c), 1) << p[0] << p[2];
    EXPECT_EQ(c, line.colour) << p[0] << p[2];
  }
  EXPECT_EQ(xz.colours.size() * 3, xz.positions.size());
  EXPECT_EQ(PlaneOfView(kFrontView), kGridPlaneXY);
  EXPECT_EQ(PlaneOfView(kRightView), kGridPlaneYZ);
  EXPECT_EQ(PlaneOfView(kTopView), kGridPlaneXZ);

  // The status display shows the selected object by manipulation mode.
  Document doc;
  auto status = [&](std::optional<Vec3> point = std::nullopt) {
    const StatusDisplay s = StatusForDocument(doc, point);
    return s.text + "|" + s.tooltip;
  };
  EXPECT_EQ(status(), "|");
  SceneObject& o = *doc.objects.emplace_back(std::make_unique<SceneObject>());
  o.id = 1;
  o.mesh.position = {1.5f, -2.0f, 0.25f};
  o.mesh.rotation = {10, 20, 30};
  o.mesh.scale = {2, 2, 2};
  EXPECT_EQ(status(), "|");  // nothing selected
  o.selected = true;
  EXPECT_EQ(status(), "Position: [X: 1.500 ][Y: -2.000 ][Z: 0.250 ]|Selection point position");
  doc.manipulateMode = kManipulateRotateDrag;
  EXPECT_EQ(status(), "Rotation: [X: 10.000 ][Y: 20.000 ][Z: 30.000 ]|Selected object rotation");
  doc.manipulateMode = kManipulateScale;
  EXPECT_EQ(status(), "Scale: 2.000|Selected object scale");

  // Two selected objects show nothing; element modes show the selection
  // point only in move mode.
  doc.objects.emplace_back(std::make_unique<SceneObject>())->selected = true;
  doc.objects.back()->id = 2;
  EXPECT_EQ(status(), "|");
  doc.selectionMode = kSelectionModeVertex;
  EXPECT_EQ(status(Vec3{1, 2, 3}), "|");
  doc.manipulateMode = kManipulateMove;
  EXPECT_EQ(status(Vec3{1, 2, 3}),
            "Position: [X: 1.000 ][Y: 2.000 ][Z: 3.000 ]|Selection point position");
  EXPECT_EQ(status(), "|");

  // A timed hint fades by nineteen twentieths until black.
  EXPECT_EQ(FadeHintColour(0xFFFFFFFFu), 0xFFF2F2F2u);  // 255 * 19 / 20 = 242
  EXPECT_EQ(FadeHintColour(0x80140A01u), 0x80130900u);  // 20, 10, 1 -> 19, 9, 0
  Hint hint{"Movement along the X axis has been locked", 0xFFFFFFFFu, true};
  int steps = 0;
  while (StepHintFade(hint))
    ++steps;
  EXPECT_TRUE(hint.text.empty());
  EXPECT_EQ(hint.colour & 0x00FFFFFFu, 0u);
  EXPECT_GT(steps, 60);  // each channel loses at least 1 per step
  EXPECT_LT(steps, 256);
}

TEST(AxisIndicator, ArrowsHitTestAndTooltipsAndAReleaseOutsideTheWindowEndsTheDrag) {
  Camera camera;
  SetViewport(camera, 400, 300);
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, -50}, {0, 0, 0}));
  AxisIndicator indicator = BuildAxisIndicator(camera, -1);
  EXPECT_NEAR(indicator.originPixel.x, 340, 0.5);
  EXPECT_NEAR(indicator.originPixel.y, 240, 0.5);
  EXPECT_NEAR(indicator.tipPixels[0].x, 440, 0.5);  // X runs right, 100 pixels
  EXPECT_NEAR(indicator.tipPixels[1].y, 140, 0.5);  // Y runs up
  EXPECT_EQ(AxisUnderPointer(indicator, 370, 242), 0);
  EXPECT_EQ(AxisUnderPointer(indicator, 338, 200), 1);
  EXPECT_EQ(AxisUnderPointer(indicator, 380, 200), -1);
  EXPECT_TRUE(InAxisIndicatorArea(400, 300, 290, 190));
  EXPECT_FALSE(InAxisIndicatorArea(400, 300, 270, 250));
  // The highlighted arrow changes colour.
  AxisIndicator lit = BuildAxisIndicator(camera, 1);
  EXPECT_NE(lit.lines.colours, indicator.lines.colours);

  EXPECT_EQ(AxisIndicatorTooltip(0, true), "Click to enable X axis movement");
  EXPECT_EQ(AxisIndicatorTooltip(2, false), "Click to disable Z axis movement");
  EXPECT_EQ(AxisIndicatorTooltip(-1, false), "Right-Click and drag to rotate the camera view");

  // A button released outside the window ends the drag at the next move.
  ButtonTracker tracker;
  tracker.Press(kRightButton);
  tracker.Press(kMiddleButton);
  EXPECT_EQ(tracker.Reconcile(kRightButton | kMiddleButton), 0);
  // The right button came up while the pointer was elsewhere.
  EXPECT_EQ(tracker.Reconcile(kMiddleButton), kRightButton);
  EXPECT_FALSE(tracker.IsHeld(kRightButton));
  EXPECT_TRUE(tracker.IsHeld(kMiddleButton));
  // A button down that this view never saw pressed does not start a drag.
  EXPECT_EQ(tracker.Reconcile(kLeftButton | kMiddleButton), 0);
  EXPECT_FALSE(tracker.IsHeld(kLeftButton));
}

class ViewSettings : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsStore(std::make_unique<MemorySettingsStore>()); }
  void TearDown() override { SetSettingsStore(nullptr); }
};

TEST_F(ViewSettings, LayoutsShowTheRightPanesAndViewSettingsAreReadAndWritten) {
  Document doc;
  SceneViews views(doc);
  views.container()->resize(600, 400);
  views.container()->show();
  auto shown = [&] {
    std::string panes;
    for (int v = 0; v < kViewCount; ++v)
      panes += views.view(v)->isVisibleTo(views.container()) ? '1' : '0';
    return panes;
  };
  for (int layout : {0, 1, 2, 3, 42, -1}) {
    views.ApplyLayout(layout);
    EXPECT_EQ(views.layout(), layout == 42 || layout < 0 ? 1 : layout);
    EXPECT_EQ(shown(), layout == 0 ? "1000" : "1111") << layout;
  }
  QStringList titles;
  for (QLabel* label : views.container()->findChildren<QLabel*>())
    titles << label->text();
  // The pane titles, and the labels drawn in the views.
  titles.sort();
  EXPECT_EQ(titles.join('|').toStdString(), "XY - Axis - FRONT|XZ - Axis - TOP|YZ - Axis - RIGHT");
  EXPECT_EQ(
      std::string(ViewLabel(0)) + "|" + ViewLabel(1) + "|" + ViewLabel(2) + "|" + ViewLabel(3),
      "Perspective View|XY - Axis|YZ - Axis|XZ - Axis");
  // The 2D views share their column equally.
  views.ApplyLayout(1);
  QApplication::processEvents();
  EXPECT_NEAR(views.view(1)->height(), views.view(2)->height(), 2);
  EXPECT_NEAR(views.view(2)->height(), views.view(3)->height(), 2);

  // Read at the start, written at the close.
  WriteSettingString(kGroupSettings, kViewLayout, "7");
  WriteSettingString(kGroupSettings, kShowGrid, "0");
  WriteSettingString(kGroupDrawingControl, kEyePosition, "1.000000,2.000000,3.000000");
  views.LoadSettings();
  EXPECT_EQ(views.layout(), 1);
  EXPECT_FALSE(views.options().gridShown);
  EXPECT_FLOAT_EQ(views.camera().state.eye.y, 2.0f);
  EXPECT_FLOAT_EQ(views.camera().state.lookAt.x, 0.0f);  // missing: the reset value

  // Layout, grid, eye, look-at and zoom as stored ("-" for none).
  auto stored = [] {
    std::string out;
    for (const char* name : {kViewLayout, kShowGrid})
      out += ReadSettingString(kGroupSettings, name, "-") + "|";
    for (const char* name : {kEyePosition, kLookAt, kZoomFactor})
      out += ReadSettingString(kGroupDrawingControl, name, "-") + "|";
    return out;
  };
  // With objects the camera and the view state are written.
  doc.objects.emplace_back(std::make_unique<SceneObject>())->id = 1;
  views.ApplyLayout(3);
  views.SetGridShown(true);
  PlaceCamera(views.camera(), {4, 5, 6}, {1, 1, 1});
  views.SaveSettings();
  EXPECT_EQ(stored(), "3|1|4.000000,5.000000,6.000000|1.000000,1.000000,1.000000|-|");
  // With an empty scene the camera values are deleted and the camera reset.
  WriteSettingString(kGroupDrawingControl, kZoomFactor, "1");
  doc.objects.clear();
  views.SaveSettings();
  EXPECT_EQ(stored(), "3|1|-|-|-|");
  EXPECT_FLOAT_EQ(views.camera().state.eye.x, 40.0f);

  // A stored eye on the look-at point would leave no viewing direction.
  WriteSettingString(kGroupDrawingControl, kEyePosition, "0.000000,0.000000,0.000000");
  views.LoadSettings();
  EXPECT_FLOAT_EQ(views.camera().state.eye.z, -40.0f);
}

}  // namespace
}  // namespace torvane
