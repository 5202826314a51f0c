// PlaneColumns: see plane_columns.h.
//
// The ball test and the vertex test repeat QuickClass and ClassOf(Distance)
// operation for operation in single precision, so a level passed here is a
// level the node would have passed the polygon through whole.
#include "solid/plane_columns.h"

#include <bit>
#include <cmath>

#include "solid/bsp_internal.h"

namespace torvane::bsp {

void PlaneColumns::Clear() {
  for (std::vector<float>* column : {&nx_, &ny_, &nz_, &w_, &base_, &scale_})
    column->clear();
  count_ = 0;
}

void PlaneColumns::Add(const CsgPlane& plane) {
  if (count_ % kBlock == 0) {
    // A padding plane has every ball on it: never behind.
    for (std::vector<float>* column : {&nx_, &ny_, &nz_, &w_, &base_, &scale_})
      column->resize(column->size() + kBlock, 0.0f);
    for (uint32_t k = count_; k < count_ + kBlock; ++k)
      base_[k] = INFINITY;
  }
  nx_[count_] = plane.nx;
  ny_[count_] = plane.ny;
  nz_[count_] = plane.nz;
  w_[count_] = plane.w;
  base_[count_] = kCsgPlaneTolerance + 2e-6f * std::fabs(plane.w);
  scale_[count_] = std::fabs(plane.nx) + std::fabs(plane.ny) + std::fabs(plane.nz);
  ++count_;
}

void PlaneColumns::BallMasks(const CsgBall& ball, uint32_t block, uint32_t& behind,
                             uint32_t& front) const {
  const uint32_t first = block * kBlock;
  const float* nx = nx_.data() + first;
  const float* ny = ny_.data() + first;
  const float* nz = nz_.data() + first;
  const float* w = w_.data() + first;
  const float* base = base_.data() + first;
  const float* scale = scale_.data() + first;
  behind = 0;
  front = 0;
  for (uint32_t j = 0; j < kBlock; ++j) {
    const float d = nx[j] * ball.cx + ny[j] * ball.cy + nz[j] * ball.cz - w[j];
    const float reach = base[j] + scale[j] * ball.reach;
    behind |= uint32_t(d < -reach) << j;
    front |= uint32_t(d > reach) << j;
  }
}

uint32_t PlaneColumns::FirstNotWhollyOn(uint32_t side, const CsgPolygon& polygon,
                                        const CsgVertex* vertices, uint32_t from,
                                        uint32_t end) const {
  if (end > count_) end = count_;
  uint32_t at = from;
  while (at < end) {
    const uint32_t block = at / kBlock;
    uint32_t behind = 0, front = 0;
    BallMasks(polygon.ball, block, behind, front);
    const uint32_t on = side == kCsgBack ? behind : front;
    const uint32_t across = side == kCsgBack ? front : behind;
    const uint32_t blockEnd = std::min(end, (block + 1) * kBlock);
    for (; at < blockEnd; ++at) {
      const uint32_t bit = 1u << (at % kBlock);
      if (on & bit) continue;
      if (across & bit) return at;
      const CsgPlane plane{nx_[at], ny_[at], nz_[at], w_[at]};
      for (uint32_t k = 0; k < polygon.count; ++k)
        if (ClassOf(Distance(plane, vertices[k])) != side) return at;
    }
  }
  return end;
}

}  // namespace torvane::bsp
