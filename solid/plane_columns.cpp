// PlaneColumns: see plane_columns.h.
//
// The ball test and the vertex test repeat QuickClass and ClassOf(Distance)
// operation for operation in single precision, so a level passed here is a
// level the node would have passed the polygon through whole.
#include "solid/plane_columns.h"

#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

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

namespace {

// Four lanes of the same single-precision operations the scalar test does,
// lane by lane, so each lane's result is bit for bit the scalar one.
typedef float Lanes __attribute__((vector_size(16)));
typedef int32_t LaneMasks __attribute__((vector_size(16)));

Lanes Load(const float* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint32_t MaskBits(LaneMasks m) {
#if defined(__SSE__)
  return static_cast<uint32_t>(_mm_movemask_ps(reinterpret_cast<__m128>(m)));
#else
  return uint32_t(m[0] & 1) | uint32_t(m[1] & 2) | uint32_t(m[2] & 4) | uint32_t(m[3] & 8);
#endif
}

}  // namespace

void PlaneColumns::BallMasks(const CsgBall& ball, uint32_t block, uint32_t& behind,
                             uint32_t& front) const {
  static_assert(kBlock == 8, "two groups of four lanes");
  const uint32_t first = block * kBlock;
  behind = 0;
  front = 0;
  for (uint32_t half = 0; half < 2; ++half) {
    const uint32_t k = first + 4 * half;
    const Lanes d =
        Load(&nx_[k]) * ball.cx + Load(&ny_[k]) * ball.cy + Load(&nz_[k]) * ball.cz - Load(&w_[k]);
    const Lanes reach = Load(&base_[k]) + Load(&scale_[k]) * ball.reach;
    behind |= MaskBits(d < -reach) << (4 * half);
    front |= MaskBits(d > reach) << (4 * half);
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
    const uint32_t first = block * kBlock;
    const uint32_t blockEnd = std::min(end, first + kBlock);
    const uint32_t range = ((1u << (blockEnd - first)) - 1) & ~((1u << (at - first)) - 1);
    // Only the planes the ball did not decide for `side` are looked at.
    for (uint32_t todo = range & ~on; todo != 0; todo &= todo - 1) {
      const uint32_t j = static_cast<uint32_t>(std::countr_zero(todo));
      if (across & (1u << j)) return first + j;
      const CsgPlane plane{nx_[first + j], ny_[first + j], nz_[first + j], w_[first + j]};
      for (uint32_t k = 0; k < polygon.count; ++k)
        if (ClassOf(Distance(plane, vertices[k])) != side) return first + j;
    }
    at = blockEnd;
  }
  return end;
}

}  // namespace torvane::bsp
