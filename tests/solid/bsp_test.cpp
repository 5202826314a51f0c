// The BSP kernel: classification at the tolerance, cutting, the choice of
// the root plane, deep trees, cancellation and the release of trees; and
// its shortcuts, each against the plain per-vertex, node-by-node
// computation: a polygon's ball deciding its side of a plane, the
// per-polygon walk with its runs of planes, and the build.
// Solids made by commands, each closed, facing outward and holding the
// volume its shape implies. Union, Intersection and Subtract over a
// document: operand order, quick paths, notices, cancellation, memory,
// undo, and the geometry of the results.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "core/history.h"
#include "core/manipulation.h"
#include "core/primitives.h"
#include "solid/bsp_internal.h"

#include "solid_test_support.h"

namespace torvane {
namespace {

using namespace testing;

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
  for (float z : {0.001f, -0.001f, 0.0f})
    EXPECT_EQ(ClassifyPoint(z0, V(3, 4, z)), kCsgCoplanar) << z;
  EXPECT_TRUE(ClassifyPoint(z0, V(3, 4, 0.0011f)) == kCsgFront &&
              ClassifyPoint(z0, V(3, 4, -0.0011f)) == kCsgBack);

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
  EXPECT_TRUE(all.size() == 1u && FreeTree(tree, quiet) == kCsgDone && tree.nodes.empty());
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

// Cancelling the clean-up still releases every node; abandoned trees are
// freed in the background.
TEST(BspRelease, EveryNodeIsReleasedEvenWhenCancelledOrAbandoned) {
  auto store = MakeCsgStore();
  CsgTree tree = DeepChain(store, 250000);
  CancelAtText cancel("Cleaning up...");
  EXPECT_TRUE(FreeTree(tree, cancel) == kCsgCancelled && tree.nodes.empty());
  EXPECT_EQ(cancel.polls, 1);  // asked once at the start; the release went on
  CsgTree abandoned = DeepChain(store, 1000);
  ReleaseTreeInBackground(abandoned);
  EXPECT_TRUE(abandoned.nodes.empty());
  for (int i = 0; i < 500 && store.use_count() > 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(store.use_count(), 3);  // ours and the two emptied trees'
}

// Tree booleans over two cubes, with every kernel step cancelled or starved.
TEST(BspBooleans, CancelAndMemoryFloorStopTheKernel) {
  const WorldMesh a = MakeWorldMesh(Cube({0, 0, 0}, {2, 2, 2}));
  const WorldMesh b = MakeWorldMesh(Cube({1, 1, 1}, {3, 3, 3}));
  Mesh out;
  CancelAfter first(0);
  EXPECT_EQ(RunBooleanDriver(BooleanKind::kUnion, a, b, out, first), kCsgCancelled);
  CancelAtText processing("Processing...");
  EXPECT_EQ(RunBooleanDriver(BooleanKind::kSubtract, a, b, out, processing), kCsgCancelled);
  EXPECT_EQ(out.cornerCount, 0u);
  NullProgress quiet;
  {
    MemoryOverride low(kCsgMemoryFloor - 1);
    EXPECT_EQ(RunBooleanDriver(BooleanKind::kIntersection, a, b, out, quiet), kCsgOutOfMemory);
  }
  EXPECT_EQ(RunBooleanDriver(BooleanKind::kIntersection, a, b, out, quiet), kCsgDone);
  EXPECT_NEAR(MeshVolume(out), 1.0, 1e-4);
}

TEST(BspMesh, WorldMeshAppliesTheTransformAndSkipsDeadTriangles) {
  Mesh cube = Cube({0, 0, 0}, {1, 1, 1});
  cube.scale = {2, 2, 2};
  cube.rotation = {0, 90, 0};
  cube.position = {10, 0, 0};
  for (int c = 0; c < 3; ++c)
    cube.corners.MutableData()[c].vertexIndex = kDeadIndex;
  const WorldMesh world = MakeWorldMesh(cube);
  ASSERT_TRUE(world.valid);
  EXPECT_EQ(world.corners.size(), 33u);
  ExpectNear(world.positions[6], TransformPoint({1, 1, 1}, MeshTransformMatrix(cube)), 1e-4f);
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
  ExpectNear(back.positions[0], world.positions[world.corners[30].vertexIndex], 0);
}

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
      {Sphere(10, far, 32, 16), Sphere(10, far + Vec3{5, 3, 2}, 24, 12)},
      {Sphere(10, {}, 32, 16), Sphere(7, {0, 4, 0}, 32, 16)},
      {Sphere(2, {}, 24, 12), Cube({-1, 1.5f, -1}, {1, 3, 1})},
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
  Mesh inside = Sphere(10, {1000, 0, 0}, 24, 12);
  for (uint32_t c = 0; c + 2 < inside.cornerCount; c += 3)
    std::swap(inside.corners.MutableData()[c + 1], inside.corners.MutableData()[c + 2]);
  const std::vector<std::vector<Mesh>> series = {
      {Sphere(10, {1000, 0, 0}, 32, 16), Sphere(10, {1005, 3, 2}, 24, 12),
       Cube({995, -4, -4}, {1012, 4, 4})},
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

constexpr BooleanKind kKinds[3] = {BooleanKind::kUnion, BooleanKind::kIntersection,
                                   BooleanKind::kSubtract};

size_t LiveCount(const Document& doc) {
  size_t n = 0;
  for (const auto& o : doc.objects)
    n += (o && IsLive(*o)) ? 1 : 0;
  return n;
}

// The one object left by the boolean of `meshes` (nullptr: none or several).
const SceneObject* Combine(Document& doc, BooleanKind kind, const std::vector<Mesh>& meshes) {
  AddSelected(doc, meshes);
  EXPECT_EQ(BooleanCommand(doc, kind, QuietRunner()).status, kStatusDone);
  return OnlyLiveObject(doc);
}

TEST(Booleans, ResultsAreClosedAndRightInVolume) {
  const Mesh sphere = Sphere(5, {}, 32, 16);
  const double vs = MeshVolume(sphere);
  ASSERT_GT(vs, 0);
  // Moved and scaled by its transform, not its vertices: (1..3)^3 in the world.
  Mesh moved = Cube();
  moved.scale = {2, 2, 2};
  moved.position = {1, 1, 1};
  const struct {
    const char* what;
    Mesh a, b;
    double volumes[3];  // union, intersection, subtract; < 0: no object is left
    double tolerance;   // relative
  } cases[] = {
      {"overlapping", Cube({}, {2, 2, 2}), Cube({1, 1, 1}, {3, 3, 3}), {15, 1, 7}, 1e-5},
      // Touching along a face: the coplanar faces must cancel, not double.
      {"touching", Cube(), Cube({1, 0, 0}, {2, 1, 1}), {2, -1, 1}, 1e-5},
      // Four faces of each lie in the same planes.
      {"shared planes", Cube({}, {2, 2, 2}), Cube({1, 0, 0}, {3, 2, 2}), {12, 4, 4}, 1e-5},
      // The sphere is symmetric in the coordinate planes: one octant each.
      {"sphere", sphere, Cube({}, {10, 10, 10}), {1000 + vs * 7 / 8, vs / 8, vs * 7 / 8}, 1e-4},
      {"transformed operand", Cube({}, {2, 2, 2}), moved, {15, 1, 7}, 1e-4},
  };
  for (const auto& c : cases) {
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE(::testing::Message() << c.what << ", kind " << k);
      Document doc;
      const SceneObject* result = Combine(doc, kKinds[k], {c.a, c.b});
      if (c.volumes[k] < 0) {
        EXPECT_EQ(LiveCount(doc), 0u);
        continue;
      }
      ASSERT_NE(result, nullptr);
      EXPECT_NEAR(MeshVolume(result->mesh), c.volumes[k], c.volumes[k] * c.tolerance);
      EXPECT_EQ(OpenEdgeCount(result->mesh), 0u);
      EXPECT_TRUE(result->mesh.scale.x == 1 && result->mesh.position.x == 0) << "baked";
    }
  }
}

TEST(Booleans, OverlappingSpheresAgreeWithEachOtherAndTheLensFormula) {
  const float r = 10;
  const Vec3 offset{5, 3, 2};
  const Mesh a = Sphere(r, {}, 48, 24), b = Sphere(r, offset, 48, 24);
  double volume[3] = {};
  for (int k = 0; k < 3; ++k) {
    Document doc;
    const SceneObject* result = Combine(doc, kKinds[k], {a, b});
    ASSERT_NE(result, nullptr);
    // Closed; where the spheres meet at grazing angles the kernel's
    // tolerance can leave a fold of surface over a crack, so a handful of
    // edges out of tens of thousands are shared by four triangles.
    EXPECT_EQ(OpenEdgeCount(result->mesh, true), 0u) << k;
    EXPECT_LE(OpenEdgeCount(result->mesh), 16u) << k;
    volume[k] = MeshVolume(result->mesh);
  }
  const double va = MeshVolume(a), vb = MeshVolume(b);
  EXPECT_NEAR(volume[0] + volume[1], va + vb, va * 1e-4);
  EXPECT_NEAR(volume[2], va - volume[1], va * 1e-4);
  const double d = std::sqrt(double(Dot(offset, offset)));
  const double lens = M_PI * (4 * r + d) * (2 * r - d) * (2 * r - d) / 12;
  EXPECT_NEAR(volume[1], lens, lens * 0.02);
}

TEST(Booleans, SubtractTakesTheOthersFromTheFirstSelected) {
  Document doc;
  // Scene order C, A, B; selected A, B, C.
  const auto c = AddSelected(doc, {Cube({0, 0, 3}, {4, 4, 4})});
  const auto ab = AddSelected(doc, {Cube({}, {4, 4, 4}), Cube({}, {1, 4, 4})});
  DeselectAll(doc);
  for (uint32_t id : {ab[0], ab[1], c[0]}) {
    SelectObject(*FindObject(doc, id));
    AddToSelection(doc, id);
  }
  doc.forceRecord = true;  // as the commands that added them leave it
  const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kSubtract, QuietRunner());
  EXPECT_EQ(outcome.statusText,
            "Subtract: The target object has had the other selected objects taken away from it");
  const SceneObject* result = OnlyLiveObject(doc);
  ASSERT_NE(result, nullptr);
  EXPECT_NEAR(MeshVolume(result->mesh), 64 - 16 - 12, 1e-3);
  EXPECT_TRUE(result->selected && doc.selection == std::vector<uint32_t>{result->id});
  // One Undo brings the three operands back.
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(LiveCount(doc), 3u);
}

// Boxes that do not meet take the quick paths (the kernel never builds a
// tree); outcomes without a solid add no object.
TEST(Booleans, QuickPathsAndEmptyOutcomes) {
  const Mesh near1 = Cube(), near2 = Cube({0.5f, 0.5f, 0.5f}, {2, 2, 2});
  const Mesh far = Cube({5, 5, 5}, {6, 6, 6});
  const BooleanKind kU = BooleanKind::kUnion, kI = BooleanKind::kIntersection,
                    kS = BooleanKind::kSubtract;
  const std::string none = "Intersection: There was no common intersection of the ";
  const std::string taken =
      "Subtract: The target object has had the other selected objects taken away from it";
  const struct {
    BooleanKind kind;
    std::vector<Mesh> meshes;
    uint32_t triangles;  // of the one object left; 0: none left
    std::string notice;
    bool quick;
  } cases[] = {
      // clang-format off
      {kU, {near1, far}, 24, "Union: The 2 selected objects were combined into 1", true},
      {kI, {near1, far}, 0, none + "2 selected objects", true},
      // The third misses the other two.
      {kI, {near1, near2, far}, 0, none + "3 selected objects", false},
      {kS, {near1, far}, 12, taken, true},
      // Overlapping by less than the kernel's tolerance: no solid in common.
      {kI, {near1, Cube({0.9995f, 0, 0}, {2, 1, 1})}, 0, none + "2 selected objects", false},
      // The second takes everything; the third never becomes the result.
      {kS, {near2, Cube({}, {4, 4, 4}), far}, 0, "Subtract: There is nothing left of the target "
       "object after the other selected objects were taken away from it", false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notice);
    Document doc;
    AddSelected(doc, c.meshes);
    std::vector<std::string> texts;
    auto runner = [&](const std::string&, const std::function<int(ProgressMonitor&)>& step) {
      CancelAfter recorder(1 << 30);
      const int status = step(recorder);
      texts.insert(texts.end(), recorder.texts.begin(), recorder.texts.end());
      return status;
    };
    EXPECT_EQ(BooleanCommand(doc, c.kind, runner).statusText, c.notice);
    const SceneObject* result = OnlyLiveObject(doc);
    EXPECT_EQ(result ? TriangleCount(result->mesh) : 0u, c.triangles);
    EXPECT_EQ(LiveCount(doc), c.triangles ? 1u : 0u);
    EXPECT_TRUE(!c.quick || std::count(texts.begin(), texts.end(), "Build first tree") == 0);
  }
  // One operand: nothing to do.
  Document doc;
  AddSelected(doc, {near1});
  const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kUnion, QuietRunner());
  EXPECT_TRUE(!outcome.changed && outcome.statusText.empty() && LiveCount(doc) == 1);
}

TEST(Booleans, CancelOrMemoryShortageLeavesTheSceneAsItWas) {
  for (bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory" : "cancel");
    Document doc;
    AddSelected(
        doc, {Cube({}, {2, 2, 2}), Cube({1, 1, 1}, {3, 3, 3}), Cube({1.5f, 0, 0}, {2.5f, 1, 1})});
    const std::vector<uint32_t> before = doc.selection;
    int step = 0;
    // The second step runs cancelled or below the kernel's memory floor.
    auto runner = [&](const std::string& title, const std::function<int(ProgressMonitor&)>& body) {
      EXPECT_EQ(title, "Union");
      CancelAfter monitor(++step < 2 || memory ? 1 << 30 : 0);
      std::optional<MemoryOverride> low;
      if (step == 2 && memory) low.emplace(kCsgMemoryFloor - 1);
      return body(monitor);
    };
    const CommandOutcome outcome = BooleanCommand(doc, BooleanKind::kUnion, runner);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(outcome.status, memory ? kStatusFailed : kStatusCancelled);
    EXPECT_EQ(outcome.errorText,
              memory ? "Union: Not enough memory to complete the operation" : "");
    EXPECT_TRUE(!(outcome.changed || CanUndo(doc)) && LiveCount(doc) == 3u);
    EXPECT_EQ(doc.selection, before);
  }
}

}  // namespace
}  // namespace torvane
