// Delete vertex: the fan of triangles around a vertex goes and the hole is
// filled again from the ring of the fan's outer vertices.
//
// Input: a mesh and a vertex. Output: the fan's corner slots reused by the
// fill (left over slots dead). Each fan triangle, turned so that v comes
// first, is (v, p, q); the fan is chained by q of one triangle meeting p of
// the next, which walks the ring in the fans' own winding, so triangles over
// consecutive ring vertices face the way the fan did. A closed fan of n
// triangles leaves a ring of n vertices and is filled with n - 2 triangles;
// an open fan (v on a border) of n triangles a ring of n + 1 vertices, filled
// with n - 1 (the border then runs straight from its first to its last
// vertex). An odd ring keeps its last vertex as a joint too, so the next
// round's ring is again the outline of what is still open. A fan that is not
// one chain (v where several sheets meet) is filled chain by chain.
#include <new>
#include <vector>

#include "core/element_edit.h"
#include "core/element_edit_support.h"

namespace torvane {
namespace {

using namespace element;

struct FanTriangle {
  uint32_t slot;  // first corner
  uint32_t p, q;  // the outer edge, in the triangle's winding
  bool chained = false;
};

// The triangles over `ring` by halving, as vertex triples.
void FillRing(std::vector<uint32_t> ring, std::vector<uint32_t>& out) {
  while (ring.size() >= 3) {
    std::vector<uint32_t> joints;
    const size_t n = ring.size();
    for (size_t i = 0; i + 1 < n; i += 2) {
      joints.push_back(ring[i]);
      const uint32_t third = ring[(i + 2) % n];
      out.insert(out.end(), {ring[i], ring[i + 1], third});
    }
    // An odd ring's last vertex had no partner: it stays for the next round.
    if (n % 2 == 1) joints.push_back(ring[n - 1]);
    ring = std::move(joints);
  }
}

// The fan's chains, each as its ring of outer vertices.
std::vector<std::vector<uint32_t>> ChainRings(std::vector<FanTriangle>& fan) {
  std::vector<std::vector<uint32_t>> rings;
  for (FanTriangle& seed : fan) {
    if (seed.chained) continue;
    seed.chained = true;
    std::vector<const FanTriangle*> chain{&seed};
    // Forwards while a triangle continues at the last q.
    for (bool grown = true; grown;) {
      grown = false;
      for (FanTriangle& t : fan) {
        if (!t.chained && t.p == chain.back()->q) {
          t.chained = grown = true;
          chain.push_back(&t);
          break;
        }
      }
    }
    // Backwards while a triangle ends at the first p (an open fan seeded in
    // its middle).
    for (bool grown = true; grown;) {
      grown = false;
      for (FanTriangle& t : fan) {
        if (!t.chained && t.q == chain.front()->p) {
          t.chained = grown = true;
          chain.insert(chain.begin(), &t);
          break;
        }
      }
    }
    std::vector<uint32_t> ring;
    for (const FanTriangle* t : chain)
      ring.push_back(t->p);
    // A closed chain comes back to its first vertex; an open one adds its end.
    if (chain.back()->q != chain.front()->p) ring.push_back(chain.back()->q);
    rings.push_back(std::move(ring));
  }
  return rings;
}

}  // namespace

void DeleteVertex(Mesh& mesh, uint32_t v) {
  const uint32_t vertices = ReadableVertices(mesh);
  if (v >= vertices) return;
  MeshCorner* corners = mesh.corners.MutableData();
  if (!corners) return;
  const uint32_t n = ReadableCorners(mesh);
  try {
    std::vector<FanTriangle> fan;
    std::vector<uint32_t> slots;
    for (uint32_t k = 0; k < n; k += 3) {
      MeshCorner* t = corners + k;
      if (!IsLiveTriangle(t, vertices) || !Uses(t, v)) continue;
      slots.push_back(k);
      int at = 0;
      int uses = 0;
      for (int i = 0; i < 3; ++i) {
        if (t[i].vertexIndex == v) at = i, ++uses;
      }
      // A triangle that names v twice has no outer edge: it just goes.
      if (uses == 1) fan.push_back({k, t[(at + 1) % 3].vertexIndex, t[(at + 2) % 3].vertexIndex});
    }
    if (slots.empty()) return;
    std::vector<uint32_t> fill;
    for (const std::vector<uint32_t>& ring : ChainRings(fan))
      FillRing(ring, fill);

    // The fan's colours go to the triangles written over it, slot by slot.
    std::vector<Colour32> colours;
    for (uint32_t k : slots)
      colours.push_back(corners[k].colour);
    for (uint32_t k : slots)
      KillTriangle(corners + k);
    const Vec3* p = mesh.positions.data();
    size_t used = 0;
    for (size_t i = 0; i + 2 < fill.size() && used < slots.size(); i += 3) {
      const uint32_t a = fill[i], b = fill[i + 1], c = fill[i + 2];
      if (a == b || b == c || c == a) continue;  // a ring that met itself
      const Vec3 normal = FaceNormal(p[a], p[b], p[c]);
      MeshCorner* t = corners + slots[used];
      const Colour32 colour = colours[used];
      t[0] = MeshCorner{a, normal, colour};
      t[1] = MeshCorner{b, normal, colour};
      t[2] = MeshCorner{c, normal, colour};
      ++used;
    }
  } catch (const std::bad_alloc&) {
    // Nothing was changed before the fill was known.
    return;
  }
  MarkChanged(mesh);
  InvalidateBounds(mesh);
}

}  // namespace torvane
