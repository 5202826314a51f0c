// ChainLookahead: see chain_lookahead.h.
#include "solid/chain_lookahead.h"

#include <chrono>
#include <system_error>

#include "solid/plane_columns.h"
#include "solid/plane_runs.h"

namespace torvane::bsp {
namespace {

constexpr uint32_t kRunLength = 16;
constexpr uint32_t kLongRunLength = 256;
// A sweep over the list waits for this many new levels: each restart of a
// polygon's walk costs a test or two.
constexpr uint32_t kSweepLevels = 64;

}  // namespace

ChainLookahead::ChainLookahead(const CsgStore& store, const CsgPolygonList& list, size_t maxLevels)
    : planes_(maxLevels), passed_(new std::atomic<uint32_t>[list.size()]) {
  polygons_.reserve(list.size());
  size_t vertexCount = 0;
  for (CsgPolygonId id : list)
    vertexCount += store.polygons[id].count;
  vertices_.reserve(vertexCount);
  for (size_t i = 0; i < list.size(); ++i) {
    CsgPolygon polygon = store.polygons[list[i]];
    const CsgVertex* first = store.vertices.data() + polygon.firstVertex;
    polygon.firstVertex = static_cast<uint32_t>(vertices_.size());
    vertices_.insert(vertices_.end(), first, first + polygon.count);
    polygons_.push_back(polygon);
    passed_[i].store(0, std::memory_order_relaxed);
  }
  hi_.store(list.size(), std::memory_order_relaxed);
  if (std::thread::hardware_concurrency() < 2) return;
  try {
    thread_ = std::thread(&ChainLookahead::Work, this);
  } catch (const std::system_error&) {
    // Without a thread the build walks every level itself.
  }
}

ChainLookahead::~ChainLookahead() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

void ChainLookahead::Work() {
  // The helper's own copy of the chain's columns and run bounds, built from
  // the published planes: nothing the build writes is read while it writes.
  PlaneColumns columns;
  std::vector<PlaneRun> runs, longRuns;
  const size_t count = polygons_.size();
  std::vector<uint32_t> reached(count, 0);
  std::vector<uint8_t> stopped(count, 0);
  uint32_t swept = 0;
  while (!stop_.load(std::memory_order_relaxed)) {
    // Whole runs only, so every walk resumes where a run test can pass it.
    const uint32_t levels = published_.load(std::memory_order_acquire) / kRunLength * kRunLength;
    if (levels < swept + kSweepLevels) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      continue;
    }
    for (uint32_t k = columns.size(); k < levels; ++k) {
      columns.Add(planes_[k]);
      if ((k + 1) % kRunLength == 0) {
        PlaneRun run;
        BoundPlanes({planes_.data() + k + 1 - kRunLength, kRunLength}, kCsgBack, run);
        runs.push_back(run);
      }
      if ((k + 1) % kLongRunLength == 0) {
        PlaneRun run;
        BoundPlanes({planes_.data() + k + 1 - kLongRunLength, kLongRunLength}, kCsgBack, run);
        longRuns.push_back(run);
      }
    }
    const size_t lo = lo_.load(std::memory_order_relaxed);
    const size_t hi = std::min(hi_.load(std::memory_order_relaxed), count);
    // From the ends inwards: the build takes its next polygons there.
    for (size_t d = 0; lo + d < hi && !stop_.load(std::memory_order_relaxed); ++d) {
      const size_t i = (d & 1) ? hi - 1 - d / 2 : lo + d / 2;
      if (i < lo || i >= hi || stopped[i]) continue;
      const CsgPolygon& polygon = polygons_[i];
      const CsgVertex* vertices = vertices_.data() + polygon.firstVertex;
      uint32_t at = reached[i];
      while (at < levels) {
        if (at % kLongRunLength == 0 && at + kLongRunLength <= levels &&
            BallPassesRun(longRuns[at / kLongRunLength], polygon.ball)) {
          at += kLongRunLength;
          continue;
        }
        if (BallPassesRun(runs[at / kRunLength], polygon.ball)) {
          at += kRunLength;
          continue;
        }
        const uint32_t end = std::min(levels, at + 4 * kRunLength);
        const uint32_t next = columns.FirstNotWhollyOn(kCsgBack, polygon, vertices, at, end);
        at = next;
        if (next < end) {
          stopped[i] = 1;
          break;
        }
      }
      reached[i] = at;
      passed_[i].store(at, std::memory_order_release);
    }
    swept = levels;
  }
}

}  // namespace torvane::bsp
