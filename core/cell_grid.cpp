// CellGrid: cell numbering, the open-addressing table of occupied cells and
// the cell-edge estimate.
#include "core/cell_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace torvane {
namespace {

// Twice the equality tolerance: the half-width of the window searched around
// a query coordinate. Positions within the tolerance differ by less than
// this even after the rounding of the float subtraction that compares them.
constexpr double kSearchMargin = 2.384185791015625e-07;  // 2^-22
constexpr int kMinimumEdgeExponent = -20;
constexpr int kMaximumEdgeExponent = 200;
constexpr uint32_t kSampleTriangles = 1024;

bool IsFinite(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// floor(v * scale) with -0 folded into +0, so that equal cells compare equal
// bit for bit.
double CellNumber(double v, double scale) {
  return std::floor(v * scale) + 0.0;
}

uint64_t Bits(double d) {
  uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

CellGrid::CellGrid(const Vec3* positions, uint32_t count, double cellEdge) : positions_(positions) {
  int exponent = kMinimumEdgeExponent;
  if (std::isfinite(cellEdge) && cellEdge > 0) {
    std::frexp(cellEdge, &exponent);  // cellEdge <= 2^exponent
    exponent = std::clamp(exponent, kMinimumEdgeExponent, kMaximumEdgeExponent);
  }
  scale_ = std::ldexp(1.0, -exponent);
  if (!next_.ResizeDiscard(count)) return;
  uint32_t capacity = 1024;
  while (capacity < count / 4 && capacity < (1u << 30))
    capacity *= 2;
  if (!MemoryGuardAllows(size_t{capacity} * sizeof(Slot))) return;
  try {
    slots_.assign(capacity, Slot{0, kNone, kNone});
  } catch (const std::bad_alloc&) {
    return;
  }
  ok_ = true;
}

CellGrid::Cell CellGrid::HomeCell(const Vec3& p) const {
  return {CellNumber(p.x, scale_), CellNumber(p.y, scale_), CellNumber(p.z, scale_)};
}

uint32_t CellGrid::HashOf(const Cell& c) {
  const uint64_t h = Bits(c.x) * 0x9E3779B97F4A7C15ULL ^ Bits(c.y) * 0xC2B2AE3D27D4EB4FULL ^
                     Bits(c.z) * 0x165667B19E3779F9ULL;
  return static_cast<uint32_t>(Mix(h));
}

uint32_t CellGrid::Find(const Cell& c, uint32_t hash) const {
  const uint32_t mask = static_cast<uint32_t>(slots_.size()) - 1;
  for (uint32_t s = hash & mask;; s = (s + 1) & mask) {
    const Slot& slot = slots_[s];
    if (slot.head == kNone) return kNone;
    if (slot.hash != hash) continue;
    const Cell home = HomeCell(positions_[slot.head]);
    if (home.x == c.x && home.y == c.y && home.z == c.z) return s;
  }
}

bool CellGrid::Grow() {
  const size_t capacity = slots_.size() * 2;
  if (capacity > (size_t{1} << 31) || !MemoryGuardAllows(capacity * sizeof(Slot))) return false;
  std::vector<Slot> grown;
  try {
    grown.assign(capacity, Slot{0, kNone, kNone});
  } catch (const std::bad_alloc&) {
    return false;
  }
  const uint32_t mask = static_cast<uint32_t>(capacity) - 1;
  for (const Slot& slot : slots_) {
    if (slot.head == kNone) continue;
    uint32_t s = slot.hash & mask;
    while (grown[s].head != kNone)
      s = (s + 1) & mask;
    grown[s] = slot;
  }
  slots_.swap(grown);
  return true;
}

uint32_t CellGrid::FindLowestEqual(const Vec3& p) const {
  if (!IsFinite(p)) return kNone;
  // Per axis the window [v - margin, v + margin] spans at most two cells,
  // since the cell edge is at least twice the window's width.
  const double axis[3] = {p.x, p.y, p.z};
  double lo[3], hi[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = CellNumber(axis[a] - kSearchMargin, scale_);
    hi[a] = CellNumber(axis[a] + kSearchMargin, scale_);
  }
  const uint32_t* next = next_.data();
  uint32_t best = kNone;
  for (int ix = 0; ix < 2; ++ix) {
    if (ix == 1 && hi[0] == lo[0]) break;
    for (int iy = 0; iy < 2; ++iy) {
      if (iy == 1 && hi[1] == lo[1]) break;
      for (int iz = 0; iz < 2; ++iz) {
        if (iz == 1 && hi[2] == lo[2]) break;
        const Cell c{ix ? hi[0] : lo[0], iy ? hi[1] : lo[1], iz ? hi[2] : lo[2]};
        const uint32_t hash = HashOf(c);
        const uint32_t s = Find(c, hash);
        if (s == kNone) continue;
        // The cell's indices rise, so the first equal one is its lowest and
        // anything at or past the best found elsewhere cannot win.
        for (uint32_t i = slots_[s].head; i != kNone && i < best; i = next[i]) {
          if (PositionsEqual(positions_[i], p)) {
            best = i;
            break;
          }
        }
      }
    }
  }
  return best;
}

bool CellGrid::Insert(uint32_t i) {
  const Vec3& p = positions_[i];
  if (!IsFinite(p)) return true;
  if ((used_ + 1) * 2 > slots_.size() && !Grow()) return false;
  const Cell c = HomeCell(p);
  const uint32_t hash = HashOf(c);
  uint32_t* next = next_.MutableData();
  next[i] = kNone;
  const uint32_t s = Find(c, hash);
  if (s != kNone) {
    next[slots_[s].tail] = i;
    slots_[s].tail = i;
    return true;
  }
  const uint32_t mask = static_cast<uint32_t>(slots_.size()) - 1;
  uint32_t free = hash & mask;
  while (slots_[free].head != kNone)
    free = (free + 1) & mask;
  slots_[free] = Slot{hash, i, i};
  ++used_;
  return true;
}

double CellGrid::SuggestCellEdge(const Vec3* positions, uint32_t vertexCount,
                                 const MeshCorner* corners, uint32_t cornerCount) {
  const uint32_t triangles = cornerCount / 3;
  if (triangles == 0) return 0.0;
  const uint32_t step = std::max<uint32_t>(1, triangles / kSampleTriangles);
  std::vector<double> shortest;
  try {
    shortest.reserve(kSampleTriangles + 1);
  } catch (const std::bad_alloc&) {
    return 0.0;
  }
  for (uint32_t t = 0; t < triangles && shortest.size() <= kSampleTriangles; t += step) {
    const MeshCorner* c = corners + size_t{t} * 3;
    if (c[0].vertexIndex >= vertexCount || c[1].vertexIndex >= vertexCount ||
        c[2].vertexIndex >= vertexCount) {
      continue;
    }
    double edge = HUGE_VAL;
    for (int e = 0; e < 3; ++e) {
      const Vec3& a = positions[c[e].vertexIndex];
      const Vec3& b = positions[c[(e + 1) % 3].vertexIndex];
      const double dx = double(a.x) - b.x, dy = double(a.y) - b.y, dz = double(a.z) - b.z;
      edge = std::min(edge, std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    if (std::isfinite(edge)) shortest.push_back(edge);
  }
  if (shortest.empty()) return 0.0;
  auto middle = shortest.begin() + shortest.size() / 2;
  std::nth_element(shortest.begin(), middle, shortest.end());
  return *middle;
}

}  // namespace torvane
