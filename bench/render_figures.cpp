// Figures of the views on a large model (run under a display, for example
// xvfb-run -a -s "-screen 0 1600x1000x24" torvane_render_figures): time from
// showing the views to the first frame of a 2,000,000-triangle sphere, the
// frame time while only the camera moves, and the cost of a frame in which
// nothing changes, for a large and a small model. Prints wall-clock and
// processor time (all threads, the renderer's included). Exits 1 when a
// frame never came or the views built their arrays more often than once per
// change.
// TORVANE_FRAME_TIMING=1 adds one line per view frame (build, upload, draw).
#include "core/document.h"
#include "core/mesh.h"

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "render/camera.h"
#include "render/graphics_check.h"
#include "render/render_device.h"
#include "render/scene_views.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

int failures = 0;

// A broken expectation: reported, and the program exits 1 at the end.
void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  ++failures;
}

// A UV sphere of radius `r` with 2 x stacks x slices triangles.
void BuildSphere(Mesh& mesh, uint32_t stacks, uint32_t slices, float r) {
  uint32_t vertices = (stacks + 1) * (slices + 1);
  uint32_t corners = stacks * slices * 6;
  if (!mesh.positions.ResizeDiscard(vertices) || !mesh.corners.ResizeDiscard(corners)) {
    Check(false, "sphere arrays");
    return;
  }
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

double ProcessorMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

double LoadAverage() {
  double load[1] = {0.0};
  return getloadavg(load, 1) == 1 ? load[0] : -1.0;
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

struct Figure {
  double wallMs = 0.0;
  double processorMs = 0.0;
};

// Average over `frames` rounds of `step` followed by a new frame of every
// visible view.
Figure MeasureFrames(SceneViews& views, int frames, const std::function<void(int)>& step) {
  QElapsedTimer clock;
  double processor = ProcessorMs();
  clock.start();
  for (int f = 0; f < frames; ++f) {
    int before[kViewCount];
    for (int v = 0; v < kViewCount; ++v)
      before[v] = views.view(v)->framesDrawn();
    step(f);
    Check(WaitForFrames(views, before), "frame drawn");
  }
  return {static_cast<double>(clock.nsecsElapsed()) / 1e6 / frames,
          (ProcessorMs() - processor) / frames};
}

void MeasureLargeModel() {
  std::printf("renderer \"%s\", samples %d, load average %.2f\n", OpenGLRendererName().c_str(),
              ViewSurfaceFormat().samples(), LoadAverage());
  Document doc;
  auto object = std::make_unique<SceneObject>();
  object->id = 1;
  BuildSphere(object->mesh, 1000, 1000, 10.0f);
  Check(TriangleCount(object->mesh) == 2000000u, "2,000,000 triangles");
  doc.objects.push_back(std::move(object));

  RenderStats& stats = RenderDevice::Instance().stats();
  QElapsedTimer clock;
  double processor = ProcessorMs();
  clock.start();
  SceneViews views(doc);
  views.container()->resize(1280, 800);
  views.ApplyLayout(1);
  views.container()->show();
  int before[kViewCount] = {0, 0, 0, 0};
  if (!WaitForFrames(views, before)) return Check(false, "first frame");
  Figure first{static_cast<double>(clock.nsecsElapsed()) / 1e6, ProcessorMs() - processor};
  uint64_t builds = stats.arrayBuilds;
  uint64_t uploads = stats.bufferUploads;
  Check(builds == 1u, "one array build for the first frame");

  const int kFrames = 6;
  // Zooming changes the 2D views' scale too: all four views draw anew.
  Figure zoom = MeasureFrames(views, kFrames, [&](int f) {
    views.WheelTurned(kPerspectiveView, QPoint(10, 10), f % 2 == 0 ? 120 : -120);
  });
  // Orbiting turns the perspective view only; the 2D views keep their image.
  Figure orbit = MeasureFrames(views, kFrames, [&](int) { views.OrbitBy(3.0f, 1.0f); });
  // Nothing changes: every view copies its kept image back.
  uint64_t draws = stats.sceneDraws;
  Figure still = MeasureFrames(views, kFrames, [&](int) { views.Redraw(); });
  Check(stats.sceneDraws == draws, "still frames reuse the kept image");

  views.ApplyLayout(0);
  QApplication::processEvents();
  Figure perspective = MeasureFrames(views, kFrames, [&](int) { views.OrbitBy(3.0f, 1.0f); });

  // The same still frames with a 20,000-triangle model.
  views.ApplyLayout(1);
  BuildSphere(doc.objects[0]->mesh, 100, 100, 10.0f);
  MeasureFrames(views, 1, [&](int) { views.Redraw(); });
  Figure stillSmall = MeasureFrames(views, kFrames, [&](int) { views.Redraw(); });

  std::printf(
      "2,000,000 triangles (wall / processor ms):\n"
      "  first frame of four views        %7.0f / %7.0f\n"
      "  zoom frame, four views drawn     %7.0f / %7.0f\n"
      "  orbit frame, four-view layout    %7.0f / %7.0f\n"
      "  orbit frame, perspective only    %7.0f / %7.0f\n"
      "  frame changing nothing, 4 views  %7.1f / %7.1f (20,000 triangles: %.1f / %.1f)\n"
      "load average %.2f\n",
      first.wallMs, first.processorMs, zoom.wallMs, zoom.processorMs, orbit.wallMs,
      orbit.processorMs, perspective.wallMs, perspective.processorMs, still.wallMs,
      still.processorMs, stillSmall.wallMs, stillSmall.processorMs, LoadAverage());
  Check(stats.arrayBuilds == builds + 1, "the small sphere built once");
  Check(stats.bufferUploads == uploads + 1, "the small sphere uploaded once");
}

}  // namespace
}  // namespace torvane

int main(int argc, char** argv) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  torvane::MeasureLargeModel();
  return torvane::failures == 0 ? 0 : 1;
}
