// Remove duplicate triangles: a triangle is dropped when an earlier triangle
// has the same three vertex indices in the same cyclic order ((1, 2, 3) and
// (2, 3, 1) repeat each other; (3, 2, 1) faces the other way and stays).
// Vertices are compared by index only; Remove Duplicate Vertices makes
// geometric repeats share indices first.
//
// Each triangle is reduced to its smallest rotation and looked up in a hash
// set of the rotations seen so far, which marks exactly the triangles that
// a comparison with every earlier kept triangle would mark. The surviving
// corners are copied aside in order and swapped in at the end.
#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "core/duplicate_removal.h"

namespace torvane {
namespace {

constexpr uint32_t kCheckEvery = 300;  // corners

struct TriangleKey {
  uint32_t v[3];
  bool operator==(const TriangleKey& o) const {
    return v[0] == o.v[0] && v[1] == o.v[1] && v[2] == o.v[2];
  }
  bool operator<(const TriangleKey& o) const {
    return std::lexicographical_compare(v, v + 3, o.v, o.v + 3);
  }
};

// The lexicographically smallest of the three rotations: two triangles
// share it exactly when one is a rotation of the other.
TriangleKey SmallestRotation(const MeshCorner* t) {
  const TriangleKey r0{{t[0].vertexIndex, t[1].vertexIndex, t[2].vertexIndex}};
  const TriangleKey r1{{t[1].vertexIndex, t[2].vertexIndex, t[0].vertexIndex}};
  const TriangleKey r2{{t[2].vertexIndex, t[0].vertexIndex, t[1].vertexIndex}};
  return std::min({r0, r1, r2});
}

uint64_t HashOf(const TriangleKey& k) {
  uint64_t h = (uint64_t{k.v[0]} << 32 | k.v[1]) * 0x9E3779B97F4A7C15ULL;
  h ^= (uint64_t{k.v[2]} + 0x632BE59BD9B4E019ULL) * 0xC2B2AE3D27D4EB4FULL;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ULL;
  return h ^ (h >> 32);
}

// The keys seen so far, open addressing.
class KeySet {
 public:
  bool Init(uint32_t keys) {
    size_t capacity = 16;
    while (capacity < size_t{keys} * 2)
      capacity *= 2;
    if (!MemoryGuardAllows(capacity * sizeof(Slot))) return false;
    try {
      slots_.assign(capacity, Slot{});
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  // True when the key was new (and is now stored).
  bool Add(const TriangleKey& key) {
    const size_t mask = slots_.size() - 1;
    for (size_t s = HashOf(key) & mask;; s = (s + 1) & mask) {
      Slot& slot = slots_[s];
      if (!slot.used) {
        slot.key = key;
        slot.used = true;
        return true;
      }
      if (slot.key == key) return false;
    }
  }

 private:
  struct Slot {
    TriangleKey key{};
    bool used = false;
  };
  std::vector<Slot> slots_;
};

}  // namespace

int RemoveDuplicateTriangles(Mesh& mesh, ProgressMonitor& monitor, uint64_t& total) {
  const uint32_t c = std::min(mesh.cornerCount, mesh.corners.length());
  if (c == 0) return kStatusDone;
  monitor.SetText("Simplifying triangles", 0);
  monitor.SetText("Getting ready...", 1);
  const uint32_t triangles = c / 3;
  GrowArray<uint8_t> duplicateArray;
  KeySet seen;
  if (!duplicateArray.ResizeDiscard(triangles) || !seen.Init(triangles)) return kStatusFailed;
  uint8_t* duplicate = duplicateArray.MutableData();
  const MeshCorner* corners = mesh.corners.data();

  monitor.SetText("Analyzing triangles", 1);
  uint32_t count = 0;
  for (uint32_t t = 0; t < triangles; ++t) {
    const uint32_t k = t * 3;
    if (k % kCheckEvery == 0) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      monitor.SetFraction(double(k) / double(c));
    }
    if (!seen.Add(SmallestRotation(corners + k))) {
      duplicate[t] = 1;
      ++count;
    }
  }
  if (count == 0) return kStatusDone;

  monitor.SetText("Removing duplicated triangles", 1);
  const uint32_t kept = c - 3 * count;
  GrowArray<MeshCorner> newCorners;
  if (!newCorners.ResizeDiscard(kept)) return kStatusFailed;
  MeshCorner* out = newCorners.MutableData();
  uint32_t j = 0;
  for (uint32_t t = 0; t < triangles; ++t) {
    if (duplicate[t]) continue;
    out[j++] = corners[t * 3];
    out[j++] = corners[t * 3 + 1];
    out[j++] = corners[t * 3 + 2];
  }
  // Corners past the last whole triangle are kept as they were.
  for (uint32_t k = triangles * 3; k < c; ++k)
    out[j++] = corners[k];

  mesh.corners = std::move(newCorners);
  mesh.cornerCount = kept;
  mesh.vertexCount = std::min(mesh.vertexCount, mesh.positions.length());
  TrimMesh(mesh);
  // Counted only once the triangles are really gone.
  total += count;
  return kStatusDone;
}

}  // namespace torvane
