// SceneObject: the two copies (for adding and for a history snapshot) and
// what each takes along; editing caches never travel, and a snapshot's move
// cache must be rebuilt before use.
#include "core/scene_object.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

SceneObject MakeBusyObject() {
  SceneObject o;
  AppendTriangle(o.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF808080u);
  o.id = 7;
  o.worldMatrix.m[12] = 4;
  o.outlineShapes.push_back({{OutlineSegment{{0, 0, 0}, {1, 0, 0}, {}, true}}});
  o.outlineMode = 2;
  o.outlineWork.push_back({});
  o.lineSlots[3].inUse = true;
  SelectionRecord r;
  r.elementType = kSelectTriangle;
  r.indices = {0, 1, 2, 0, 1, 2};
  PushSelectionRecord(o.selectionRecords, r);
  o.selected = o.primarySelected = o.showBoundingBox = o.outlineFlagC = o.pickFlag = true;
  o.moveCacheStale = false;
  o.moveVertices = {0, 1};
  o.moveTriangles = {0};
  o.metadata.Set("ObjectName", "Busy");
  o.pickPoint = {1, 2, 3};
  return o;
}

TEST(SceneObject, CopiesTakeTheModelAndLeaveTheEditingStateBehind) {
  const SceneObject src = MakeBusyObject();
  for (bool snapshot : {false, true}) {
    SCOPED_TRACE(snapshot ? "snapshot" : "adding");
    SceneObject dst;  // a snapshot copy may land on an object in use
    if (snapshot) {
      dst.id = 99;
      dst.moveVertices = {5};
      dst.outlineWork.push_back({});
      dst.lineSlots[0].inUse = true;
    }
    ASSERT_TRUE(snapshot ? CopyObjectForSnapshot(src, dst) : CopyObjectForAdding(src, dst));
    EXPECT_EQ(dst.id, 7u) << "a snapshot, or a destination without an id, takes the source's";
    EXPECT_EQ(dst.worldMatrix.m[12], 4);
    EXPECT_TRUE(dst.mesh.corners.SharesStorageWith(src.mesh.corners));
    EXPECT_EQ(dst.outlineShapes.size(), 1u);
    EXPECT_EQ(dst.metadata.GetOr("ObjectName", ""), "Busy");
    EXPECT_FALSE(dst.primarySelected);
    EXPECT_EQ(dst.outlineFlagC && dst.pickFlag && dst.pickPoint.z == 3, snapshot);
    EXPECT_TRUE(dst.moveVertices.empty() && dst.moveTriangles.empty() && dst.outlineWork.empty());
    EXPECT_TRUE(dst.moveCacheStale) << "an empty move cache must be rebuilt before use";
    for (const OutlineSegment& slot : dst.lineSlots)
      EXPECT_FALSE(slot.inUse);
  }
  SceneObject withId;
  withId.id = 3;
  ASSERT_TRUE(CopyObjectForAdding(src, withId));
  EXPECT_EQ(withId.id, 3u);
  EXPECT_TRUE(withId.selected && withId.showBoundingBox && withId.selectionRecords.size() == 1);
  EXPECT_EQ(withId.outlineMode, 2u);

  // The snapshot is independent of later edits to the original.
  SceneObject live = MakeBusyObject();
  SceneObject snapshot;
  ASSERT_TRUE(CopyObjectForSnapshot(live, snapshot));
  SetCornerColour(live.mesh, 0, 0xFF0000FFu);
  AppendTriangle(live.mesh, {5, 5, 5}, {6, 5, 5}, {5, 6, 5}, 0);
  EXPECT_EQ(TriangleCount(snapshot.mesh), 1u);
  EXPECT_EQ(snapshot.mesh.corners[0].colour, 0xFF808080u);
}

}  // namespace
}  // namespace torvane
