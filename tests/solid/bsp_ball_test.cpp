// The shortcuts of the clip and the build: a polygon's ball deciding its
// side of a plane, the per-polygon walk with its runs of planes, and the
// build, each against the plain per-vertex, node-by-node computation.
#include <gtest/gtest.h>

#include <random>

#include "solid/bsp_internal.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using testing::MakeIndexedCube;
using testing::MakeSphere;

// Triangles of every size scattered about planes far from and near the
// origin: whatever side the ball gives, every vertex has.
TEST(BspBall, DecidesOnlyWhatEveryVertexAgreesWith) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  auto random = [&](float scale) { return Vec3{unit(rng), unit(rng), unit(rng)} * scale; };
  auto store = MakeCsgStore();
  int decided = 0, checked = 0;
  for (float place : {0.0f, 1.0f, 300.0f, 20000.0f}) {
    for (float size : {0.0005f, 0.01f, 1.0f, 50.0f}) {
      for (int k = 0; k < 400; ++k, ++checked) {
        Vec3 n = random(1);
        n = n * (1.0f / Length(n));
        const Vec3 o = random(place);
        const CsgPlane plane{n.x, n.y, n.z, Dot(n, o)};
        // The triangle's centre lies a few tolerances off the plane at most.
        const Vec3 c = o + n * (unit(rng) * (size + 0.004f));
        std::vector<CsgVertex> vs;
        for (int j = 0; j < 3; ++j) {
          const Vec3 p = c + random(size);
          vs.push_back({p.x, p.y, p.z, kOpaqueBlack});
        }
        CsgPolygonId id = 0;
        ASSERT_EQ(MakePolygon(*store, vs, id), kCsgDone);
        const uint32_t quick = bsp::QuickClass(plane, store->polygons[id].ball);
        if (quick == bsp::kUnknownClass) continue;
        ++decided;
        for (const CsgVertex& v : vs)
          ASSERT_EQ(ClassifyPoint(plane, v), quick) << place << " size " << size << " case " << k;
      }
    }
  }
  // The ball must also be worth having: it decides a fair share of these
  // triangles, all of which lie within a few sizes of the plane.
  EXPECT_GT(decided, checked / 10);
}

CsgPolygonList PolygonsOf(CsgStore& store, const Mesh& mesh) {
  NullProgress quiet;
  CsgPolygonList list;
  EXPECT_EQ(MeshToPolygons(store, MakeWorldMesh(mesh), list, quiet), kCsgDone);
  return list;
}

// Every polygon's coordinates, in list order.
std::vector<std::vector<float>> Coordinates(const CsgStore& store, const CsgPolygonList& list) {
  std::vector<std::vector<float>> out;
  for (CsgPolygonId id : list) {
    out.emplace_back();
    for (const CsgVertex& v : PolygonVertices(store, id))
      out.back().insert(out.back().end(), {v.x, v.y, v.z});
  }
  return out;
}

// The node-by-node clip the walk replaces: each polygon split at the node,
// the front subtree's results and then the back subtree's (a list's head is
// its end).
CsgPolygonList RecursiveClip(CsgStore& store, const CsgTree& tree, uint32_t n,
                             const CsgPolygonList& list) {
  const CsgNode& node = tree.nodes[n];
  NullProgress quiet;
  CsgPolygonList front, back;
  for (size_t i = list.size(); i-- > 0;)
    EXPECT_EQ(SplitPolygon(store, node.plane, list[i], front, back, front, back, quiet), kCsgDone);
  if (node.front != kNoCsgNode) front = RecursiveClip(store, tree, node.front, front);
  back = node.back != kNoCsgNode ? RecursiveClip(store, tree, node.back, back) : CsgPolygonList{};
  back.insert(back.end(), front.begin(), front.end());
  return back;
}

// Spheres far from the origin, overlapping and offset, and a box whose faces
// meet the sphere's poles: the walk with its run skipping gives the same
// pieces in the same order (a run passed wrongly would lose or keep pieces).
TEST(BspBall, ClipEqualsTheNodeByNodeClip) {
  const Vec3 far{1000, -2000, 500};
  const struct {
    Mesh tree, clipped;
  } cases[] = {
      {MakeSphere(10, far, 32, 16), MakeSphere(10, far + Vec3{5, 3, 2}, 24, 12)},
      {MakeSphere(10, {}, 32, 16), MakeSphere(7, {0, 4, 0}, 32, 16)},
      {MakeSphere(2, {}, 24, 12), MakeIndexedCube({-1, 1.5f, -1}, {1, 3, 1})},
  };
  NullProgress quiet;
  for (size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE(c);
    auto store = MakeCsgStore();
    CsgPolygonList treeList = PolygonsOf(*store, cases[c].tree);
    CsgPolygonList walked = PolygonsOf(*store, cases[c].clipped);
    CsgTree tree = MakeCsgTree(store);
    ASSERT_EQ(BuildTree(tree, treeList, quiet), kCsgDone);
    const CsgPolygonList expected = RecursiveClip(*store, tree, 0, walked);
    ASSERT_EQ(ClipPolygons(tree, 0, walked, quiet), kCsgDone);
    EXPECT_EQ(Coordinates(*store, walked), Coordinates(*store, expected));
  }
}

// A four-sided piece whose last corner lies beyond the tolerance of the
// plane of its first three: the node taking that plane keeps it, where
// handing it on gave every new node the same plane until memory ran out.
TEST(BspBall, APolygonOffItsOwnPlaneStaysInItsNode) {
  NullProgress quiet;
  for (float off : {0.01f, -0.01f}) {
    SCOPED_TRACE(off);
    auto store = MakeCsgStore();
    CsgPolygonId bent = 0, flat = 0;
    ASSERT_EQ(
        MakePolygon(*store, std::vector<CsgVertex>{{0, 0, 0}, {1, 0, 0}, {1, 1, off}, {0, 1, 0}},
                    bent),
        kCsgDone);
    ASSERT_EQ(MakePolygon(*store, std::vector<CsgVertex>{{0, 0, -5}, {0, 1, -5}, {1, 0, -5}}, flat),
              kCsgDone);
    for (const CsgPolygonList& order : {CsgPolygonList{bent}, CsgPolygonList{bent, flat}}) {
      CsgTree tree = MakeCsgTree(store);
      CsgPolygonList list = order;
      ASSERT_EQ(BuildTree(tree, list, quiet), kCsgDone);
      EXPECT_LE(tree.nodes.size(), 3u);
      size_t polygons = 0;
      for (const CsgNode& node : tree.nodes)
        polygons += node.polygons.size();
      EXPECT_EQ(polygons, order.size());
    }
  }
}

// The level-by-level build: each node splits its whole list and hands the
// pieces on, front subtree first; the polygon giving a new node its plane
// stays in it.
void RecursiveBuild(CsgStore& store, std::vector<CsgNode>& nodes, uint32_t n, CsgPolygonList list) {
  NullProgress quiet;
  if (!HasPlane(nodes[n].plane)) {
    nodes[n].plane = store.polygons[list.back()].plane;
    nodes[n].polygons.push_back(list.back());
    list.pop_back();
  }
  CsgPolygonList handed[2];  // front, back
  for (size_t i = list.size(); i-- > 0;) {
    EXPECT_EQ(SplitPolygon(store, nodes[n].plane, list[i], nodes[n].polygons, nodes[n].polygons,
                           handed[0], handed[1], quiet),
              kCsgDone);
  }
  for (int side = 0; side < 2; ++side) {
    if (handed[side].empty()) continue;
    uint32_t child = side == 0 ? nodes[n].front : nodes[n].back;
    if (child == kNoCsgNode) {
      child = static_cast<uint32_t>(nodes.size());
      (side == 0 ? nodes[n].front : nodes[n].back) = child;
      nodes.emplace_back();
    }
    RecursiveBuild(store, nodes, child, handed[side]);
  }
}

// Every node in pre-order (back subtree first): its plane and its polygons.
std::vector<std::vector<float>> Shape(const CsgStore& store, const std::vector<CsgNode>& nodes) {
  std::vector<std::vector<float>> out;
  for (std::vector<uint32_t> stack{0}; !stack.empty();) {
    const CsgNode& node = nodes[stack.back()];
    stack.pop_back();
    out.push_back({node.plane.nx, node.plane.ny, node.plane.nz, node.plane.w});
    for (const auto& p : Coordinates(store, node.polygons))
      out.push_back(p);
    for (uint32_t child : {node.front, node.back})
      if (child != kNoCsgNode) stack.push_back(child);
  }
  return out;
}

// A convex sphere (a chain of back children as long as its faces), then a
// second sphere and a box built into the same tree; and, into a tree of its
// own, a sphere turned inside out (a chain of front children): the same
// nodes, planes and polygons in the same order as the level-by-level build.
TEST(BspBall, BuildEqualsTheLevelByLevelBuild) {
  Mesh inside = MakeSphere(10, {1000, 0, 0}, 24, 12);
  for (uint32_t c = 0; c + 2 < inside.cornerCount; c += 3)
    std::swap(inside.corners.MutableData()[c + 1], inside.corners.MutableData()[c + 2]);
  const std::vector<std::vector<Mesh>> series = {
      {MakeSphere(10, {1000, 0, 0}, 32, 16), MakeSphere(10, {1005, 3, 2}, 24, 12),
       MakeIndexedCube({995, -4, -4}, {1012, 4, 4})},
      {inside}};
  NullProgress quiet;
  for (const std::vector<Mesh>& parts : series) {
    auto store = MakeCsgStore();
    CsgTree tree = MakeCsgTree(store);
    std::vector<CsgNode> expected(1);
    for (size_t k = 0; k < parts.size(); ++k) {
      SCOPED_TRACE(k);
      CsgPolygonList list = PolygonsOf(*store, parts[k]);
      const CsgPolygonList copy = list;
      ASSERT_EQ(BuildTree(tree, list, quiet), kCsgDone);
      if (k == 0) expected[0].plane = tree.nodes[0].plane;  // the root's choice is the build's
      RecursiveBuild(*store, expected, 0, copy);
      const auto built = Shape(*store, tree.nodes), want = Shape(*store, expected);
      ASSERT_EQ(built.size(), want.size());
      for (size_t i = 0; i < built.size(); ++i)
        ASSERT_EQ(built[i], want[i]) << "entry " << i;
    }
    EXPECT_GT(tree.nodes.size(), 250u);
  }
}

}  // namespace
}  // namespace torvane
