// ChainLookahead: while a tree build extends a chain of nodes level by
// level, a second core finds how far down the chain each polygon of the
// chain's list passes whole.
//
// Input: the list's polygons (copied: the build adds pieces to the store
// meanwhile) and each level's plane as the build chooses it, turned so that
// the chain goes on behind it (Publish). Output: PassedTo(i), a level up to
// which polygon i of the list, as it came, lies wholly behind every plane,
// decided by the exact test the build itself makes, so the build may take it
// there in one step. The walk's outcome is the same with or without it; on a
// machine with one core nothing is started and PassedTo stays 0.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "solid/bsp.h"

namespace torvane::bsp {

class ChainLookahead {
 public:
  // `maxLevels`: the most levels the chain can reach.
  ChainLookahead(const CsgStore& store, const CsgPolygonList& list, size_t maxLevels);
  ~ChainLookahead();
  ChainLookahead(const ChainLookahead&) = delete;
  ChainLookahead& operator=(const ChainLookahead&) = delete;

  // The next level's turned plane.
  void Publish(const CsgPlane& oriented) {
    const uint32_t n = published_.load(std::memory_order_relaxed);
    if (n >= planes_.size()) return;
    planes_[n] = oriented;
    published_.store(n + 1, std::memory_order_release);
  }
  // The part of the list the build has not yet taken: looked at first from
  // its ends, where the build takes the next polygons.
  void Remaining(size_t lo, size_t hi) {
    lo_.store(lo, std::memory_order_relaxed);
    hi_.store(hi, std::memory_order_relaxed);
  }
  uint32_t PassedTo(size_t i) const { return passed_[i].load(std::memory_order_acquire); }

 private:
  void Work();

  std::vector<CsgPolygon> polygons_;  // firstVertex into vertices_
  std::vector<CsgVertex> vertices_;
  std::vector<CsgPlane> planes_;
  std::atomic<uint32_t> published_{0};
  std::atomic<size_t> lo_{0}, hi_{0};
  std::unique_ptr<std::atomic<uint32_t>[]> passed_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace torvane::bsp
