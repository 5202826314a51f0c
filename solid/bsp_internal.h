// Kernel internals shared by the bsp_*.cpp files: the cancellation and
// memory checks, store growth and the splitting step used by the tree walks.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "core/grow_array.h"
#include "platform/available_memory.h"
#include "platform/large_blocks.h"
#include "solid/bsp.h"

namespace torvane::bsp {

// A polling point of the kernel. The window's cancellation test pumps its
// events, which costs far more than the work between two polling points, so
// the monitor is asked on the first poll and then at most every 10 ms; the
// clock itself is read every 4096 polls.
class CancelPoll {
 public:
  explicit CancelPoll(ProgressMonitor& monitor) : monitor_(monitor) {}
  bool operator()() {
    if (--countdown_ > 0) return false;
    countdown_ = 4096;
    const auto now = std::chrono::steady_clock::now();
    if (asked_ && now - last_ < std::chrono::milliseconds(10)) return false;
    asked_ = true;
    last_ = now;
    return monitor_.IsCancelled();
  }

 private:
  ProgressMonitor& monitor_;
  int countdown_ = 1;
  bool asked_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// The memory floor of a tree build, read on the first check and then at most
// every 10 ms (reading the figure means reading /proc).
class MemoryFloor {
 public:
  // True when less than the floor is available.
  bool Reached() {
    if (--countdown_ > 0) return false;
    countdown_ = 64;
    const auto now = std::chrono::steady_clock::now();
    if (read_ && now - last_ < std::chrono::milliseconds(10)) return false;
    read_ = true;
    last_ = now;
    return AvailableMemory() < kCsgMemoryFloor;
  }

 private:
  int countdown_ = 1;
  bool read_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// BuildTree with a second core walking ahead along the chains of long
// lists; the tree is the same. For a build nothing else runs beside.
CsgResult BuildTreeOnTwoCores(CsgTree& tree, CsgPolygonList& list, ProgressMonitor& monitor);

// Makes room for `extra` more elements, refusing (bad_alloc) a large growth
// the memory guard does not allow. A large new block is advised for huge
// pages before the old contents are copied in: the store's arrays grow to
// tens of megabytes, and faulting them in 4 KB at a time was a good part of
// a boolean's time.
template <class T>
void Grow(std::vector<T>& v, size_t extra) {
  const size_t need = v.size() + extra;
  if (need <= v.capacity()) return;
  const size_t cap = std::max(need, v.capacity() * 2);
  if (!MemoryGuardAllows(cap * sizeof(T))) throw std::bad_alloc();
  if (cap * sizeof(T) < kLargeBlockBytes) {
    v.reserve(cap);
    return;
  }
  std::vector<T> larger;
  larger.reserve(cap);
  AdviseLargeBlock(larger.data(), cap * sizeof(T));
  larger.insert(larger.end(), v.begin(), v.end());
  v.swap(larger);
}

inline float Distance(const CsgPlane& p, const CsgVertex& v) {
  return p.nx * v.x + p.ny * v.y + p.nz * v.z - p.w;
}

inline uint32_t ClassOf(float d) {
  return d < -kCsgPlaneTolerance ? kCsgBack : (d > kCsgPlaneTolerance ? kCsgFront : kCsgCoplanar);
}

inline CsgPlane Flipped(const CsgPlane& p) {
  return {-p.nx, -p.ny, -p.nz, -p.w};
}

inline float NormalDot(const CsgPlane& a, const CsgPlane& b) {
  return a.nx * b.nx + a.ny * b.ny + a.nz * b.nz;
}

inline constexpr uint32_t kUnknownClass = 4;

// kCsgFront or kCsgBack when the polygon's ball lies wholly beyond the
// tolerance on that side of the plane, so that every vertex would be
// classified so; kUnknownClass otherwise (the ball meets the tolerance band,
// or the numbers are not finite). The bound holds for planes of any length:
// a vertex is at most |n| * radius from the centre along the normal, |n| is
// at most the sum of |n_i|, and the rounding of a distance is far below 2e-6
// of the magnitudes summed in it (|w| and the sum of |n_i| times the size
// the ball's reach allows for).
inline uint32_t QuickClass(const CsgPlane& p, const CsgBall& b) {
  const float d = p.nx * b.cx + p.ny * b.cy + p.nz * b.cz - p.w;
  const float scale = std::fabs(p.nx) + std::fabs(p.ny) + std::fabs(p.nz);
  const float reach = (kCsgPlaneTolerance + 2e-6f * std::fabs(p.w)) + scale * b.reach;
  if (d > reach) return kCsgFront;
  if (d < -reach) return kCsgBack;
  return kUnknownClass;
}

// Class of a whole polygon, polling at every vertex; sets `cancelled`.
uint32_t ClassifyPolygon(const CsgStore& store, const CsgPolygon& polygon, const CsgPlane& plane,
                         CancelPoll& poll, bool& cancelled);

// Scratch space of the cutting step, kept between calls.
struct SplitScratch {
  std::vector<uint32_t> classes;
  std::vector<CsgVertex> front;
  std::vector<CsgVertex> back;
};

// DistributePolygon for a polygon whose ball did not decide its side.
bool DistributeByVertices(CsgStore& store, const CsgPlane& plane, CsgPolygonId id,
                          CsgPolygonList& coplanarFront, CsgPolygonList& coplanarBack,
                          CsgPolygonList& front, CsgPolygonList& back, CancelPoll& poll,
                          SplitScratch& scratch);

// Distributes one polygon whose input list is released afterwards: a polygon
// wholly on one side moves (its id goes to the list, as a copy would), a
// spanning one is cut into new polygons. Returns false when cancelled; a
// failed allocation throws std::bad_alloc. Inline because the tree walks
// call it for every polygon at every node, and the ball decides most calls.
inline bool DistributePolygon(CsgStore& store, const CsgPlane& plane, CsgPolygonId id,
                              CsgPolygonList& coplanarFront, CsgPolygonList& coplanarBack,
                              CsgPolygonList& front, CsgPolygonList& back, CancelPoll& poll,
                              SplitScratch& scratch) {
  if (poll()) return false;
  switch (QuickClass(plane, store.polygons[id].ball)) {
    case kCsgFront:
      front.push_back(id);
      return true;
    case kCsgBack:
      back.push_back(id);
      return true;
    default:
      return DistributeByVertices(store, plane, id, coplanarFront, coplanarBack, front, back, poll,
                                  scratch);
  }
}

// A new polygon from vertices whose plane comes from the first three; a
// piece whose first three vertices give no usable plane (collinear, or
// turned away from `fallback` by float noise) keeps `fallback`.
CsgPolygonId AddPiece(CsgStore& store, const std::vector<CsgVertex>& vertices,
                      const CsgPlane& fallback);

// ClipTo with the polygons of `a` (and the pieces cut from them) in `store`
// rather than in the trees' own store.
CsgResult ClipToIn(CsgTree& a, const CsgTree& b, CsgStore& store, ProgressMonitor& monitor);
// The same for the nodes [firstNode, endNode) of `a` only.
CsgResult ClipNodesIn(CsgTree& a, const CsgTree& b, CsgStore& store, size_t firstNode,
                      size_t endNode, ProgressMonitor& monitor);

// Moves the polygons `from` holds beyond its first `polygonBase` (with their
// vertices beyond `vertexBase`) to the end of `into`, renumbering them in
// the lists of `tree`'s nodes [firstNode, endNode); ids below the bases are
// the same in both stores. Throws std::bad_alloc when `into` cannot grow.
void MovePieces(CsgStore& from, size_t polygonBase, size_t vertexBase, CsgStore& into,
                CsgTree& tree, size_t firstNode = 0, size_t endNode = SIZE_MAX);

// ClipTo(a, b) and then ClipTo(b, a), the second on another core beside the
// first: neither changes what the other reads (only the nodes' planes of
// the clipping tree are read, only the clipped tree's lists are written).
// The pieces come out in the store as the one-after-the-other order makes
// them.
CsgResult ClipEachOther(CsgTree& a, CsgTree& b, ProgressMonitor& monitor);

}  // namespace torvane::bsp
