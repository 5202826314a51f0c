// RepairTJunctions: closes the cracks a BSP boolean leaves in its output.
//
// Where one operand's edges split the other's faces, a face edge on one side
// meets several shorter edges on the other (a T-junction), and pieces cut
// from neighbouring polygons carry intersection points that differ by float
// noise. After the exact merge of duplicate vertices, this step works on the
// directed edges without a reverse partner ("open" edges) only:
//  1. weld open-edge vertices lying within the kernel's tolerance of an
//     earlier one (dropping triangles that collapse);
//  2. split each open edge at the open-edge vertices lying on it, within the
//     tolerance, re-triangulating the triangle (fan from the opposite corner,
//     or from its centroid when more than one edge is split);
//  3. fold zero-area slivers into the neighbour across their long edge;
//  4. fill the thin loops still open (cracks), dropping a fill that merely
//     reverses a sliver.
// Steps 1 and 2 run at float noise first, then at the tolerance, then at
// twice the tolerance.
// Inputs: a mesh with shared vertices. Output: the same surface with every
// edge used once in each direction where the input allowed it; corner
// colours and normals come from the triangle each new triangle was cut from.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>
#include <vector>

#include "solid/booleans.h"

namespace torvane {
namespace {

constexpr float kTolerance = kCsgPlaneTolerance;
// A triangle whose vertex lies this close to its opposite edge has no area
// worth keeping.
constexpr float kSliverHeight = kCsgPlaneTolerance * 0.01f;
constexpr int kMaxRounds = 8;
// Mean width (area over perimeter) below which an open loop is a crack.
constexpr double kCrackWidth = kCsgPlaneTolerance * 10;
// Largest offset from an edge, relative to the distance to its nearer end,
// for a vertex to count as lying on it.
constexpr float kAlongSlope = 0.01f;
// Intersection points computed from the two polygons sharing an edge differ
// by float noise (a few units in the last place), while distinct points the
// kernel made can lie much closer together than its tolerance: vertices are
// first welded and edges split only at this distance relative to the
// coordinates, and the tolerance is used for what is still open afterwards.
constexpr float kNoiseRelative = 1e-5f;

float NoiseDistance(const Vec3& p) {
  const float m = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z), 1.0f});
  return m * kNoiseRelative;
}

struct Tri {
  uint32_t v[3];
  MeshCorner c[3];
};

float Dist2(const Vec3& a, const Vec3& b) {
  const Vec3 d = a - b;
  return Dot(d, d);
}

// The directed edges leaving each vertex, with the first triangle using
// each. Every round of the repair rebuilds it over all edges, so it is two
// flat arrays filled by counting: triangles come in roughly vertex order,
// so the lookups stay near each other in memory, where a hash table would
// miss the cache at nearly every probe.
class EdgeTable {
 public:
  template <class Tris>
  void Build(size_t vertexCount, const Tris& tris) {
    start_.assign(vertexCount + 1, 0);
    for (const auto& t : tris)
      for (uint32_t v : t.v)
        ++start_[v + 1];
    for (size_t v = 0; v < vertexCount; ++v)
      start_[v + 1] += start_[v];
    targets_.resize(start_[vertexCount]);
    owners_.resize(start_[vertexCount]);
    std::vector<uint32_t> cursor(start_.begin(), start_.end() - 1);
    for (uint32_t i = 0; i < tris.size(); ++i) {
      const auto& t = tris[i];
      for (int e = 0; e < 3; ++e) {
        const uint32_t k = cursor[t.v[e]]++;
        targets_[k] = t.v[(e + 1) % 3];
        owners_[k] = i;
      }
    }
  }
  // The first triangle using a -> b, or kDeadIndex.
  uint32_t Find(uint32_t a, uint32_t b) const {
    for (uint32_t k = start_[a]; k < start_[a + 1]; ++k)
      if (targets_[k] == b) return owners_[k];
    return kDeadIndex;
  }
  uint32_t Uses(uint32_t a, uint32_t b) const {
    uint32_t n = 0;
    for (uint32_t k = start_[a]; k < start_[a + 1]; ++k)
      n += targets_[k] == b;
    return n;
  }
  // Every used directed edge once.
  template <class F>
  void ForEachEdge(F&& f) const {
    for (uint32_t a = 0; a + 1 < start_.size(); ++a)
      for (uint32_t k = start_[a]; k < start_[a + 1]; ++k) {
        const uint32_t b = targets_[k];
        bool first = true;
        for (uint32_t j = start_[a]; j < k && first; ++j)
          first = targets_[j] != b;
        if (first) f(a, b);
      }
  }

 private:
  std::vector<uint32_t> start_;
  std::vector<uint32_t> targets_;
  std::vector<uint32_t> owners_;
};

struct Repair {
  std::vector<Vec3> pos;
  std::vector<Tri> tris;
  ProgressMonitor& monitor;

  EdgeTable edges;
  std::vector<uint32_t> withOpen;
  // Per triangle: whether it may have an open edge. An edge closed by a
  // triangle the last step left alone stays closed, so after the first round
  // only the triangles that were open, were changed, or share a vertex with
  // a changed one are looked at again; a round after the first few touches
  // a few hundred triangles of a hundred thousand.
  std::vector<uint8_t> maybeOpen;

  void CountEdges() { edges.Build(pos.size(), tris); }
  bool Open(uint32_t a, uint32_t b) const { return edges.Find(b, a) == kDeadIndex; }

  // Vertices at the ends of open edges, ascending; the mean open-edge
  // length; the triangles with an open edge, ascending, in `withOpen`,
  // which `maybeOpen` then holds.
  std::vector<uint32_t> OpenVertices(double& meanLength, std::vector<uint32_t>& withOpen) {
    std::vector<uint8_t> marked(pos.size(), 0);
    withOpen.clear();
    double total = 0;
    size_t count = 0;
    for (uint32_t i = 0; i < tris.size(); ++i) {
      if (!maybeOpen[i]) continue;
      const Tri& t = tris[i];
      bool open = false;
      for (int e = 0; e < 3; ++e) {
        const uint32_t a = t.v[e], b = t.v[(e + 1) % 3];
        if (!Open(a, b)) continue;
        marked[a] = marked[b] = 1;
        total += std::sqrt(Dist2(pos[a], pos[b]));
        ++count;
        open = true;
      }
      if (open) withOpen.push_back(i);
      maybeOpen[i] = open;
    }
    std::vector<uint32_t> out;
    for (uint32_t v = 0; v < marked.size(); ++v)
      if (marked[v]) out.push_back(v);
    meanLength = count ? total / count : 0.0;
    return out;
  }

  // A uniform grid of vertex ids: a flat table of occupied cells, each the
  // head of a chain through `next` (newest first), so filling it allocates
  // nothing per vertex.
  struct Grid {
    float cell = 1.0f;
    std::vector<uint64_t> keys;
    std::vector<uint32_t> heads;
    std::vector<uint32_t> next;  // by vertex id
    size_t mask = 0;
    static constexpr uint64_t kEmpty = ~uint64_t{0};

    Grid(float cellSize, size_t count, size_t vertexCount) : cell(cellSize) {
      size_t capacity = 16;
      while (capacity < count * 2)
        capacity *= 2;
      keys.assign(capacity, kEmpty);
      heads.resize(capacity);
      next.resize(vertexCount);
      mask = capacity - 1;
    }
    int64_t Coord(float v) const { return static_cast<int64_t>(std::floor(v / cell)); }
    static uint64_t Key(int64_t x, int64_t y, int64_t z) {
      return (static_cast<uint64_t>(x & 0x1FFFFF) << 42) |
             (static_cast<uint64_t>(y & 0x1FFFFF) << 21) | static_cast<uint64_t>(z & 0x1FFFFF);
    }
    size_t Slot(uint64_t key) const {
      size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
      while (keys[i] != kEmpty && keys[i] != key)
        i = (i + 1) & mask;
      return i;
    }
    void Add(const Vec3& p, uint32_t id) {
      const uint64_t key = Key(Coord(p.x), Coord(p.y), Coord(p.z));
      const size_t i = Slot(key);
      if (keys[i] == kEmpty) {
        keys[i] = key;
        next[id] = kDeadIndex;
      } else {
        next[id] = heads[i];
      }
      heads[i] = id;
    }
    template <class F>
    void Visit(const Vec3& lo, const Vec3& hi, F&& f) const {
      for (int64_t x = Coord(lo.x); x <= Coord(hi.x); ++x)
        for (int64_t y = Coord(lo.y); y <= Coord(hi.y); ++y)
          for (int64_t z = Coord(lo.z); z <= Coord(hi.z); ++z) {
            const size_t i = Slot(Key(x, y, z));
            if (keys[i] == kEmpty) continue;
            for (uint32_t id = heads[i]; id != kDeadIndex; id = next[id])
              f(id);
          }
    }
  };

  // Step 1. True when something was welded.
  bool Weld(const std::vector<uint32_t>& open, float width) {
    float largest = 0.0f;
    auto reach = [&](const Vec3& p) { return width > 0.0f ? width : NoiseDistance(p); };
    for (uint32_t v : open)
      largest = std::max(largest, reach(pos[v]));
    Grid grid(largest * 2, open.size(), pos.size());
    std::vector<uint32_t> to(pos.size(), kDeadIndex);
    bool welded = false;
    for (uint32_t v : open) {
      uint32_t rep = v;
      const float d = reach(pos[v]);
      const Vec3 r{d, d, d};
      grid.Visit(pos[v] - r, pos[v] + r, [&](uint32_t w) {
        if (rep == v && Dist2(pos[v], pos[w]) <= d * d) rep = w;
      });
      if (rep == v) {
        grid.Add(pos[v], v);
      } else {
        to[v] = rep;
        welded = true;
      }
    }
    if (!welded) return false;
    std::vector<uint8_t> changedVertex(pos.size(), 0);
    for (const Tri& t : tris)
      if (to[t.v[0]] != kDeadIndex || to[t.v[1]] != kDeadIndex || to[t.v[2]] != kDeadIndex)
        for (uint32_t v : t.v)
          changedVertex[v] = 1;
    // Compacted in place: a fresh array this size costs more in first
    // touches of its pages than the copying itself.
    size_t kept = 0;
    for (size_t i = 0; i < tris.size(); ++i) {
      Tri t = tris[i];
      uint8_t maybe = maybeOpen[i];
      for (uint32_t& v : t.v) {
        maybe |= changedVertex[v];
        if (to[v] != kDeadIndex) v = to[v];
      }
      if (t.v[0] == t.v[1] || t.v[1] == t.v[2] || t.v[2] == t.v[0]) continue;
      maybeOpen[kept] = maybe;
      tris[kept++] = t;
    }
    tris.resize(kept);
    maybeOpen.resize(kept);
    return true;
  }

  // Step 2. True when an edge was split. Only the triangles in `withOpen`
  // have an edge to split.
  bool Split(const std::vector<uint32_t>& open, const std::vector<uint32_t>& withOpen,
             double meanLength, float width) {
    Grid grid(static_cast<float>(std::max<double>(meanLength, kTolerance * 4)), open.size(),
              pos.size());
    for (uint32_t v : open)
      grid.Add(pos[v], v);
    bool any = false;
    // The first piece of a split triangle takes its place, the others go to
    // the end: the triangles left alone are not copied.
    std::vector<Tri> extra;
    std::vector<uint32_t> changed;  // vertices of the triangles split
    std::vector<std::pair<float, uint32_t>> on[3];
    const float box = std::max(width, kTolerance);
    const Vec3 r{box, box, box};
    for (const uint32_t ti : withOpen) {
      const Tri t = tris[ti];
      bool placed = false;
      auto emit = [&](const Tri& piece) {
        if (placed) {
          extra.push_back(piece);
        } else {
          tris[ti] = piece;
          placed = true;
        }
      };
      int splitEdges = 0;
      for (int e = 0; e < 3; ++e) {
        on[e].clear();
        const uint32_t a = t.v[e], b = t.v[(e + 1) % 3];
        if (!Open(a, b)) continue;
        const Vec3 pa = pos[a], pb = pos[b];
        const Vec3 lo{std::min(pa.x, pb.x), std::min(pa.y, pb.y), std::min(pa.z, pb.z)};
        const Vec3 hi{std::max(pa.x, pb.x), std::max(pa.y, pb.y), std::max(pa.z, pb.z)};
        const Vec3 d = pb - pa;
        const float len2 = Dot(d, d);
        if (!(len2 > 0.0f)) continue;
        grid.Visit(lo - r, hi + r, [&](uint32_t w) {
          if (w == a || w == b) return;
          const Vec3 pw = pos[w];
          const float s = Dot(pw - pa, d) / len2;
          if (!(s > 0.0f && s < 1.0f)) return;
          const float off2 = Dist2(pw, pa + d * s);
          const float reach = width > 0.0f ? width : NoiseDistance(pw);
          if (off2 > reach * reach) return;
          // Near an end many edges leave at small angles: the vertex must
          // also lie along this one, not merely close to it.
          const float end2 = std::min(Dist2(pw, pa), Dist2(pw, pb));
          if (end2 <= kTolerance * kTolerance || off2 > end2 * kAlongSlope * kAlongSlope) return;
          on[e].push_back({s, w});
        });
        if (!on[e].empty()) {
          std::sort(on[e].begin(), on[e].end());
          ++splitEdges;
        }
      }
      if (splitEdges == 0) continue;
      any = true;
      changed.insert(changed.end(), t.v, t.v + 3);
      if (splitEdges == 1) {
        int e = 0;
        while (on[e].empty())
          ++e;
        // Fan from the corner opposite the split edge.
        const int o = (e + 2) % 3;
        std::vector<uint32_t> chain{t.v[e]};
        for (const auto& p : on[e])
          chain.push_back(p.second);
        chain.push_back(t.v[(e + 1) % 3]);
        for (size_t k = 0; k + 1 < chain.size(); ++k) {
          Tri n = t;
          n.v[e] = chain[k];
          n.v[(e + 1) % 3] = chain[k + 1];
          n.v[o] = t.v[o];
          emit(n);
        }
        continue;
      }
      // Several edges split: fan from a new vertex at the centroid.
      std::vector<std::pair<uint32_t, int>> loop;  // vertex, corner whose colour it takes
      for (int e = 0; e < 3; ++e) {
        loop.push_back({t.v[e], e});
        for (const auto& p : on[e])
          loop.push_back({p.second, e});
      }
      const Vec3 g = (pos[t.v[0]] + pos[t.v[1]] + pos[t.v[2]]) * (1.0f / 3.0f);
      const uint32_t gi = static_cast<uint32_t>(pos.size());
      pos.push_back(g);
      for (size_t k = 0; k < loop.size(); ++k) {
        const auto& p = loop[k];
        const auto& q = loop[(k + 1) % loop.size()];
        Tri n = t;
        n.v[0] = gi;
        n.v[1] = p.first;
        n.v[2] = q.first;
        n.c[0] = t.c[0];
        n.c[1] = t.c[p.second];
        n.c[2] = t.c[q.second];
        emit(n);
      }
    }
    tris.insert(tris.end(), extra.begin(), extra.end());
    maybeOpen.resize(tris.size(), 1);
    if (any) {
      // The split triangles themselves are in `withOpen`, already marked.
      std::vector<uint8_t> changedVertex(pos.size(), 0);
      for (uint32_t v : changed)
        changedVertex[v] = 1;
      for (size_t i = 0; i < tris.size(); ++i) {
        const Tri& t = tris[i];
        maybeOpen[i] |= changedVertex[t.v[0]] | changedVertex[t.v[1]] | changedVertex[t.v[2]];
      }
    }
    return any;
  }

  // Step 3: a triangle with a vertex on its opposite edge is removed and the
  // neighbour across that edge is split at the vertex instead.
  // The corner of a sliver lying on its opposite edge, or -1.
  int SliverCorner(const Tri& t) const {
    for (int m = 0; m < 3; ++m) {
      const uint32_t x0 = t.v[(m + 2) % 3], mid = t.v[m], x2 = t.v[(m + 1) % 3];
      // Long edge x2 -> x0 (as the triangle runs x0, mid, x2).
      const Vec3 a = pos[x0], d = pos[x2] - pos[x0];
      const float len2 = Dot(d, d);
      if (!(len2 > 0.0f)) continue;
      const float s = Dot(pos[mid] - a, d) / len2;
      if (!(s > 0.0f && s < 1.0f)) continue;
      if (Dist2(pos[mid], a + d * s) > kSliverHeight * kSliverHeight) continue;
      return m;
    }
    return -1;
  }

  bool FoldSlivers() {
    std::vector<std::pair<uint32_t, int>> slivers;  // triangle, corner on its opposite edge
    for (uint32_t i = 0; i < tris.size(); ++i) {
      const int m = SliverCorner(tris[i]);
      if (m >= 0) slivers.push_back({i, m});
    }
    if (slivers.empty()) return false;
    CountEdges();
    std::vector<uint8_t> touched(tris.size(), 0);
    std::vector<uint8_t> removed(tris.size(), 0);
    std::vector<Tri> added;
    bool any = false;
    for (const auto& [i, m] : slivers) {
      if (touched[i]) continue;
      const Tri t = tris[i];
      {
        const uint32_t x0 = t.v[(m + 2) % 3], mid = t.v[m], x2 = t.v[(m + 1) % 3];
        const uint32_t ni = edges.Find(x0, x2);
        if (ni == kDeadIndex || ni == i || touched[ni]) continue;
        const Tri n = tris[ni];
        int e = 0;
        while (!(n.v[e] == x0 && n.v[(e + 1) % 3] == x2))
          ++e;
        Tri p = n, q = n;
        p.v[(e + 1) % 3] = mid;  // x0, mid, y
        q.v[e] = mid;            // mid, x2, y
        added.push_back(p);
        added.push_back(q);
        touched[i] = touched[ni] = 1;
        removed[i] = removed[ni] = 1;
        any = true;
      }
    }
    if (!any) return false;
    size_t kept = 0;
    for (size_t i = 0; i < tris.size(); ++i)
      if (!removed[i]) tris[kept++] = tris[i];
    tris.resize(kept);
    tris.insert(tris.end(), added.begin(), added.end());
    return true;
  }

  // Step 4: what is still open are thin cracks where the kernel classified
  // the two sides of an edge differently within its tolerance. Each loop of
  // open edges that encloses almost no area (a crack, not a hole of the
  // input) is filled, cutting the ear with the shortest diagonal first.
  // An edge used more often one way than the other is open as often as it
  // is in surplus: a sliver lying on a neighbour's edge leaves that edge used
  // twice in one direction, and its loop runs through it.
  void FillCracks() {
    CountEdges();
    std::unordered_multimap<uint32_t, uint32_t> next;  // open edge start -> end
    edges.ForEachEdge([&](uint32_t a, uint32_t b) {
      const uint32_t uses = edges.Uses(a, b), reverse = edges.Uses(b, a);
      for (uint32_t k = reverse; k < uses; ++k)
        next.emplace(a, b);
    });
    std::vector<Tri> added;
    while (!next.empty()) {
      // Walk open edges; every return to a vertex already on the path closes
      // one simple loop (a path through a vertex twice makes two loops).
      std::vector<uint32_t> path{next.begin()->first};
      std::unordered_map<uint32_t, size_t> at{{path[0], 0}};
      for (;;) {
        auto it = next.find(path.back());
        if (it == next.end()) break;
        const uint32_t to = it->second;
        next.erase(it);
        auto seen = at.find(to);
        if (seen == at.end()) {
          at[to] = path.size();
          path.push_back(to);
          continue;
        }
        std::vector<uint32_t> loop(path.begin() + static_cast<long>(seen->second), path.end());
        for (size_t i = seen->second + 1; i < path.size(); ++i)
          at.erase(path[i]);
        path.resize(seen->second + 1);
        FillLoop(loop, added);
      }
    }
    CancelOpposites(added);
    tris.insert(tris.end(), added.begin(), added.end());
  }

  // A fill that is the exact reverse of a triangle (a sliver whose own two
  // short edges made the loop) encloses nothing with it: both go.
  void CancelOpposites(std::vector<Tri>& added) {
    if (added.empty()) return;
    auto key = [](uint32_t a, uint32_t b, uint32_t c) {
      // Rotated to start at the smallest index; the triangle's turn is kept.
      if (b < a && b < c) return std::array<uint32_t, 3>{b, c, a};
      if (c < a && c < b) return std::array<uint32_t, 3>{c, a, b};
      return std::array<uint32_t, 3>{a, b, c};
    };
    std::map<std::array<uint32_t, 3>, size_t> reversed;  // of the added ones
    for (size_t i = 0; i < added.size(); ++i)
      reversed.emplace(key(added[i].v[0], added[i].v[2], added[i].v[1]), i);
    std::vector<uint8_t> dropAdded(added.size(), 0);
    size_t kept = 0;
    for (const Tri& t : tris) {
      auto it = reversed.find(key(t.v[0], t.v[1], t.v[2]));
      if (it != reversed.end() && !dropAdded[it->second]) {
        dropAdded[it->second] = 1;
        continue;
      }
      tris[kept++] = t;
    }
    if (kept == tris.size()) return;
    tris.resize(kept);
    std::vector<Tri> rest;
    for (size_t i = 0; i < added.size(); ++i)
      if (!dropAdded[i]) rest.push_back(added[i]);
    added.swap(rest);
  }

  void FillLoop(std::vector<uint32_t>& loop, std::vector<Tri>& added) {
    if (loop.size() < 3) return;
    double perimeter = 0, area = 0;
    for (size_t i = 0; i < loop.size(); ++i)
      perimeter += std::sqrt(Dist2(pos[loop[i]], pos[loop[(i + 1) % loop.size()]]));
    for (size_t i = 1; i + 1 < loop.size(); ++i)
      area += 0.5 * Length(Cross(pos[loop[i]] - pos[loop[0]], pos[loop[i + 1]] - pos[loop[0]]));
    if (area > perimeter * kCrackWidth) return;
    const Tri& model = OwnerOf(loop[0], loop[1]);
    // The fill runs against the loop: each of its edges pairs an open one.
    while (loop.size() > 3) {
      size_t best = 0;
      float shortest = 0;
      for (size_t i = 0; i < loop.size(); ++i) {
        const float d =
            Dist2(pos[loop[(i + loop.size() - 1) % loop.size()]], pos[loop[(i + 1) % loop.size()]]);
        if (i == 0 || d < shortest) {
          shortest = d;
          best = i;
        }
      }
      const size_t n = loop.size();
      added.push_back(Filled(model, loop[(best + 1) % n], loop[best], loop[(best + n - 1) % n]));
      loop.erase(loop.begin() + static_cast<long>(best));
    }
    added.push_back(Filled(model, loop[2], loop[1], loop[0]));
  }

  // The triangle using edge a -> b (the table is the one FillCracks counted).
  const Tri& OwnerOf(uint32_t a, uint32_t b) const {
    const uint32_t i = edges.Find(a, b);
    return i == kDeadIndex ? tris.front() : tris[i];
  }

  Tri Filled(const Tri& model, uint32_t a, uint32_t b, uint32_t c) const {
    Tri t = model;
    t.v[0] = a;
    t.v[1] = b;
    t.v[2] = c;
    const Vec3 n = FaceNormal(pos[a], pos[b], pos[c]);
    for (MeshCorner& corner : t.c)
      corner.normal = n;
    return t;
  }

  int Run() {
    // Float noise first; the kernel's tolerance only for what is left open,
    // and then twice the tolerance: points the kernel took as lying in a
    // plane may lie up to the tolerance on either side of it, so the two
    // sides of a crack can be that far apart.
    maybeOpen.assign(tris.size(), 1);
    for (float width : {0.0f, kTolerance, kTolerance * 2.1f}) {
      const int status = Close(width);
      if (status != kStatusDone) return status;
    }
    for (int round = 0; round < kMaxRounds; ++round) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      if (!FoldSlivers()) break;
    }
    if (monitor.IsCancelled()) return kStatusCancelled;
    FillCracks();
    return kStatusDone;
  }

  // width 0: float noise relative to the coordinates.
  int Close(float width) {
    for (int round = 0; round < kMaxRounds; ++round) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      CountEdges();
      double meanLength = 0;
      const std::vector<uint32_t> open = OpenVertices(meanLength, withOpen);
      if (open.empty()) break;
      if (Weld(open, width)) continue;
      if (!Split(open, withOpen, meanLength, width)) break;
    }
    return kStatusDone;
  }
};

}  // namespace

int RepairTJunctions(Mesh& mesh, ProgressMonitor& monitor) {
  const uint32_t vertices = std::min(mesh.vertexCount, mesh.positions.length());
  const uint32_t corners = std::min(mesh.cornerCount, mesh.corners.length()) / 3 * 3;
  if (corners == 0) return kStatusDone;
  try {
    Repair repair{{}, {}, monitor, {}, {}, {}};
    repair.pos.assign(mesh.positions.data(), mesh.positions.data() + vertices);
    std::vector<MeshCorner> other;  // triangles the repair leaves alone (dead or out of range)
    for (uint32_t k = 0; k < corners; k += 3) {
      const MeshCorner* c = mesh.corners.data() + k;
      if (c[0].vertexIndex >= vertices || c[1].vertexIndex >= vertices ||
          c[2].vertexIndex >= vertices) {
        other.insert(other.end(), c, c + 3);
        continue;
      }
      Tri t;
      for (int j = 0; j < 3; ++j) {
        t.v[j] = c[j].vertexIndex;
        t.c[j] = c[j];
      }
      repair.tris.push_back(t);
    }
    const int status = repair.Run();
    if (status != kStatusDone) return status;

    // Unused vertices (welded away) are dropped and the rest renumbered.
    std::vector<uint32_t> remap(repair.pos.size(), kDeadIndex);
    uint32_t used = 0;
    for (const Tri& t : repair.tris)
      for (uint32_t v : t.v)
        if (remap[v] == kDeadIndex) remap[v] = used++;
    GrowArray<Vec3> positions;
    GrowArray<MeshCorner> cornerArray;
    const size_t cornerTotal = repair.tris.size() * 3 + other.size();
    if (cornerTotal > UINT32_MAX || !positions.ResizeDiscard(std::max<uint32_t>(used, 1)) ||
        !cornerArray.ResizeDiscard(std::max<size_t>(cornerTotal, 1))) {
      return kStatusFailed;
    }
    Vec3* p = positions.MutableData();
    for (size_t v = 0; v < remap.size(); ++v)
      if (remap[v] != kDeadIndex) p[remap[v]] = repair.pos[v];
    MeshCorner* c = cornerArray.MutableData();
    size_t k = 0;
    for (const Tri& t : repair.tris) {
      for (int j = 0; j < 3; ++j) {
        MeshCorner corner = t.c[j];
        corner.vertexIndex = remap[t.v[j]];
        c[k++] = corner;
      }
    }
    for (const MeshCorner& corner : other) {
      MeshCorner dead = corner;
      dead.vertexIndex = kDeadIndex;
      c[k++] = dead;
    }
    mesh.positions = std::move(positions);
    mesh.corners = std::move(cornerArray);
    mesh.vertexCount = used;
    mesh.cornerCount = static_cast<uint32_t>(cornerTotal);
    InvalidateBounds(mesh);
    MarkChanged(mesh);
  } catch (const std::bad_alloc&) {
    return kStatusFailed;
  }
  return kStatusDone;
}

}  // namespace torvane
