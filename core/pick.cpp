// Picking of objects and elements along a ray: the per-object test with its
// worker split, and the scene walk that keeps the nearest object.
//
// Each vertex is brought into scene coordinates once per pick (in parallel),
// then every worker tests a contiguous range of triangles and keeps its own
// nearest hit; the calling thread waits, polling the progress every 5 ms,
// and merges the workers' results in order.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "core/matrix4.h"
#include "core/mesh.h"
#include "core/null_progress.h"
#include "core/pick.h"
#include "core/pick_scan.h"
#include "core/worker_thread.h"

namespace torvane {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

// Counts finished tasks; shared with the workers so that a worker may still
// touch it after the waiter has gone.
class Latch {
 public:
  explicit Latch(unsigned count) : left_(count) {}
  void CountDown() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (left_ > 0 && --left_ == 0) done_.notify_all();
  }
  // True when every task has finished; waits at most `interval`.
  bool WaitFor(std::chrono::milliseconds interval) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, interval, [this] { return left_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  unsigned left_;
};

using PickTask = std::function<void(unsigned index, ProgressMonitor& monitor)>;

class PickWorker final : public WorkerThread {
 public:
  PickWorker(const PickTask& task, unsigned index, std::shared_ptr<Latch> latch)
      : task_(task), index_(index), latch_(std::move(latch)) {}
  // For a worker whose thread could not be started.
  void RunHere() { Run(); }

 protected:
  void Run() override {
    task_(index_, *this);
    latch_->CountDown();
  }

 private:
  PickTask task_;
  unsigned index_;
  std::shared_ptr<Latch> latch_;
};

// Runs task(0) .. task(count - 1), each on a thread of its own when
// `threaded`, else one after the other here. False when the progress
// reported cancellation (every worker has stopped by then).
bool RunTasks(unsigned count, const PickTask& task, bool threaded, ProgressMonitor* progress) {
  if (!threaded) {
    NullProgress here;
    for (unsigned i = 0; i < count; ++i)
      task(i, here);
    return true;
  }
  // Without memory for the bookkeeping, the tasks run here; a task never
  // allocates, so nothing can fail while workers hold references to our
  // stack.
  std::shared_ptr<Latch> latch;
  std::vector<std::shared_ptr<PickWorker>> workers;
  try {
    latch = std::make_shared<Latch>(count);
    workers.reserve(count);
  } catch (const std::bad_alloc&) {
    return RunTasks(count, task, false, progress);
  }
  for (unsigned i = 0; i < count; ++i) {
    std::shared_ptr<PickWorker> worker;
    try {
      worker = std::make_shared<PickWorker>(task, i, latch);
    } catch (const std::bad_alloc&) {
      NullProgress here;
      task(i, here);
      latch->CountDown();
      continue;
    }
    workers.push_back(worker);  // capacity reserved: cannot throw
    if (!worker->Start()) worker->RunHere();
  }
  // The progress is asked at once and then every 5 ms until all are done.
  for (;;) {
    if (progress && progress->IsCancelled()) {
      for (auto& worker : workers)
        worker->Cancel();
      for (auto& worker : workers)
        worker->Stop();
      return false;
    }
    if (latch->WaitFor(kPollInterval)) return true;
  }
}

bool RayDirection(const PickRequest& request, Vec3* direction) {
  const Vec3 d = request.rayEnd - request.rayStart;
  const float length = Length(d);
  if (!(length > 0.0f) || !std::isfinite(length)) return false;
  *direction = {d.x / length, d.y / length, d.z / length};
  return true;
}

// The nearest hit over all workers; a later worker wins a tie.
WorkerResult MergeResults(const std::vector<WorkerResult>& results) {
  WorkerResult best;
  double surface = kPickStartDistance;
  for (const WorkerResult& r : results) {
    if (r.hit && r.distance <= best.distance) best = r;
    surface = std::min(surface, r.surfaceDistance);
  }
  best.surfaceDistance = surface;
  return best;
}

// Runs one pass of the workers over the triangles. False when cancelled.
bool RunPass(const PickJob& job, const std::vector<PickRange>& ranges, bool threaded,
             ProgressMonitor* progress, std::vector<WorkerResult>& results) {
  results.assign(ranges.size(), WorkerResult{});
  const bool elements = job.kind == kPickEdge || job.kind == kPickVertex;
  return RunTasks(
      unsigned(ranges.size()),
      [&](unsigned i, ProgressMonitor& monitor) {
        if (elements) {
          ScanElements(job, ranges[i], monitor, results[i]);
        } else {
          ScanTriangles(job, ranges[i], monitor, results[i]);
        }
      },
      threaded, progress);
}

// Brings every vertex into scene coordinates (and, for edge and vertex
// picks, across the ray), split like the triangles. False when cancelled.
bool TransformVertices(const PickJob& job, unsigned workers, bool threaded,
                       ProgressMonitor* progress, Vec3* world, float* across) {
  const std::vector<PickRange> ranges = PickRanges(job.vertexCount, workers);
  return RunTasks(
      unsigned(ranges.size()),
      [&](unsigned i, ProgressMonitor&) { TransformRange(job, ranges[i], world, across); },
      threaded, progress);
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

void ResetResults(PickRequest& request) {
  request.distance = kPickStartDistance;
  request.hitObjectId = kNoObjectId;
  request.hitVertices = {kDeadIndex, kDeadIndex, kDeadIndex};
  request.hitCorners = {kDeadIndex, kDeadIndex, kDeadIndex};
  request.hitPoint = {};
  request.hit = false;
  request.surface = false;
  request.cancelled = false;
}

}  // namespace

std::vector<PickRange> PickRanges(uint32_t triangleCount, unsigned workers) {
  std::vector<PickRange> ranges;
  if (triangleCount == 0) return ranges;
  const uint32_t w = std::clamp<uint32_t>(workers, 1, std::min(kPickMaxWorkers, triangleCount));
  const uint32_t each = triangleCount / w;
  ranges.reserve(w);
  for (uint32_t i = 0; i < w; ++i) {
    const uint32_t last = i + 1 == w ? triangleCount - 1 : (i + 1) * each - 1;
    ranges.push_back({i * each, last});
  }
  return ranges;
}

unsigned PickWorkerCount(uint32_t triangleCount, const PickSettings& settings) {
  if (triangleCount < kPickParallelTriangles) return 1;
  unsigned count = settings.workerCount;
  if (count == 0) count = std::thread::hardware_concurrency();
  return std::clamp(count, 1u, kPickMaxWorkers);
}

bool PickOutlineObject(const SceneObject&, PickRequest&) {
  return false;
}

namespace {

bool PickMeshObject(SceneObject& object, PickRequest& request, const PickSettings& settings) {
  if (!object.outlineShapes.empty()) return PickOutlineObject(object, request);
  Mesh& mesh = object.mesh;
  const uint32_t triangles = TriangleCount(mesh);
  if (triangles == 0 || mesh.vertexCount == 0) return false;
  if (request.kind > kPickIdentify) return false;
  Vec3 direction;
  if (!RayDirection(request, &direction)) return false;

  Vec3 boxMin, boxMax;
  if (!WorldBoundingBox(mesh, &boxMin, &boxMax)) return false;
  // A hair wider than the corners, so that vertices rounded onto the far side
  // of a face of the box are still inside it.
  float margin =
      1e-5f * std::max({boxMax.x - boxMin.x, boxMax.y - boxMin.y, boxMax.z - boxMin.z, 1.0f});
  if (request.kind == kPickEdge || request.kind == kPickVertex) {
    // The capture volumes of edges and vertices on the outside of the object
    // reach beyond its box; the box must not cut them off.
    margin +=
        float(kCaptureTolerances[std::size(kCaptureTolerances) - 1]) * std::fabs(mesh.scale.z);
  }
  boxMin = boxMin - Vec3{margin, margin, margin};
  boxMax = boxMax + Vec3{margin, margin, margin};
  double boxDistance;
  if (!IntersectRayBox(request.rayStart, direction, boxMin, boxMax, &boxDistance)) return false;

  if (request.kind == kPickObject && object.selected) {
    // A selected object is grabbed anywhere inside its box, so that it can be
    // dragged without aiming at its surface.
    if (!(boxDistance < request.distance)) return false;
    request.distance = boxDistance;
    request.hitObjectId = object.id;
    request.hitVertices = {kDeadIndex, kDeadIndex, kDeadIndex};
    request.hitCorners = {kDeadIndex, kDeadIndex, kDeadIndex};
    request.hitPoint = mesh.position;
    request.hit = true;
    request.surface = false;
    return true;
  }

  const unsigned workers = PickWorkerCount(triangles, settings);
  const bool threaded = triangles >= kPickParallelTriangles;
  const std::vector<PickRange> ranges = PickRanges(triangles, workers);

  PickJob job;
  job.corners = mesh.corners.data();
  job.positions = mesh.positions.data();
  job.vertexCount = std::min(mesh.vertexCount, mesh.positions.length());
  job.matrix = MeshTransformMatrix(mesh);
  job.start = request.rayStart;
  job.direction = direction;
  job.kind = request.kind;
  if (!job.corners || !job.positions || mesh.corners.length() < size_t{triangles} * 3) {
    return false;
  }

  // The vertices in scene coordinates, plus one spare entry for the 16-byte
  // corner loads of the quad test, and for edges and vertices their place
  // across the ray. Without memory for them, each corner is transformed where
  // it is used and every capture volume is tested.
  const bool elements = job.kind == kPickEdge || job.kind == kPickVertex;
  std::unique_ptr<Vec3, FreeDeleter> world(
      static_cast<Vec3*>(std::malloc(sizeof(Vec3) * (size_t{job.vertexCount} + 1))));
  std::unique_ptr<float, FreeDeleter> across(
      elements && world ? static_cast<float*>(std::malloc(sizeof(float) * 2 * job.vertexCount))
                        : nullptr);
  if (world) {
    world.get()[job.vertexCount] = Vec3{};
    if (!TransformVertices(job, workers, threaded, settings.progress, world.get(), across.get())) {
      request.cancelled = true;
      return false;
    }
    job.world = world.get();
    job.across = across.get();
  }

  std::vector<WorkerResult> results;
  WorkerResult best;
  if (job.kind == kPickEdge || job.kind == kPickVertex) {
    // Every pass runs over the whole object before the next one widens the
    // volumes, so the element found does not depend on the worker split.
    double surfaceDistance = kPickStartDistance;
    for (size_t pass = 0; pass < std::size(kCaptureTolerances); ++pass) {
      job.h = kCaptureTolerances[pass] * double(mesh.scale.z);
      job.reach = CaptureReach(job.h);
      job.wantSurface = pass == 0;
      if (!RunPass(job, ranges, threaded, settings.progress, results)) {
        request.cancelled = true;
        return false;
      }
      best = MergeResults(results);
      if (pass == 0) surfaceDistance = best.surfaceDistance;
      if (best.hit) break;
    }
    bool surface = false;
    if (best.hit && surfaceDistance < best.distance - kSurfaceMargin) {
      // A surface of the object lies in front of the element.
      best.distance = surfaceDistance;
      surface = true;
    }
    if (!best.hit || (surface && settings.culling)) return false;
    if (!(best.distance < request.distance)) return false;
    request.surface = surface;
  } else {
    if (!RunPass(job, ranges, threaded, settings.progress, results)) {
      request.cancelled = true;
      return false;
    }
    best = MergeResults(results);
    if (!best.hit || !(best.distance < request.distance)) return false;
    request.surface = false;
  }
  request.distance = best.distance;
  request.hitObjectId = object.id;
  request.hitVertices = best.vertices;
  request.hitCorners = best.corners;
  request.hitPoint = best.point;
  request.hit = true;
  return true;
}

}  // namespace

bool PickObject(SceneObject& object, PickRequest& request, const PickSettings& settings) {
  try {
    return PickMeshObject(object, request, settings);
  } catch (const std::bad_alloc&) {
    // Only the small bookkeeping allocates (never while workers run): the
    // object counts as not hit.
    return false;
  }
}

bool PickScene(Document& doc, PickRequest& request, const PickSettings& settings) {
  ResetResults(request);
  for (auto& object : doc.objects) {
    if (!object || !IsLive(*object)) continue;
    bool cancelled = settings.progress && settings.progress->IsCancelled();
    if (!cancelled) {
      PickObject(*object, request, settings);
      cancelled = request.cancelled;
    }
    if (cancelled) {
      ResetResults(request);
      request.cancelled = true;
      return false;
    }
  }
  return request.hit;
}

}  // namespace torvane
