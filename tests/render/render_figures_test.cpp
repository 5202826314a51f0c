// Figures of the views on a large model (not part of the normal run; start
// with --gtest_also_run_disabled_tests --gtest_filter='*Figures*'): time from
// showing the views to the first frame of a 2,000,000-triangle sphere, and
// the frame time while only the camera moves. Prints; asserts no timing.
#include "core/document.h"
#include "core/mesh.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <memory>

#include "render/camera.h"
#include "render/render_device.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

// A UV sphere of radius `r` with 2 x stacks x slices triangles.
void BuildSphere(Mesh& mesh, uint32_t stacks, uint32_t slices, float r) {
  uint32_t vertices = (stacks + 1) * (slices + 1);
  uint32_t corners = stacks * slices * 6;
  ASSERT_TRUE(mesh.positions.ResizeDiscard(vertices));
  ASSERT_TRUE(mesh.corners.ResizeDiscard(corners));
  Vec3* p = mesh.positions.MutableData();
  for (uint32_t i = 0; i <= stacks; ++i) {
    float theta = 3.14159265f * static_cast<float>(i) / static_cast<float>(stacks);
    for (uint32_t j = 0; j <= slices; ++j) {
      float phi = 6.2831853f * static_cast<float>(j) / static_cast<float>(slices);
      p[i * (slices + 1) + j] = {r * std::sin(theta) * std::cos(phi), r * std::cos(theta),
                                 r * std::sin(theta) * std::sin(phi)};
    }
  }
  MeshCorner* c = mesh.corners.MutableData();
  uint32_t k = 0;
  auto corner = [&](uint32_t a, uint32_t b, uint32_t d) {
    Vec3 n = FaceNormal(p[a], p[b], p[d]);
    for (uint32_t v : {a, b, d})
      c[k++] = {v, n, kDefaultObjectColour};
  };
  for (uint32_t i = 0; i < stacks; ++i) {
    for (uint32_t j = 0; j < slices; ++j) {
      uint32_t a = i * (slices + 1) + j;
      uint32_t b = a + slices + 1;
      corner(a, a + 1, b);
      corner(a + 1, b + 1, b);
    }
  }
  mesh.vertexCount = vertices;
  mesh.cornerCount = corners;
  MarkChanged(mesh);
}

bool WaitForFrames(SceneViews& views, const int before[kViewCount]) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 120000) {
    bool all = true;
    for (int v = 0; v < kViewCount; ++v) {
      ViewWidget* w = views.view(v);
      if (w->isVisible() && w->framesDrawn() <= before[v]) all = false;
    }
    if (all) return true;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return false;
}

TEST(RenderFigures, DISABLED_LargeModelFirstFrameAndCameraFrames) {
  Document doc;
  auto object = std::make_unique<SceneObject>();
  object->id = 1;
  BuildSphere(object->mesh, 1000, 1000, 10.0f);
  ASSERT_EQ(TriangleCount(object->mesh), 2000000u);
  doc.objects.push_back(std::move(object));

  RenderStats& stats = RenderDevice::Instance().stats();
  QElapsedTimer clock;
  clock.start();
  SceneViews views(doc);
  views.container()->resize(1280, 800);
  views.ApplyLayout(1);
  views.container()->show();
  int before[kViewCount] = {0, 0, 0, 0};
  ASSERT_TRUE(WaitForFrames(views, before));
  double firstFrameMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
  uint64_t builds = stats.arrayBuilds;
  uint64_t uploads = stats.bufferUploads;
  std::printf("frames drawn before every view had one: %d %d %d %d; array builds %llu\n",
              views.view(0)->framesDrawn(), views.view(1)->framesDrawn(),
              views.view(2)->framesDrawn(), views.view(3)->framesDrawn(),
              static_cast<unsigned long long>(builds));

  const int kFrames = 10;
  clock.restart();
  for (int f = 0; f < kFrames; ++f) {
    for (int v = 0; v < kViewCount; ++v)
      before[v] = views.view(v)->framesDrawn();
    views.OrbitBy(3.0f, 1.0f);
    ASSERT_TRUE(WaitForFrames(views, before));
  }
  double allViewsMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kFrames;

  views.ApplyLayout(0);
  QApplication::processEvents();
  clock.restart();
  for (int f = 0; f < kFrames; ++f) {
    for (int v = 0; v < kViewCount; ++v)
      before[v] = views.view(v)->framesDrawn();
    views.OrbitBy(3.0f, 1.0f);
    ASSERT_TRUE(WaitForFrames(views, before));
  }
  double perspectiveMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kFrames;

  std::printf(
      "2,000,000 triangles: first frame of four views %.0f ms; camera-only frame "
      "(four views) %.0f ms; (perspective only) %.0f ms\n",
      firstFrameMs, allViewsMs, perspectiveMs);
  EXPECT_EQ(stats.arrayBuilds, builds);
  EXPECT_EQ(stats.bufferUploads, uploads);
}

}  // namespace
}  // namespace torvane
