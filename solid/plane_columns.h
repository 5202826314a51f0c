// The planes of one tree path laid out column by column, so that a polygon
// can be tested against several consecutive planes at once.
//
// Input: planes in path order (Add). Output: FirstNotWhollyOn, the first
// plane from a given one that does not have the polygon wholly on a given
// side (front or back) of it, decided
// exactly as a node would decide it: the ball's quick test first, then the
// polygon's vertices one by one. Such a plane is where the walk has real
// work to do (keep, cut or hand the polygon to the front); the planes before
// it would only pass the polygon on, unchanged, to that side.
#pragma once

#include <cstdint>
#include <vector>

#include "solid/bsp.h"

namespace torvane::bsp {

class PlaneColumns {
 public:
  static constexpr uint32_t kBlock = 8;

  void Clear();
  void Add(const CsgPlane& plane);
  uint32_t size() const { return count_; }

  // The first index in [from, end) whose plane does not have `polygon` (with
  // its vertices at `vertices`) wholly on `side` (kCsgFront or kCsgBack);
  // `end` when there is none.
  uint32_t FirstNotWhollyOn(uint32_t side, const CsgPolygon& polygon, const CsgVertex* vertices,
                            uint32_t from, uint32_t end) const;

 private:
  // The planes of one block the ball lies behind and in front of, as masks.
  void BallMasks(const CsgBall& ball, uint32_t block, uint32_t& behind, uint32_t& front) const;

  // Padded to whole blocks with planes that decide nothing.
  std::vector<float> nx_, ny_, nz_, w_, base_, scale_;
  uint32_t count_ = 0;
};

}  // namespace torvane::bsp
