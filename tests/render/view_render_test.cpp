// Pixel tests of the views: frames are read back from the perspective and 2D
// views and compared with the colours the renderer must produce.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cstdlib>

#include "core/mesh_test_shapes.h"
#include "render/render_device.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

constexpr QRgb kBackground = qRgb(80, 80, 90);

// A square of side 2 * half at z = zPlane whose face looks at -Z (towards a
// camera on -Z) unless `inverted`.
void AddSquare(Mesh& mesh, float half, float zPlane, bool inverted,
               Colour32 colour = kDefaultObjectColour) {
  Vec3 a{-half, -half, zPlane}, b{-half, half, zPlane}, c{half, half, zPlane},
      d{half, -half, zPlane};
  if (inverted) std::swap(b, d);
  AppendTriangle(mesh, a, b, c, colour);
  AppendTriangle(mesh, a, c, d, colour);
}

// A cube of side 2 at the origin with outward normals.
void AddCube(Mesh& mesh) {
  mesh = testing::MakeIndexedCube({-1, -1, -1}, {1, 1, 1}, kDefaultObjectColour);
}

int Brightness(QRgb c) {
  return qRed(c) + qGreen(c) + qBlue(c);
}

// How many pixels of `area` in `image` satisfy `holds`.
template <class Holds>
int CountPixels(const QImage& image, QRect area, Holds holds) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x)
      count += holds(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

class ViewRender : public ::testing::Test {
 protected:
  void SetUp() override {
    views_.ApplyLayout(0);
    views_.options().gridShown = false;
    views_.container()->resize(400, 300);
    views_.container()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(views_.container(), 10000));
    PlaceCamera(views_.camera(), {0, 0, -10}, {0, 0, 0});
  }

  SceneObject& AddObject() {
    auto object = std::make_unique<SceneObject>();
    object->id = NextObjectId(doc_);
    doc_.objects.push_back(std::move(object));
    return *doc_.objects.back();
  }

  // The selection record of the object's triangle `index`.
  static SelectionRecord TriangleRecord(const SceneObject& object, int index) {
    SelectionRecord triangle;
    triangle.elementType = kSelectTriangle;
    for (int k = 0; k < 3; ++k) {
      triangle.indices[k] = object.mesh.corners.data()[3 * index + k].vertexIndex;
      triangle.indices[3 + k] = 3 * index + k;
    }
    return triangle;
  }

  // Redraws and waits until `view` has drawn a new frame; returns it.
  QImage Frame(int view = kPerspectiveView) {
    ViewWidget* widget = views_.view(view);
    int before = widget->framesDrawn();
    views_.Redraw();
    EXPECT_TRUE(QTest::qWaitFor([&] { return widget->framesDrawn() > before; }, 10000));
    return widget->grabFramebuffer();
  }

  // Pixel of scene point p in the perspective view.
  QPoint PixelOf(const Vec3& p) {
    Camera camera = views_.camera();
    ViewWidget* widget = views_.view(kPerspectiveView);
    SetViewport(camera, widget->width(), widget->height());
    Vec3 pixel;
    EXPECT_TRUE(Project(camera, p, &pixel));
    return {static_cast<int>(pixel.x), static_cast<int>(pixel.y)};
  }

  Document doc_;
  SceneViews views_{doc_};
};

// One frame per case, read at a point inside the square: what each drawing
// mode must leave there, with the view label over it. The solid fill takes
// one pass a frame in every culling mode; wire frame keeps the separate
// back-face pass of "Draw double sided".
TEST_F(ViewRender, EachDrawingModeColoursTheFaceAsItMust) {
  const auto lit = [](QRgb c) { return Brightness(c) > Brightness(kBackground) + 300; };
  const auto background = [](QRgb c) { return c == kBackground; };
  const auto dark = [](QRgb c) { return Brightness(c) < Brightness(kBackground); };
  const auto green = [](QRgb c) { return qGreen(c) > qRed(c) + 40; };
  const auto any = [](QRgb) { return true; };
  enum Mark { kNone, kPicked, kBox };
  const std::tuple<const char*, bool, int, bool, Mark, bool (*)(QRgb)> cases[] = {
      {"front face", false, 1, false, kNone, lit},
      {"back face, cull back faces", true, 1, false, kNone, background},
      {"back face, no culling: drawn unlit", true, 0, false, kNone, dark},
      {"wire frame leaves the inside", false, 0, true, kNone, background},
      {"wire frame, cull back faces", true, 1, true, kNone, background},
      {"wire frame, double sided", true, 2, true, kNone, background},
      {"picked triangle", false, 0, false, kPicked, green},
      {"bounding box", false, 2, false, kBox, any},
  };
  RenderStats& stats = RenderDevice::Instance().stats();
  const QPoint inside = PixelOf({1.0f, 0.5f, -1.0f});
  for (const auto& [name, inverted, culling, wireframe, mark, holds] : cases) {
    doc_.objects.clear();
    SceneObject& object = AddObject();
    // Marks are judged on a dark, unshiny face.
    AddSquare(object.mesh, 2.0f, -1.0f, inverted, mark ? 0xFF202020u : kDefaultObjectColour);
    views_.options().specular = !mark;
    views_.options().cullingMode = culling;
    views_.options().wireframe = wireframe;
    object.showBoundingBox = mark == kBox;
    // The triangle holding `inside`.
    if (mark == kPicked) PushSelectionRecord(object.selectionRecords, TriangleRecord(object, 1));
    const uint64_t passes = stats.meshPasses;
    QImage image = Frame();
    EXPECT_EQ(stats.meshPasses - passes, culling == 2 && wireframe ? 2u : 1u) << name;
    EXPECT_TRUE(holds(image.pixel(inside))) << name;
    // Away from the square only the background.
    EXPECT_EQ(image.pixel(5, image.height() / 2), kBackground) << name;
    // The view label is painted in white in the top-left corner.
    EXPECT_GT(CountPixels(image, QRect(0, 0, 140, 20), [](QRgb c) { return Brightness(c) > 600; }),
              20);
    // The outline itself (some pixel along the left edge) and the box's
    // corner are drawn.
    const QPoint edge = PixelOf({-2.0f, 0.5f, -1.0f}), corner = PixelOf({2.0f, 2.0f, -1.0f});
    if (wireframe && !inverted) {
      EXPECT_GT(CountPixels(image, QRect(edge.x() - 2, edge.y(), 5, 1),
                            [](QRgb c) { return Brightness(c) > Brightness(kBackground) + 100; }),
                0);
    }
    if (mark == kBox) {
      EXPECT_GT(CountPixels(image, QRect(corner - QPoint(2, 2), QSize(5, 5)),
                            [](QRgb c) {
                              return std::min({qRed(c), qGreen(c), qBlue(c)}) > 200;
                            }),
                0);
    }
  }
  EXPECT_TRUE(RenderDevice::Instance().FlipsBackFacesInOnePass());
}

TEST_F(ViewRender, TwoDViewShowsItsGridColoursAndArraysAreBuiltOncePerChange) {
  views_.container()->resize(1200, 900);
  views_.ApplyLayout(1);
  views_.options().gridShown = true;
  PlaceCamera(views_.camera(), {0, 0, -50}, {0, 0, 0});  // 0.1 units a pixel in 2D
  QApplication::processEvents();
  QImage image = Frame(kFrontView);
  ASSERT_GT(image.width(), 220);
  // x = 10 is a tenth line parallel to Y: (0, 153, 0), 100 pixels right of
  // the centre; anything else there is grid or background.
  int cx = image.width() / 2;
  int y = image.height() / 2 + 17;
  const QRect tenth(cx + 97, y, 7, 1);
  EXPECT_GT(CountPixels(image, tenth,
                        [](QRgb c) { return qGreen(c) > 120 && qRed(c) < 60 && qBlue(c) < 60; }),
            0);
  // Ordinary lines at x = 1, 2, ... are grey (95, 95, 100) between the green
  // ones; a pixel in the middle of a cell stays background.
  EXPECT_GT(CountPixels(image, QRect(cx + 8, y, 5, 1),
                        [](QRgb c) {
                          return c != kBackground && qRed(c) == qGreen(c) && qBlue(c) >= qRed(c);
                        }),
            0);
  EXPECT_EQ(image.pixel(cx + 15, image.height() / 2 + 15), kBackground);

  // With the grid hidden only the axes remain.
  views_.SetGridShown(false);
  EXPECT_EQ(CountPixels(Frame(kFrontView), tenth, [](QRgb c) { return c != kBackground; }), 0);

  // The four views draw the same mesh.
  SceneObject& object = AddObject();
  AddCube(object.mesh);
  RenderStats& stats = RenderDevice::Instance().stats();
  const uint64_t builds = stats.arrayBuilds, uploads = stats.bufferUploads;
  auto everyView = [&] {
    for (int view = 0; view < kViewCount; ++view)
      Frame(view);
  };
  everyView();
  EXPECT_EQ(stats.arrayBuilds, builds + 1);
  EXPECT_EQ(stats.bufferUploads, uploads + 1);
  EXPECT_FALSE(object.mesh.renderStale);

  // Camera-only frames reuse the buffers.
  Orbit(views_.camera(), 20, 5);
  everyView();
  Zoom(views_.camera(), true);
  Frame();
  EXPECT_EQ(stats.arrayBuilds, builds + 1);
  EXPECT_EQ(stats.bufferUploads, uploads + 1);

  // An edit of the corners marks the mesh stale: one rebuild for all views.
  RecolourAllCorners(object.mesh, 0xFF3060A0u);
  everyView();
  EXPECT_EQ(stats.arrayBuilds, builds + 2);
  EXPECT_EQ(stats.bufferUploads, uploads + 2);

  // Another mesh assigned in place (same address) with its render flag
  // clear is still another mesh: its arrays are built.
  Mesh other;
  AddCube(other);
  other.renderStale = false;
  object.mesh = other;
  Frame();
  EXPECT_EQ(stats.arrayBuilds, builds + 3);

  // Removing the object releases its buffer.
  doc_.objects.clear();
  Frame();
  EXPECT_EQ(RenderDevice::Instance().CachedMeshCount(), 0u);
}

TEST_F(ViewRender, DoubleSidedLightsBackFacesLikeFrontFacesAndPlainShadingStandsIn) {
  // The same square twice, once facing the camera and once facing away: in
  // "Draw double sided" the back face is lit with its normal flipped, which
  // is the front face's normal, so every pixel must come out the same,
  // specular highlight included.
  views_.options().cullingMode = 2;
  views_.options().specular = true;
  SceneObject& object = AddObject();
  AddSquare(object.mesh, 2.0f, -1.0f, /*inverted=*/false);
  QImage front = Frame();
  object.mesh = Mesh();
  AddSquare(object.mesh, 2.0f, -1.0f, /*inverted=*/true);
  QImage back = Frame();
  // Interpolation may round differently in a triangle of the other winding:
  // allow a step of rounding, far below what a wrongly lit side would show.
  auto near = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
           std::abs(qBlue(a) - qBlue(b)) <= 2;
  };
  for (Vec3 p : {Vec3{0.0f, 0.0f, -1.0f}, Vec3{1.0f, 0.5f, -1.0f}, Vec3{-1.5f, -1.2f, -1.0f}}) {
    QPoint at = PixelOf(p);
    EXPECT_GT(Brightness(front.pixel(at)), Brightness(kBackground) + 300);
    EXPECT_TRUE(near(front.pixel(at), back.pixel(at)))
        << at.x() << "," << at.y() << ": " << std::hex << front.pixel(at) << " " << back.pixel(at);
  }

  // A nearer back face hides the faces behind it; a farther one does not
  // show through.
  views_.options().specular = false;
  back = Frame();
  AddSquare(object.mesh, 0.5f, -3.0f, /*inverted=*/true, 0xFFFF0000u);
  AddSquare(object.mesh, 1.5f, 2.0f, /*inverted=*/true, 0xFF00FF00u);
  QImage both = Frame();

  QRgb centre = both.pixel(PixelOf({0.0f, 0.0f, -3.0f}));
  EXPECT_GT(qRed(centre), qGreen(centre) + 100);
  QPoint uncovered = PixelOf({1.0f, 1.0f, -1.0f});
  EXPECT_EQ(both.pixel(uncovered), back.pixel(uncovered));

  // Plain shading stands in when the lighting shaders fail.
  doc_.objects.clear();
  AddCube(AddObject().mesh);
  RenderDevice::SetLightingShaderFailureForTesting(true);
  QImage image = Frame();
  EXPECT_FALSE(RenderDevice::Instance().HasLightingShaders());
  EXPECT_GT(Brightness(image.pixel(PixelOf({0.3f, 0.4f, -1.0f}))), Brightness(kBackground) + 50);
  EXPECT_EQ(image.pixel(5, image.height() / 2), kBackground);
  RenderDevice::SetLightingShaderFailureForTesting(false);
  Frame();
  EXPECT_TRUE(RenderDevice::Instance().HasLightingShaders());
}

TEST_F(ViewRender, UnchangedFramesReuseTheImageAndEveryChangeIsDrawn) {
  SceneObject& object = AddObject();
  AddCube(object.mesh);
  RenderStats& stats = RenderDevice::Instance().stats();
  views_.options().gridShown = true;
  Frame();
  // A grab renders the view: after a change in full, then from the kept
  // image, which must give the very same pixels.
  ViewWidget* widget = views_.view(kPerspectiveView);
  Orbit(views_.camera(), 5.0f, 2.0f);
  uint64_t draws = stats.sceneDraws, reuses = stats.sceneImageReuses;
  const QImage drawn = widget->grabFramebuffer();
  EXPECT_EQ(stats.sceneDraws, draws + 1);
  EXPECT_TRUE(widget->grabFramebuffer() == drawn);
  EXPECT_EQ(stats.sceneDraws - draws, 1u);
  EXPECT_EQ(stats.sceneImageReuses - reuses, 1u);
  views_.options().gridShown = false;

  Document& doc = doc_;
  ViewOptions& options = views_.options();
  Camera& camera = views_.camera();
  // Each change, and whether the picture must differ.
  const SelectionRecord triangle = TriangleRecord(object, 0);
  const Vec3 moved{0.4f, 0.0f, 0.0f}, turned{0.0f, 20.0f, 0.0f};
  const OutlineSegment line{{0, 0, -1.5f}, {1, 1, -1.5f}, {1, 0, 0, 1}, true};
  const std::tuple<const char*, std::function<void()>, bool> changes[] = {
      {"orbit", [&] { Orbit(camera, 8.0f, 3.0f); }, true},
      {"zoom", [&] { Zoom(camera, true); }, true},
      {"move (transform only)", [&] { SetPosition(object.mesh, moved); }, true},
      {"turn", [&] { SetRotation(object.mesh, turned); }, true},
      {"recolour", [&] { RecolourAllCorners(object.mesh, 0xFFC04020u); }, true},
      {"wire frame", [&] { options.wireframe = true; }, true},
      {"specular off", [&] { options.specular = false; }, true},
      {"grid", [&] { options.gridShown = true; }, true},
      {"cull back faces", [&] { options.cullingMode = 1; }, false},
      {"picked triangle", [&] { PushSelectionRecord(object.selectionRecords, triangle); }, true},
      {"bounding box", [&] { object.showBoundingBox = true; }, true},
      {"no bounding box", [&] { object.showBoundingBox = false; }, true},
      {"line slot", [&] { object.lineSlots[3] = line; }, true},
      {"second object", [&] { AddSquare(AddObject().mesh, 0.5f, -2.0f, false); }, true},
      {"object removed", [&] { doc.objects.pop_back(); }, true},
      {"resize", [&] { views_.container()->resize(420, 310); }, true},
  };
  QImage before = Frame();
  for (const auto& [name, apply, visible] : changes) {
    draws = stats.sceneDraws;
    apply();
    QApplication::processEvents();
    QImage after = Frame();
    EXPECT_GT(stats.sceneDraws, draws) << name;
    if (visible) {
      EXPECT_FALSE(after == before) << name;
    }
    before = after;
  }
}

}  // namespace
}  // namespace torvane
