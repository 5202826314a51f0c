// The steps a boolean runs on two cores: the clips of each tree by the other,
// the second operand's tree and the builds with a second core walking ahead,
// against the same steps one after the other.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "core/null_progress.h"
#include "solid/bsp_internal.h"
#include "solid/side_task.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using namespace testing;

struct Pair {
  CsgStorePtr store = MakeCsgStore();
  CsgTree a = MakeCsgTree(store), b = MakeCsgTree(store);
};

void Build(CsgStore& store, CsgTree& tree, const Mesh& mesh) {
  NullProgress quiet;
  CsgPolygonList list;
  ASSERT_EQ(MeshToPolygons(store, MakeWorldMesh(mesh), list, quiet), kCsgDone);
  ASSERT_EQ(BuildTree(tree, list, quiet), kCsgDone);
}

Pair BuildPair(const Mesh& ma, const Mesh& mb) {
  Pair p;
  Build(*p.store, p.a, ma);
  Build(*p.store, p.b, mb);
  return p;
}

// Field by field: a polygon has padding after its counts.
bool SamePolygon(const CsgPolygon& p, const CsgPolygon& q) {
  return std::memcmp(&p.ball, &q.ball, sizeof p.ball) == 0 &&
         std::memcmp(&p.plane, &q.plane, sizeof p.plane) == 0 && p.firstVertex == q.firstVertex &&
         p.count == q.count;
}

void ExpectSameStore(const CsgStore& x, const CsgStore& y) {
  ASSERT_EQ(x.polygons.size(), y.polygons.size());
  ASSERT_EQ(x.vertices.size(), y.vertices.size());
  for (size_t i = 0; i < x.polygons.size(); ++i)
    ASSERT_TRUE(SamePolygon(x.polygons[i], y.polygons[i])) << "polygon " << i;
  EXPECT_EQ(
      std::memcmp(x.vertices.data(), y.vertices.data(), x.vertices.size() * sizeof(CsgVertex)), 0);
}

void ExpectSameLists(const CsgTree& x, const CsgTree& y) {
  ASSERT_EQ(x.nodes.size(), y.nodes.size());
  for (size_t n = 0; n < x.nodes.size(); ++n)
    ASSERT_EQ(x.nodes[n].polygons, y.nodes[n].polygons) << "node " << n;
}

// Both clips cut pieces, so pieces made on the second core must be
// renumbered behind the first's, in the store and in the lists alike: the
// two trees clipped by each other side by side, and each clip's nodes in
// two halves (the spheres have enough polygons for that), against plain
// passes one after the other.
TEST(SideBySide, ClipsEqualTheClipsOneAfterTheOther) {
  const Mesh ma = Sphere(10, {}, 64, 40), mb = Sphere(10, {5, 3, 2}, 48, 48);
  NullProgress quiet;
  Pair serial = BuildPair(ma, mb), each = BuildPair(ma, mb), halves = BuildPair(ma, mb);
  const size_t before = serial.store->polygons.size();
  ASSERT_EQ(bsp::ClipToIn(serial.a, serial.b, *serial.store, quiet), kCsgDone);
  const size_t afterFirst = serial.store->polygons.size();
  ASSERT_EQ(bsp::ClipToIn(serial.b, serial.a, *serial.store, quiet), kCsgDone);
  ASSERT_GT(afterFirst, before);
  ASSERT_GT(serial.store->polygons.size(), afterFirst);

  ASSERT_EQ(bsp::ClipEachOther(each.a, each.b, quiet), kCsgDone);
  ASSERT_EQ(ClipTo(halves.a, halves.b, quiet), kCsgDone);
  ASSERT_EQ(ClipTo(halves.b, halves.a, quiet), kCsgDone);
  for (const Pair* p : {&each, &halves}) {
    ExpectSameStore(*serial.store, *p->store);
    ExpectSameLists(serial.a, p->a);
    ExpectSameLists(serial.b, p->b);
  }
}

// The boolean builds the second tree in a store of its own and moves it in.
TEST(SideBySide, AMovedTreeEqualsOneBuiltInTheSharedStore) {
  const Mesh ma = Sphere(10, {}, 24, 12), mb = Sphere(7, {4, 0, 0}, 24, 12);
  Pair serial = BuildPair(ma, mb), fresh;
  Build(*fresh.store, fresh.a, ma);
  CsgStorePtr own = MakeCsgStore();
  fresh.b.store = own;
  Build(*own, fresh.b, mb);
  bsp::MovePieces(*own, 0, 0, *fresh.store, fresh.b);
  ExpectSameStore(*serial.store, *fresh.store);
  ExpectSameLists(serial.b, fresh.b);
}

// A second core walking ahead along long chains only saves the build steps:
// the tree and the store are those of the plain build, for a fresh tree of
// two crossing spheres and for one sphere's polygons built into the other's
// tree (the two builds that end a boolean).
TEST(SideBySide, ABuildWithALookaheadEqualsThePlainBuild) {
  const Mesh ma = Sphere(10, {}, 64, 40), mb = Sphere(10, {5, 3, 2}, 48, 48);
  NullProgress quiet;
  for (const bool intoA : {false, true}) {
    SCOPED_TRACE(intoA ? "into a tree" : "fresh tree");
    Pair plain = BuildPair(ma, mb), ahead = BuildPair(ma, mb);
    CsgTree plainOut = MakeCsgTree(plain.store), aheadOut = MakeCsgTree(ahead.store);
    CsgPolygonList plainList, aheadList;
    ASSERT_EQ(CollectPolygons(plain.b, plainList, quiet), kCsgDone);
    ASSERT_EQ(CollectPolygons(ahead.b, aheadList, quiet), kCsgDone);
    if (!intoA) {
      CsgPolygonList more;
      ASSERT_EQ(CollectPolygons(plain.a, more, quiet), kCsgDone);
      plainList.insert(plainList.end(), more.begin(), more.end());
      aheadList = plainList;
    }
    ASSERT_GT(plainList.size(), 4096u);  // long enough for the second core
    CsgTree& x = intoA ? plain.a : plainOut;
    CsgTree& y = intoA ? ahead.a : aheadOut;
    const size_t before = plain.store->polygons.size();
    ASSERT_EQ(BuildTree(x, plainList, quiet), kCsgDone);
    ASSERT_EQ(bsp::BuildTreeOnTwoCores(y, aheadList, quiet), kCsgDone);
    ASSERT_GT(plain.store->polygons.size(), before);  // the build cut pieces
    ExpectSameStore(*plain.store, *ahead.store);
    ExpectSameLists(x, y);
    for (size_t n = 0; n < x.nodes.size(); ++n) {
      ASSERT_EQ(std::memcmp(&x.nodes[n].plane, &y.nodes[n].plane, sizeof(CsgPlane)), 0);
      ASSERT_EQ(x.nodes[n].front, y.nodes[n].front);
      ASSERT_EQ(x.nodes[n].back, y.nodes[n].back);
    }
  }
}

// A Cancel in the caller's window stops the job at its own polling point.
TEST(SideBySide, TheCallersCancelReachesTheJob) {
  std::atomic<bool> started{false};
  SideTask task([&](ProgressMonitor& m) {
    started = true;
    while (!m.IsCancelled()) {
    }
    return kCsgCancelled;
  });
  CancelAfter cancel(0);
  EXPECT_TRUE(task.Finish(cancel) == kCsgCancelled && started);
}

}  // namespace
}  // namespace torvane
