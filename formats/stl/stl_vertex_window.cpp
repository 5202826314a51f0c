// StlVertexWindow: grid-cell hashing over the newest 10000 unique positions.
//
// Each finite component maps to a cell of width 2^-14 (shifted off the round
// numbers so that integer and half-integer coordinates sit inside a cell). A
// position equal to p by the merge rule lies less than 2^-23 away in every
// component, so its cells are among those of p - 2^-23 .. p + 2^-23: usually
// one, rarely two per component. Components of magnitude 2^20 and above are
// only equal when identical, so their key is the value itself. Positions with
// a NaN or infinite component never equal anything and are not hashed.
// Candidates are confirmed with the exact rule, newest first, and the newest
// match over all candidate cells wins, exactly as a backwards scan would.
#include "formats/stl/stl_vertex_window.h"

#include <bit>
#include <cmath>

namespace torvane {
namespace {

constexpr double kCellsPerUnit = 16384.0;  // exact power of two
constexpr double kCellOffset = 0.3183098861837907;
constexpr float kLargeComponent = 1048576.0f;
constexpr double kTolerance = static_cast<double>(kPositionTolerance);

// floor() for values well inside the int64 range, without a library call.
inline int64_t Floor(double x) {
  const int64_t truncated = static_cast<int64_t>(x);
  return truncated - (static_cast<double>(truncated) > x ? 1 : 0);
}

// A key for a component known to be finite.
int64_t ComponentKey(float value) {
  if (std::fabs(value) < kLargeComponent) {
    return Floor(static_cast<double>(value) * kCellsPerUnit + kCellOffset);
  }
  return static_cast<int64_t>(std::bit_cast<uint32_t>(value)) | (int64_t{1} << 48);
}

// The keys a component equal to `value` may have (first, last).
void ComponentKeyRange(float value, int64_t& first, int64_t& last) {
  if (std::fabs(value) < kLargeComponent) {
    // Rounding is monotonic, so the cells of value -/+ 2^-23 bound the cells
    // of every component strictly between them.
    const double v = static_cast<double>(value);
    first = Floor((v - kTolerance) * kCellsPerUnit + kCellOffset);
    last = Floor((v + kTolerance) * kCellsPerUnit + kCellOffset);
  } else {
    first = last = ComponentKey(value);
  }
}

bool IsFinite(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

uint32_t Bucket(int64_t kx, int64_t ky, int64_t kz, uint32_t bits) {
  uint64_t h = static_cast<uint64_t>(kx) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<uint64_t>(ky) * 0xC2B2AE3D27D4EB4Full;
  h ^= static_cast<uint64_t>(kz) * 0x165667B19E3779F9ull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  return static_cast<uint32_t>(h >> (64 - bits));
}

}  // namespace

StlVertexWindow::StlVertexWindow(Vec3* positions)
    : positions_(positions), heads_(size_t{1} << kBucketBits, kNone), older_(kRingSize, kNone) {}

uint32_t StlVertexWindow::Search(const Vec3& p) const {
  if (count_ == 0 || !IsFinite(p)) return kNone;
  const uint32_t windowStart = count_ > kStlLookBack ? count_ - kStlLookBack : 0;
  int64_t x0, x1, y0, y1, z0, z1;
  ComponentKeyRange(p.x, x0, x1);
  ComponentKeyRange(p.y, y0, y1);
  ComponentKeyRange(p.z, z0, z1);
  uint32_t best = kNone;
  for (int64_t kx = x0; kx <= x1; ++kx) {
    for (int64_t ky = y0; ky <= y1; ++ky) {
      for (int64_t kz = z0; kz <= z1; ++kz) {
        uint32_t i = heads_[Bucket(kx, ky, kz, kBucketBits)];
        // Chains run newest first; the first match is the bucket's newest.
        while (i != kNone && i >= windowStart && (best == kNone || i > best)) {
          if (StlPositionsEqual(positions_[i], p)) {
            best = i;
            break;
          }
          i = older_[i % kRingSize];
        }
      }
    }
  }
  return best;
}

void StlVertexWindow::Insert(const Vec3& p, uint32_t index) {
  if (!IsFinite(p)) return;
  const uint32_t bucket =
      Bucket(ComponentKey(p.x), ComponentKey(p.y), ComponentKey(p.z), kBucketBits);
  older_[index % kRingSize] = heads_[bucket];
  heads_[bucket] = index;
}

uint32_t StlVertexWindow::FindOrAppend(const Vec3& p) {
  const uint32_t found = Search(p);
  if (found != kNone) return found;
  const uint32_t index = count_++;
  positions_[index] = p;
  Insert(p, index);
  return index;
}

}  // namespace torvane
