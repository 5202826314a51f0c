// SceneObject: the two copies (for adding and for a history snapshot) and
// what each takes along.
#include "core/scene_object.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

SceneObject MakeTriangleObject() {
  SceneObject o;
  AppendTriangle(o.mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0xFF808080u);
  return o;
}

SceneObject MakeBusyObject() {
  SceneObject o = MakeTriangleObject();
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
  o.selected = true;
  o.primarySelected = true;
  o.showBoundingBox = true;
  o.moveCacheStale = false;
  o.outlineFlagC = true;
  o.moveVertices = {0, 1};
  o.moveTriangles = {0};
  o.metadata.Set("ObjectName", "Busy");
  o.pickFlag = true;
  o.pickPoint = {1, 2, 3};
  return o;
}

TEST(SceneObject, CopyForAddingTakesGeometryOutlinesSelectionAndMetadata) {
  const SceneObject src = MakeBusyObject();
  SceneObject dst;
  ASSERT_TRUE(CopyObjectForAdding(src, dst));
  EXPECT_EQ(dst.id, 7u) << "a destination without an id takes the source's";
  EXPECT_EQ(dst.worldMatrix.m[12], 4);
  EXPECT_TRUE(dst.mesh.corners.SharesStorageWith(src.mesh.corners));
  EXPECT_EQ(dst.outlineShapes.size(), 1u);
  EXPECT_EQ(dst.outlineMode, 2u);
  ASSERT_EQ(dst.selectionRecords.size(), 1u);
  EXPECT_TRUE(dst.selected && dst.showBoundingBox);
  EXPECT_EQ(dst.metadata.GetOr("ObjectName", ""), "Busy");
  // Editing state stays behind.
  EXPECT_FALSE(dst.primarySelected || dst.outlineFlagC || dst.pickFlag);
  EXPECT_TRUE(dst.moveCacheStale);
  EXPECT_TRUE(dst.moveVertices.empty());
  EXPECT_TRUE(dst.outlineWork.empty());
  EXPECT_FALSE(dst.lineSlots[3].inUse);

  SceneObject withId;
  withId.id = 3;
  ASSERT_TRUE(CopyObjectForAdding(src, withId));
  EXPECT_EQ(withId.id, 3u);
}

TEST(SceneObject, SnapshotCopyAlsoTakesIdAndPickStateButNoCaches) {
  const SceneObject src = MakeBusyObject();
  SceneObject dst;
  dst.id = 99;
  dst.moveVertices = {5};
  dst.outlineWork.push_back({});
  dst.lineSlots[0].inUse = true;
  ASSERT_TRUE(CopyObjectForSnapshot(src, dst));
  EXPECT_EQ(dst.id, 7u);
  EXPECT_TRUE(dst.outlineFlagC && dst.pickFlag);
  EXPECT_FLOAT_EQ(dst.pickPoint.z, 3);
  EXPECT_EQ(dst.outlineShapes.size(), 1u);
  EXPECT_EQ(dst.metadata.GetOr("ObjectName", ""), "Busy");
  EXPECT_FALSE(dst.primarySelected);
  EXPECT_TRUE(dst.moveVertices.empty() && dst.moveTriangles.empty());
  EXPECT_TRUE(dst.moveCacheStale) << "an empty move cache must be rebuilt before use";
  EXPECT_TRUE(dst.outlineWork.empty());
  for (const OutlineSegment& slot : dst.lineSlots)
    EXPECT_FALSE(slot.inUse);

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
