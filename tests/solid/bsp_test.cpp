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

TEST(BspSplit, VerticesWithinTheToleranceAreOnThePlane) {
  const CsgPlane z0{0, 0, 1, 0};
  const struct {
    float z;
    CsgClass expected;
  } cases[] = {{0.001f, kCsgCoplanar},
               {-0.001f, kCsgCoplanar},
               {0.0011f, kCsgFront},
               {-0.0011f, kCsgBack},
               {0.0f, kCsgCoplanar}};
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyPoint(z0, V(3, 4, c.z)), c.expected) << c.z;
  }
}

TEST(BspSplit, CoplanarPolygonsGoByTheirOwnNormal) {
  auto store = MakeCsgStore();
  const CsgPlane z0{0, 0, 1, 0};
  const CsgPolygonId up = Add(*store, {V(0, 0, 0), V(1, 0, 0.0005f), V(0, 1, 0)});
  const CsgPolygonId down = Add(*store, {V(0, 0, 0), V(0, 1, 0), V(1, 0, 0)});
  // All three vertices within the tolerance, normal along Y: dot product 0.
  const CsgPolygonId sideways = Add(*store, {V(0, 0, 0), V(1, 0, 0), V(0, 0, 0.0005f)});
  const struct {
    CsgPolygonId id;
    bool front;
  } cases[] = {{up, true}, {down, false}, {sideways, false}};
  for (const auto& c : cases) {
    const Lists l = Split(*store, z0, c.id);
    EXPECT_EQ(l.coFront.size(), c.front ? 1u : 0u);
    EXPECT_EQ(l.coBack.size(), c.front ? 0u : 1u);
    EXPECT_TRUE(l.front.empty() && l.back.empty());
    // The input stays the caller's: the list holds a copy.
    const CsgPolygonId copy = c.front ? l.coFront[0] : l.coBack[0];
    EXPECT_NE(copy, c.id);
  }
}

TEST(BspSplit, SpanningTriangleWithAVertexOnThePlaneGivesTwoTriangles) {
  auto store = MakeCsgStore();
  const CsgPlane x0{1, 0, 0, 0};
  const CsgPolygonId t =
      Add(*store, {V(0, 1, 0, 0xFF000001u), V(-1, -1, 0, 0xFF000002u), V(1, -1, 0, 0xFF000003u)});
  const Lists l = Split(*store, x0, t);
  ASSERT_EQ(l.front.size(), 1u);
  ASSERT_EQ(l.back.size(), 1u);
  for (CsgPolygonId piece : {l.front[0], l.back[0]}) {
    const auto v = PolygonVertices(*store, piece);
    ASSERT_EQ(v.size(), 3u);
    int onPlane = 0;
    for (const CsgVertex& p : v)
      onPlane += (p.x == 0 && p.y == 1) ? 1 : 0;
    EXPECT_EQ(onPlane, 1);
    // The cut point on the edge from (-1,-1) to (1,-1) takes its start's colour.
    bool cut = false;
    for (const CsgVertex& p : v)
      cut |= (p.x == 0 && p.y == -1 && p.colour == 0xFF000002u);
    EXPECT_TRUE(cut);
  }
  EXPECT_EQ(PolygonVertices(*store, t).size(), 3u);
}

// A list (head first) of unit squares at x = position, facing +x or -x.
CsgPolygonList Walls(CsgStore& store, const std::vector<std::pair<float, float>>& walls) {
  CsgPolygonList list;
  for (auto it = walls.rbegin(); it != walls.rend(); ++it) {
    const float x = it->first;
    const bool plus = it->second > 0;
    list.push_back(plus ? Add(store, {V(x, 0, 0), V(x, 1, 0), V(x, 1, 1), V(x, 0, 1)})
                        : Add(store, {V(x, 0, 0), V(x, 0, 1), V(x, 1, 1), V(x, 1, 0)}));
  }
  return list;
}

TEST(BspBuild, RootPlaneIsTheMostBalancedOfTheFirstSixCandidates) {
  NullProgress quiet;
  struct Case {
    std::vector<float> positions;  // walls facing +x, head first
    float expectedRoot;
  };
  const Case cases[] = {
      // Three polygons: all scored, the middle one balances best.
      {{0, 1, 2}, 1},
      // Twenty: the perfectly balanced wall at 10 is the 11th and never scored;
      // of the first six, 5 splits 5 / 14 best.
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, 5},
      // Walls 1 and 2 of four both split 1 against 2: the earlier wins.
      {{0, 1, 2, 3}, 1},
  };
  for (const Case& c : cases) {
    auto store = MakeCsgStore();
    std::vector<std::pair<float, float>> walls;
    for (float x : c.positions)
      walls.push_back({x, 1});
    CsgPolygonList list = Walls(*store, walls);
    CsgTree tree = MakeCsgTree(store);
    ASSERT_EQ(BuildTree(tree, list, quiet), kCsgDone);
    EXPECT_TRUE(list.empty());
    EXPECT_FLOAT_EQ(tree.nodes[0].plane.w, c.expectedRoot);
    EXPECT_FLOAT_EQ(tree.nodes[0].plane.nx, 1.0f);
    size_t held = 0;
    for (const CsgNode& n : tree.nodes)
      held += n.polygons.size();
    EXPECT_EQ(held, c.positions.size());
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
