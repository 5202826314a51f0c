// The selection rectangle of "Select 2D Object": the unbounded box, the
// segment and vertex tests (the vertices split over workers like picking),
// and selecting what meets the box.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <thread>

#include "core/history.h"
#include "core/matrix4.h"
#include "core/pick.h"
#include "solid/outline.h"

namespace torvane {
namespace {

constexpr float kUnbounded = 3.4028235e+38f;
constexpr auto kPollInterval = std::chrono::milliseconds(5);

float& Axis(Vec3& p, int axis) {
  return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

bool Inside(const Vec3& p, const SelectionBox& box) {
  return p.x >= box.min.x && p.x <= box.max.x && p.y >= box.min.y && p.y <= box.max.y &&
         p.z >= box.min.z && p.z <= box.max.z;
}

// Triangles first .. last of the object: does a live triangle have a vertex
// (through the world matrix) inside the box? Stops at the first one, or
// when another worker found one.
bool RangeMeetsBox(const SceneObject& object, const SelectionBox& box, uint32_t first,
                   uint32_t last, const std::atomic<bool>& found) {
  const Mesh& mesh = object.mesh;
  const MeshCorner* corners = mesh.corners.data();
  const Vec3* positions = mesh.positions.data();
  if (!corners || !positions) return false;
  const uint32_t vertexCount = std::min(mesh.vertexCount, mesh.positions.length());
  for (uint32_t t = first; t <= last; ++t) {
    if ((t & 255) == 0 && found.load(std::memory_order_relaxed)) return false;
    const MeshCorner* c = corners + size_t{t} * 3;
    if (c[0].vertexIndex >= vertexCount || c[1].vertexIndex >= vertexCount ||
        c[2].vertexIndex >= vertexCount) {
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      if (Inside(TransformPoint(positions[c[k].vertexIndex], object.worldMatrix), box)) return true;
    }
  }
  return false;
}

}  // namespace

bool SelectionRectangleShown(int pressX, int pressY, int x, int y) {
  return std::abs(x - pressX) > kSelectionRectanglePixels &&
         std::abs(y - pressY) > kSelectionRectanglePixels;
}

SelectionBox UnboundedSelectionBox(int view, Vec3 a, Vec3 b) {
  SelectionBox box;
  box.min = {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
  box.max = {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
  const int axis = ViewingAxis(view);
  if (axis >= 0) {
    Axis(box.min, axis) = -kUnbounded;
    Axis(box.max, axis) = kUnbounded;
  }
  return box;
}

std::vector<OutlineSegment> SelectionRectangleLines(int view, Vec3 a, Vec3 b) {
  a = OnDrawingPlane(view, a);
  b = OnDrawingPlane(view, b);
  std::vector<OutlineSegment> lines = GenerateShape(kDrawRectangle, view, a, b);
  for (OutlineSegment& s : lines) {
    s.colour = kSelectionRectangleColour;
    s.inUse = true;
  }
  return lines;
}

bool SegmentMeetsBox(Vec3 start, Vec3 end, const SelectionBox& box) {
  // Slab test of the ray from the start through the end, kept to the
  // segment itself: a ray running on past the far end would reach boxes
  // nowhere near the outline.
  double enter = 0.0;
  double exit = 1.0;
  const double s[3] = {start.x, start.y, start.z};
  const double d[3] = {double(end.x) - start.x, double(end.y) - start.y, double(end.z) - start.z};
  const double lo[3] = {box.min.x, box.min.y, box.min.z};
  const double hi[3] = {box.max.x, box.max.y, box.max.z};
  for (int i = 0; i < 3; ++i) {
    if (d[i] == 0.0) {
      if (s[i] < lo[i] || s[i] > hi[i]) return false;
      continue;
    }
    double t0 = (lo[i] - s[i]) / d[i];
    double t1 = (hi[i] - s[i]) / d[i];
    if (t0 > t1) std::swap(t0, t1);
    enter = std::max(enter, t0);
    exit = std::min(exit, t1);
    if (enter > exit) return false;
  }
  return true;
}

bool VerticesMeetBox(const SceneObject& object, const SelectionBox& box, unsigned workers) {
  const uint32_t triangles = TriangleCount(object.mesh);
  if (triangles == 0) return false;
  PickSettings settings;
  settings.workerCount = workers;
  const unsigned count = PickWorkerCount(triangles, settings);
  const std::vector<PickRange> ranges = PickRanges(triangles, count);
  std::atomic<bool> found{false};
  if (ranges.size() <= 1) return RangeMeetsBox(object, box, 0, triangles - 1, found);

  std::atomic<unsigned> finished{0};
  std::vector<std::thread> threads;
  threads.reserve(ranges.size());
  for (const PickRange& range : ranges) {
    auto task = [&, range] {
      if (RangeMeetsBox(object, box, range.first, range.last, found)) found = true;
      ++finished;
    };
    try {
      threads.emplace_back(task);
    } catch (const std::system_error&) {
      task();  // no thread to be had: the range is tested here
    }
  }
  // The caller polls every 5 ms until every worker has finished.
  while (finished.load() < ranges.size())
    std::this_thread::sleep_for(kPollInterval);
  for (std::thread& thread : threads)
    thread.join();
  return found.load();
}

bool ObjectMeetsBox(const SceneObject& object, const SelectionBox& box, unsigned workers) {
  for (const OutlineShape& shape : object.outlineShapes) {
    for (const OutlineSegment& s : shape.segments) {
      if (SegmentMeetsBox(s.start, s.end, box)) return true;
    }
  }
  return VerticesMeetBox(object, box, workers);
}

uint32_t SelectObjectsInBox(Document& doc, const SelectionBox& box) {
  RecordHistory(doc);
  DeselectAll(doc);
  uint32_t selected = 0;
  for (auto& owned : doc.objects) {
    if (!owned || !IsLive(*owned)) continue;
    if (!ObjectMeetsBox(*owned, box)) continue;
    SelectObject(*owned);
    MarkBoundingBox(*owned);
    AddToSelection(doc, owned->id);
    ++selected;
  }
  doc.forceRecord = true;
  return selected;
}

}  // namespace torvane
