// StlVertexWindow: which vertices of an STL file share a position.
//
// An STL file repeats every vertex in each facet that uses it. A vertex
// reuses the newest of the last 10000 unique positions that it equals (each
// component differing by less than 2^-23); otherwise it becomes a new unique
// position. Equal vertices further apart than that stay separate, which keeps
// the rule linear in time and its result fixed.
//
// The window answers the same as scanning those 10000 positions from the
// newest back, but finds candidates through a hash of coarse grid cells, so
// a million-facet file takes milliseconds instead of minutes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/vec3.h"

namespace torvane {

inline constexpr uint32_t kStlLookBack = 10000;

// The merge rule of STL vertices: every component differs by less than 2^-23.
inline bool StlPositionsEqual(const Vec3& a, const Vec3& b) {
  return std::fabs(a.x - b.x) < kPositionTolerance && std::fabs(a.y - b.y) < kPositionTolerance &&
         std::fabs(a.z - b.z) < kPositionTolerance;
}

class StlVertexWindow {
 public:
  // `positions` receives the unique positions; the caller guarantees room for
  // one per vertex that will be added.
  explicit StlVertexWindow(Vec3* positions);

  // Index of the unique position this vertex uses (appending it when new).
  uint32_t FindOrAppend(const Vec3& p);
  uint32_t count() const { return count_; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  static constexpr uint32_t kBucketBits = 16;
  // Older links are only followed while inside the window, so the ring of
  // links must be longer than the window.
  static constexpr uint32_t kRingSize = 16384;
  static_assert(kRingSize > kStlLookBack);

  uint32_t Search(const Vec3& p) const;
  void Insert(const Vec3& p, uint32_t index);

  Vec3* positions_;
  uint32_t count_ = 0;
  std::vector<uint32_t> heads_;  // newest index per bucket
  std::vector<uint32_t> older_;  // ring: next older index in the same bucket
};

}  // namespace torvane
