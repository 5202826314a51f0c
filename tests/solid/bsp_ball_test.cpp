// The shortcuts of the clip: a polygon's ball deciding its side of a plane,
// a run of planes passed in one test, and the per-polygon walk, each against
// the plain per-vertex, node-by-node computation.
#include <gtest/gtest.h>

#include <random>

#include "solid/bsp_internal.h"
#include "solid/plane_runs.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using bsp::BallPassesRun;
using bsp::PlaneRun;
using bsp::QuickClass;

bool AllVerticesOn(const CsgStore& store, CsgPolygonId id, const CsgPlane& plane, uint32_t side) {
  for (const CsgVertex& v : PolygonVertices(store, id))
    if (ClassifyPoint(plane, v) != side) return false;
  return true;
}

// Triangles of every size scattered about planes far from and near the
// origin: whatever side the ball gives, every vertex has.
TEST(BspBall, DecidesOnlyWhatEveryVertexAgreesWith) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  auto store = MakeCsgStore();
  int decided = 0, checked = 0;
  for (float place : {0.0f, 1.0f, 300.0f, 20000.0f}) {
    for (float size : {0.0005f, 0.01f, 1.0f, 50.0f}) {
      for (int k = 0; k < 400; ++k) {
        Vec3 n{unit(rng), unit(rng), unit(rng)};
        n = n * (1.0f / Length(n));
        const Vec3 o{place * unit(rng), place * unit(rng), place * unit(rng)};
        const CsgPlane plane{n.x, n.y, n.z, Dot(n, o)};
        // The triangle's centre lies a few tolerances off the plane at most.
        const Vec3 c = o + n * (unit(rng) * (size + 0.004f));
        std::vector<CsgVertex> vs;
        for (int j = 0; j < 3; ++j) {
          const Vec3 p = c + Vec3{unit(rng), unit(rng), unit(rng)} * size;
          vs.push_back({p.x, p.y, p.z, kOpaqueBlack});
        }
        CsgPolygonId id = 0;
        ASSERT_EQ(MakePolygon(*store, vs, id), kCsgDone);
        const uint32_t quick = QuickClass(plane, store->polygons[id].ball);
        ++checked;
        if (quick == bsp::kUnknownClass) continue;
        ++decided;
        ASSERT_TRUE(AllVerticesOn(*store, id, plane, quick))
            << "place " << place << " size " << size << " case " << k;
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

// The node-by-node clip the walk replaces: each polygon split at the node,
// the front subtree's results and then the back subtree's.
CsgPolygonList RecursiveClip(CsgStore& store, const CsgTree& tree, uint32_t n,
                             const CsgPolygonList& list) {
  const CsgNode& node = tree.nodes[n];
  NullProgress quiet;
  CsgPolygonList front, back;
  for (size_t i = list.size(); i-- > 0;)
    EXPECT_EQ(SplitPolygon(store, node.plane, list[i], front, back, front, back, quiet), kCsgDone);
  if (node.front != kNoCsgNode) front = RecursiveClip(store, tree, node.front, front);
  if (node.back != kNoCsgNode) {
    back = RecursiveClip(store, tree, node.back, back);
  } else {
    back.clear();
  }
  // A list's head is its end.
  back.insert(back.end(), front.begin(), front.end());
  return back;
}

std::vector<std::vector<float>> Coordinates(const CsgStore& store, const CsgPolygonList& list) {
  std::vector<std::vector<float>> out;
  for (CsgPolygonId id : list) {
    std::vector<float> p;
    for (const CsgVertex& v : PolygonVertices(store, id))
      p.insert(p.end(), {v.x, v.y, v.z});
    out.push_back(p);
  }
  return out;
}

// Spheres far from the origin, overlapping and offset, and a box whose faces
// meet the sphere's poles: the walk with its run skipping gives the same
// pieces in the same order, and a run it passes has every vertex of the
// polygon on its side of every plane.
TEST(BspBall, ClipEqualsTheNodeByNodeClip) {
  using testing::MakeSphere;
  const Vec3 far{1000, -2000, 500};
  const struct {
    Mesh tree, clipped;
  } cases[] = {
      {MakeSphere(10, far, 32, 16), MakeSphere(10, far + Vec3{5, 3, 2}, 24, 12)},
      {MakeSphere(10, {}, 32, 16), MakeSphere(7, {0, 4, 0}, 32, 16)},
      {MakeSphere(2, {}, 24, 12), testing::MakeIndexedCube({-1, 1.5f, -1}, {1, 3, 1})},
  };
  NullProgress quiet;
  for (size_t c = 0; c < std::size(cases); ++c) {
    SCOPED_TRACE(c);
    auto store = MakeCsgStore();
    CsgPolygonList treeList = PolygonsOf(*store, cases[c].tree);
    const CsgPolygonList input = PolygonsOf(*store, cases[c].clipped);
    CsgTree tree = MakeCsgTree(store);
    ASSERT_EQ(BuildTree(tree, treeList, quiet), kCsgDone);

    const CsgPolygonList expected = RecursiveClip(*store, tree, 0, input);
    CsgPolygonList walked = input;
    ASSERT_EQ(ClipPolygons(tree, 0, walked, quiet), kCsgDone);
    EXPECT_EQ(Coordinates(*store, walked), Coordinates(*store, expected));

    const std::vector<PlaneRun> runs = bsp::MakePlaneRuns(tree, 16);
    size_t passed = 0;
    for (uint32_t start = 0; start < runs.size(); ++start) {
      const PlaneRun& run = runs[start];
      if (run.length < 2) continue;
      for (CsgPolygonId id : input) {
        if (!BallPassesRun(run, store->polygons[id].ball)) continue;
        ++passed;
        uint32_t n = start, last = start;
        for (uint32_t k = 0; k < run.length; ++k) {
          ASSERT_NE(n, kNoCsgNode);
          ASSERT_TRUE(AllVerticesOn(*store, id, tree.nodes[n].plane, run.side))
              << "run from " << start << ", node " << k;
          last = n;
          n = run.side == kCsgBack ? tree.nodes[n].back : tree.nodes[n].front;
        }
        EXPECT_EQ(last, run.last);
      }
    }
    EXPECT_GT(passed, 0u);
  }
}

}  // namespace
}  // namespace torvane
