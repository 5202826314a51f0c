// The BSP kernel: classification at the tolerance, cutting, the choice of
// the root plane, deep trees, cancellation and the release of trees.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/worker_thread.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using testing::CancelAfter;

CsgVertex V(float x, float y, float z, Colour32 colour = kOpaqueBlack) {
  return CsgVertex{x, y, z, colour};
}

CsgPolygonId Add(CsgStore& store, std::initializer_list<CsgVertex> vertices) {
  CsgPolygonId id = 0;
  EXPECT_EQ(MakePolygon(store, std::vector<CsgVertex>(vertices), id), kCsgDone);
  return id;
}

struct Lists {
  CsgPolygonList coFront, coBack, front, back;
};

Lists Split(CsgStore& store, const CsgPlane& plane, CsgPolygonId id) {
  Lists l;
  NullProgress quiet;
  EXPECT_EQ(SplitPolygon(store, plane, id, l.coFront, l.coBack, l.front, l.back, quiet), kCsgDone);
  return l;
}

TEST(BspSplit, VerticesWithinTheToleranceAreOnThePlaneAndCoplanarPolygonsGoByTheirNormal) {
  const CsgPlane z0{0, 0, 1, 0};
  const std::pair<float, CsgClass> points[] = {{0.001f, kCsgCoplanar},
                                               {-0.001f, kCsgCoplanar},
                                               {0.0011f, kCsgFront},
                                               {-0.0011f, kCsgBack},
                                               {0.0f, kCsgCoplanar}};
  for (const auto& [z, expected] : points)
    EXPECT_EQ(ClassifyPoint(z0, V(3, 4, z)), expected) << z;

  auto store = MakeCsgStore();
  const struct {
    CsgPolygonId id;
    bool front;
  } cases[] = {{Add(*store, {V(0, 0, 0), V(1, 0, 0.0005f), V(0, 1, 0)}), true},
               {Add(*store, {V(0, 0, 0), V(0, 1, 0), V(1, 0, 0)}), false},
               // Within the tolerance, normal along Y: dot product 0.
               {Add(*store, {V(0, 0, 0), V(1, 0, 0), V(0, 0, 0.0005f)}), false}};
  for (const auto& c : cases) {
    const Lists l = Split(*store, z0, c.id);
    EXPECT_EQ(l.coFront.size(), c.front ? 1u : 0u);
    EXPECT_EQ(l.coBack.size(), c.front ? 0u : 1u);
    EXPECT_TRUE(l.front.empty() && l.back.empty());
    // The input stays the caller's: the list holds a copy.
    EXPECT_NE(c.front ? l.coFront[0] : l.coBack[0], c.id);
  }
}

TEST(BspSplit, SpanningTriangleWithAVertexOnThePlaneGivesTwoTriangles) {
  auto store = MakeCsgStore();
  const CsgPolygonId t =
      Add(*store, {V(0, 1, 0, 0xFF000001u), V(-1, -1, 0, 0xFF000002u), V(1, -1, 0, 0xFF000003u)});
  const Lists l = Split(*store, CsgPlane{1, 0, 0, 0}, t);
  ASSERT_TRUE(l.front.size() == 1 && l.back.size() == 1);
  for (CsgPolygonId piece : {l.front[0], l.back[0]}) {
    const auto v = PolygonVertices(*store, piece);
    ASSERT_EQ(v.size(), 3u);
    // The vertex on the plane, and the cut point on the edge from (-1, -1)
    // to (1, -1) with its start's colour.
    int onPlane = 0, cut = 0;
    for (const CsgVertex& p : v) {
      onPlane += p.x == 0 && p.y == 1;
      cut += p.x == 0 && p.y == -1 && p.colour == 0xFF000002u;
    }
    EXPECT_TRUE(onPlane == 1 && cut == 1);
  }
  EXPECT_EQ(PolygonVertices(*store, t).size(), 3u);
}

TEST(BspBuild, RootPlaneIsTheMostBalancedOfTheFirstSixCandidates) {
  NullProgress quiet;
  const struct {
    uint32_t walls;  // unit squares at x = 0, 1, ... facing +x, head first
    float root;
  } cases[] = {
      {3, 1},  // all scored, the middle one balances best
      // The perfectly balanced wall at 10 is the 11th and never scored; of
      // the first six, 5 splits 5 / 14 best.
      {20, 5},
      {4, 1},  // walls 1 and 2 both split 1 against 2: the earlier wins
  };
  for (const auto& c : cases) {
    auto store = MakeCsgStore();
    CsgPolygonList list;
    for (uint32_t i = c.walls; i-- > 0;) {
      const float x = float(i);
      list.push_back(Add(*store, {V(x, 0, 0), V(x, 1, 0), V(x, 1, 1), V(x, 0, 1)}));
    }
    CsgTree tree = MakeCsgTree(store);
    ASSERT_EQ(BuildTree(tree, list, quiet), kCsgDone);
    EXPECT_TRUE(list.empty());
    EXPECT_FLOAT_EQ(tree.nodes[0].plane.w, c.root);
    EXPECT_FLOAT_EQ(tree.nodes[0].plane.nx, 1.0f);
    size_t held = 0;
    for (const CsgNode& n : tree.nodes)
      held += n.polygons.size();
    EXPECT_EQ(held, c.walls);
  }
}

// A chain of `depth` nodes, each plane x = -i facing +x with the next node
// behind it: deeper than any call stack.
CsgTree DeepChain(const CsgStorePtr& store, uint32_t depth) {
  CsgTree tree = MakeCsgTree(store);
  tree.nodes.resize(depth);
  for (uint32_t i = 0; i < depth; ++i) {
    tree.nodes[i].plane = CsgPlane{1, 0, 0, -float(i)};
    tree.nodes[i].back = i + 1 < depth ? i + 1 : kNoCsgNode;
    tree.nodes[i].parent = i > 0 ? i - 1 : kNoCsgNode;
  }
  tree.nodes[depth - 1].polygons.push_back(
      Add(*store, {V(-1e7f, 0, 0), V(-1e7f, 1, 0), V(-1e7f, 1, 1)}));
  return tree;
}

TEST(BspDeepTree, ClipInvertCollectAndFreeRunWithoutRecursion) {
  NullProgress quiet;
  auto store = MakeCsgStore();
  constexpr uint32_t kDepth = 400000;
  CsgTree tree = DeepChain(store, kDepth);
  // Inside every plane: clipped away at the bottom of the chain.
  CsgPolygonList inside{Add(*store, {V(-1e7f, 0, 0), V(-1e7f, 0, 1), V(-1e7f, 1, 0)})};
  ASSERT_EQ(ClipPolygons(tree, 0, inside, quiet), kCsgDone);
  EXPECT_TRUE(inside.empty());
  // Crossing the planes x = -2 .. -5: its pieces in front of each plane survive.
  CsgPolygonList crossing{Add(*store, {V(-5.5f, 0, 0), V(-1.5f, 0, 0), V(-1.5f, 1, 0)})};
  ASSERT_EQ(ClipPolygons(tree, 0, crossing, quiet), kCsgDone);
  float area = 0;
  for (CsgPolygonId id : crossing) {
    const auto v = PolygonVertices(*store, id);
    for (size_t k = 1; k + 1 < v.size(); ++k) {
      area += 0.5f * std::fabs((v[k].x - v[0].x) * (v[k + 1].y - v[0].y) -
                               (v[k + 1].x - v[0].x) * (v[k].y - v[0].y));
    }
  }
  EXPECT_NEAR(area, 2.0f, 1e-4f);  // the whole triangle: every piece is outside some plane
  ASSERT_EQ(InvertTree(tree, quiet), kCsgDone);
  EXPECT_EQ(tree.nodes[0].front, 1u);
  CsgPolygonList all;
  ASSERT_EQ(CollectPolygons(tree, all, quiet), kCsgDone);
  EXPECT_EQ(all.size(), 1u);
  EXPECT_EQ(FreeTree(tree, quiet), kCsgDone);
  EXPECT_TRUE(tree.nodes.empty());
}

// Cancels once the given progress text has been shown.
class CancelAtText : public NullProgress {
 public:
  explicit CancelAtText(std::string text) : text_(std::move(text)) {}
  bool IsCancelled() override {
    ++polls;
    return seen_;
  }
  void SetText(const std::string& text, int) override { seen_ = seen_ || text == text_; }
  int polls = 0;

 private:
  std::string text_;
  bool seen_ = false;
};

TEST(BspRelease, CancellingTheCleanUpStillReleasesEveryNode) {
  auto store = MakeCsgStore();
  CsgTree tree = DeepChain(store, 250000);
  CancelAtText cancel("Cleaning up...");
  EXPECT_EQ(FreeTree(tree, cancel), kCsgCancelled);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_EQ(cancel.polls, 1);  // asked once at the start; the release went on
}

TEST(BspRelease, AbandonedTreesAreFreedInTheBackground) {
  auto store = MakeCsgStore();
  CsgTree tree = DeepChain(store, 1000);
  ReleaseTreeInBackground(tree);
  EXPECT_TRUE(tree.nodes.empty());
  for (int i = 0; i < 500 && store.use_count() > 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(store.use_count(), 2);  // ours and the emptied tree's
}

// Tree booleans over two cubes, with every kernel step cancelled or starved.
TEST(BspBooleans, CancelAndMemoryFloorStopTheKernel) {
  const WorldMesh a = MakeWorldMesh(testing::MakeIndexedCube({0, 0, 0}, {2, 2, 2}));
  const WorldMesh b = MakeWorldMesh(testing::MakeIndexedCube({1, 1, 1}, {3, 3, 3}));
  Mesh out;
  {
    CancelAfter cancel(0);
    EXPECT_EQ(RunBooleanDriver(BooleanKind::kUnion, a, b, out, cancel), kCsgCancelled);
  }
  {
    CancelAtText cancel("Processing...");
    EXPECT_EQ(RunBooleanDriver(BooleanKind::kSubtract, a, b, out, cancel), kCsgCancelled);
    EXPECT_EQ(out.cornerCount, 0u);
  }
  {
    testing::MemoryOverride low(kCsgMemoryFloor - 1);
    NullProgress quiet;
    EXPECT_EQ(RunBooleanDriver(BooleanKind::kIntersection, a, b, out, quiet), kCsgOutOfMemory);
  }
  NullProgress quiet;
  EXPECT_EQ(RunBooleanDriver(BooleanKind::kIntersection, a, b, out, quiet), kCsgDone);
  EXPECT_NEAR(testing::MeshVolume(out), 1.0, 1e-4);
}

TEST(BspMesh, WorldMeshAppliesTheTransformAndSkipsDeadTriangles) {
  Mesh cube = testing::MakeIndexedCube({0, 0, 0}, {1, 1, 1});
  cube.scale = {2, 2, 2};
  cube.rotation = {0, 90, 0};
  cube.position = {10, 0, 0};
  for (int c = 0; c < 3; ++c)
    cube.corners.MutableData()[c].vertexIndex = kDeadIndex;
  const WorldMesh world = MakeWorldMesh(cube);
  ASSERT_TRUE(world.valid);
  EXPECT_EQ(world.corners.size(), 33u);
  testing::ExpectNear(world.positions[6], TransformPoint({1, 1, 1}, MeshTransformMatrix(cube)),
                      1e-4f);
  // Polygons back to a mesh: fan triangles with their own vertices.
  auto store = MakeCsgStore();
  CsgPolygonList list;
  NullProgress quiet;
  ASSERT_EQ(MeshToPolygons(*store, world, list, quiet), kCsgDone);
  EXPECT_EQ(list.size(), 11u);
  Mesh back;
  ASSERT_EQ(PolygonsToMesh(*store, list, back, quiet), kCsgDone);
  EXPECT_EQ(back.vertexCount, 33u);
  // The head (the last triangle) comes out first.
  testing::ExpectNear(back.positions[0], world.positions[world.corners[30].vertexIndex], 0);
}

}  // namespace
}  // namespace torvane
