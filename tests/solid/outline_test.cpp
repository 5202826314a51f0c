// Outlines: the shapes made from the anchor and the pointer in each view,
// the press/drag/press protocol with its slots and history, the line chain
// and the selection rectangle; and outlines turned into solids: flat faces
// of drawn shapes and of line outlines in either winding, Extrude with its
// walls and selected cap, the slice forms of rectangles, circles and
// concave outlines, and the commands with undo.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "core/history.h"
#include "core/manipulation.h"
#include "core/primitives.h"
#include "solid/outline.h"
#include "solid_test_support.h"

namespace torvane {
namespace {

using namespace testing;

// Draws a shape (two presses) or a line chain (a press per point) in a new
// document, as the views do.
SceneObject& Draw(Document& doc, uint32_t mode, int view, const std::vector<Vec3>& points) {
  SetDrawMode(doc, mode);
  for (const Vec3& p : points) {
    DragToDraw(doc, view, p);
    PressToDraw(doc, view, p);
  }
  SetDrawMode(doc, kDrawSelect2D);
  return *FindObject(doc, doc.outlineObjectId);
}

double PolygonArea(const std::vector<Vec3>& p) {
  double a = 0.0;
  for (size_t i = 0; i < p.size(); ++i)
    a += double(p[i].x) * p[(i + 1) % p.size()].y - double(p[(i + 1) % p.size()].x) * p[i].y;
  return std::fabs(a) * 0.5;
}

double FaceArea(const MeshParts& parts) {
  double area = 0.0;
  for (const TriangleIndices& t : parts.triangles)
    area += 0.5 * Length(Cross(parts.positions[t[1]] - parts.positions[t[0]],
                               parts.positions[t[2]] - parts.positions[t[0]]));
  return area;
}

// A U with its notch from the top: concave, and two spans on the slice
// lines through its legs.
const std::vector<Vec3> kU = {{0, 0, 0}, {6, 0, 0}, {6, 4, 0}, {4, 4, 0},
                              {4, 1, 0}, {2, 1, 0}, {2, 4, 0}, {0, 4, 0}};

TEST(FlatFace, ShapesReduceByAlternateVerticesAndLineOutlinesClipEarsInEitherWinding) {
  for (size_t n : {4, 5, 26})
    EXPECT_EQ(AlternateVertexTriangles(n).size(), n - 2);

  Document doc;
  SceneObject& circle = Draw(doc, kDrawCircle, kPlaneFront, {{0, 0, 0}, {3, 0, 0}});
  const MeshParts face = FlatFaceParts(circle);
  ASSERT_TRUE(face.positions.size() == 26 && face.triangles.size() == 24);
  for (const TriangleIndices& t : face.triangles)
    // Every triangle turns the same way.
    EXPECT_GT(FaceNormal(face.positions[t[0]], face.positions[t[1]], face.positions[t[2]]).z,
              0.99f);

  const std::vector<Vec3> reversed(kU.rbegin(), kU.rend());
  // Three points on one straight side add no triangle of zero area.
  const std::vector<Vec3> straight = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
  for (const auto* points : {&kU, &reversed, &straight}) {
    const auto triangles = EarClipTriangles(*points, kPlaneFront);
    EXPECT_EQ(triangles.size(), points->size() - 2 - (points == &straight));
    // Covered once, no overlap.
    EXPECT_NEAR(FaceArea({*points, triangles}), PolygonArea(*points), 1e-4);
  }
}

TEST(Extrude, WallsOnTheOuterEdgesOnlyAndTheCapSelectedForDepth) {
  Document doc;
  SceneObject& circle = Draw(doc, kDrawCircle, kPlaneFront, {{1, 2, 0}, {4, 2, 0}});
  const double area = FaceArea(FlatFaceParts(circle));
  ASSERT_TRUE(ExtrudeOutline(circle));
  // 24 base and 24 cap triangles, two wall triangles on each of 26 edges.
  EXPECT_EQ(TriangleCount(circle.mesh), 24u + 24u + 52u);
  EXPECT_TRUE(circle.mesh.vertexCount == 52 && circle.outlineShapes.empty());
  EXPECT_NEAR(circle.mesh.nudge.z, 1.0f, 1e-5f);
  // The cap is selected; it stands on the duplicated vertices.
  ASSERT_EQ(circle.selectionRecords.size(), 24u);
  for (const SelectionRecord& r : circle.selectionRecords)
    EXPECT_TRUE(r.elementType == kSelectTriangle && r.indices[0] >= 26);
  // Re-centred: the local bounds centre on the origin, the position holds
  // where the circle was drawn.
  ExpectNear(circle.mesh.position, {1, 2, 0}, 0.02f);
  EXPECT_NEAR(MeshCentre(circle.mesh).x, 0.0f, 1e-5f);

  MoveCapAlongExtrusion(circle, 2.5f);
  EXPECT_TRUE(IsClosedAndOriented(circle.mesh));
  EXPECT_NEAR(MeshVolume(circle.mesh), area * 2.5, 1e-3 * area);

  SceneObject& u = Draw(doc, kDrawLine, kPlaneFront, kU);
  ASSERT_TRUE(ExtrudeOutline(u));
  MoveCapAlongExtrusion(u, 1.5f);
  EXPECT_TRUE(IsClosedAndOriented(u.mesh));
  EXPECT_NEAR(MeshVolume(u.mesh), PolygonArea(kU) * 1.5, 1e-3);
}

TEST(FormBySlices, EveryOutlineBecomesAClosedSolidOfTheVolumeItsRingsImply) {
  const std::vector<Vec3> uR(kU.rbegin(), kU.rend());  // the other winding
  const std::vector<Vec3> bow = {{0, 0, 0}, {4, 0, 2}, {4, 0, 0}, {0, 0, 2}};
  const SliceDirection across = SliceDirection::kHorizontal, along = SliceDirection::kVertical;
  // Concave: the base's span of 6 for one unit, then two legs of 2; or the
  // legs' spans of 4, the base's span of 1 between them.
  const double uAcross = RingArea(3) + 2 * RingArea(1) * 3;
  const double uAlong = 2 * RingArea(2) * 2 + RingArea(0.5) * 2;
  const struct {
    const char* what;
    uint32_t mode;
    int view;
    std::vector<Vec3> points;
    SliceDirection direction;
    double volume, tolerance;  // relative; volume 0: any positive volume
  } cases[] = {
      // Two rings of radius 1, 8 apart along x, capped.
      {"rectangle", kDrawRectangle, kPlaneFront, {{}, {8, 2, 0}}, along, RingArea(1) * 8, 1e-4},
      // Rings in XY planes closed with fans at the extremes: nearly a sphere.
      {"circle", kDrawCircle, kPlaneTop, {{}, {5, 0, 0}}, across, 4 * M_PI * 125 / 3, 0.05},
      {"U across", kDrawLine, kPlaneFront, kU, across, uAcross, 1e-3},
      {"U across, reversed", kDrawLine, kPlaneFront, uR, across, uAcross, 1e-3},
      {"U along", kDrawLine, kPlaneFront, kU, along, uAlong, 1e-3},
      {"U along, reversed", kDrawLine, kPlaneFront, uR, along, uAlong, 1e-3},
      // A crossed outline: closed parts meeting at the crossing.
      {"bow across", kDrawLine, kPlaneTop, bow, across, 0, 0},
      {"bow along", kDrawLine, kPlaneTop, bow, along, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc;
    SceneObject& solid = Draw(doc, c.mode, c.view, c.points);
    ASSERT_TRUE(FormBySlices(solid, c.direction));
    EXPECT_TRUE(IsClosedAndOriented(solid.mesh));
    EXPECT_GT(MeshVolume(solid.mesh), 0.0);
    EXPECT_NEAR(MeshVolume(solid.mesh), c.volume, c.volume ? c.tolerance * c.volume : 1e30);
  }
}

TEST(OutlineCommands, ConversionsTakeTheSelectedOutlineAndUndoBringsItBack) {
  for (int kind = 0; kind < 3; ++kind) {
    Document doc;
    SceneObject& drawn = Draw(doc, kDrawEllipse, kPlaneRight, {{0, 0, 0}, {0, 4, 6}});
    const uint32_t id = drawn.id;
    const double area = FaceArea(FlatFaceParts(drawn));
    ASSERT_TRUE(drawn.selected);
    const SliceDirection direction =
        kind == 1 ? SliceDirection::kHorizontal : SliceDirection::kVertical;
    ASSERT_TRUE(
        (kind == 0 ? ExtrudeOutlineCommand(doc) : FormBySlicesCommand(doc, direction)).changed);
    SceneObject& solid = *FindObject(doc, id);
    EXPECT_TRUE(solid.outlineShapes.empty() && doc.outlineObjectId == kNoObjectId &&
                doc.selection == std::vector<uint32_t>{id});
    if (kind == 0) {
      // In object mode a move drag of the extrusion carries its cap.
      ASSERT_EQ(doc.selectionMode, kSelectionModeObject);
      EXPECT_TRUE(MoveSelection(doc, solid.mesh.nudge * -2.0f));
      EXPECT_NEAR(MeshVolume(solid.mesh), area * 2.0, 0.05);
    }
    EXPECT_TRUE(IsClosedAndOriented(solid.mesh));

    ASSERT_TRUE(Undo(doc).changed);
    const SceneObject& back = *FindObject(doc, id);
    EXPECT_TRUE(OutlineSegmentCount(back) == 26 && TriangleCount(back.mesh) == 0 &&
                doc.outlineObjectId == id);
  }
  // Outlines that enclose nothing are refused and kept: points on one line,
  // a single segment, a circle of radius 0.
  const std::vector<Vec3> straight = {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}};
  const struct {
    uint32_t mode;
    std::vector<Vec3> points;
    bool slices;
  } kRefused[] = {{kDrawLine, straight, true},
                  {kDrawLine, straight, false},
                  {kDrawLine, {{0, 0, 0}, {2, 1, 0}}, false},
                  {kDrawCircle, {{1, 1, 0}, {1, 1, 0}}, false}};
  for (const auto& r : kRefused) {
    Document flat;
    SceneObject& outline = Draw(flat, r.mode, kPlaneFront, r.points);
    const size_t segments = OutlineSegmentCount(outline);
    const CommandOutcome refused = r.slices ? FormBySlicesCommand(flat, SliceDirection::kHorizontal)
                                            : ExtrudeOutlineCommand(flat);
    EXPECT_TRUE(refused.status == kStatusFailed && !refused.changed);
    EXPECT_TRUE(OutlineSegmentCount(outline) == segments && TriangleCount(outline.mesh) == 0);
    EXPECT_TRUE(r.slices || r.points.size() != 3 ||
                refused.errorText == "Extrude 3D from 2D Outline: The 2D outline encloses no area")
        << refused.errorText;
  }
  // Nothing selected: nothing happens.
  Document doc;
  Draw(doc, kDrawCircle, kPlaneFront, {{0, 0, 0}, {1, 0, 0}});
  DeselectAll(doc);
  EXPECT_FALSE(ExtrudeOutlineCommand(doc).changed);
}

TEST(OutlineShapes, CirclesAndEllipsesAreClosedLoopsOf26SegmentsOnTheViewsPlane) {
  const struct {
    uint32_t mode;
    int view;
    Vec3 a, p;
  } cases[] = {
      {kDrawCircle, kPlaneFront, {1, 2, 0}, {4, 6, 0}},
      {kDrawCircle, kPlaneRight, {3, 1, 1}, {3, 2, 5}},
      {kDrawCircle, kPlaneTop, {0, -2, 0}, {0, -2, 3}},  // straight along z: still XZ
      {kDrawCircle, kPlaneFront, {1, 1, 0}, {1, 1, 4}},  // differs only in z: XY, r = 4
      {kDrawEllipse, kPlaneFront, {-2, -1, 0}, {6, 3, 0}},
      {kDrawEllipse, kPlaneRight, {0, 1, 1}, {0, 5, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " view " << c.view);
    const auto segments = GenerateShape(c.mode, c.view, c.a, c.p);
    ASSERT_EQ(segments.size(), 26u);
    const int depth = ViewingAxis(c.view);
    auto axis = [](const Vec3& p, int i) { return i == 0 ? p.x : i == 1 ? p.y : p.z; };
    for (size_t i = 0; i < segments.size(); ++i) {
      EXPECT_TRUE(PositionsEqual(segments[i].end, segments[(i + 1) % 26].start));
      EXPECT_EQ(axis(segments[i].start, depth), axis(c.a, depth)) << "off the plane";
    }
    // The last step (t = 6.25) is short: the closing segment.
    EXPECT_LT(Length(segments[25].end - segments[25].start),
              Length(segments[0].end - segments[0].start));
  }
  // A circle's radius is the full distance; an ellipse fits its drag box.
  for (const auto& s : GenerateShape(kDrawCircle, kPlaneFront, {1, 1, 0}, {1, 1, 4}))
    EXPECT_NEAR(Length(s.start - Vec3{1, 1, 0}), 4.0f, 1e-5f);
  Vec3 min{1e9f, 1e9f, 0}, max{-1e9f, -1e9f, 0};
  for (const auto& s : GenerateShape(kDrawEllipse, kPlaneFront, {-2, -1, 0}, {6, 3, 0})) {
    min = {std::min(min.x, s.start.x), std::min(min.y, s.start.y), 0};
    max = {std::max(max.x, s.start.x), std::max(max.y, s.start.y), 0};
  }
  EXPECT_FLOAT_EQ(max.x, 6.0f);
  ExpectNear(min, {-2, -1, 0}, 0.05f);
  EXPECT_NEAR(max.y, 3.0f, 0.01f);
}

TEST(OutlineShapes, RectangleCornersFollowTheView) {
  const struct {
    int view;
    Vec3 a, p, second, fourth;
  } cases[] = {
      {kPlaneFront, {0, 0, 0}, {2, 3, 0}, {2, 0, 0}, {0, 3, 0}},
      {kPlaneRight, {0, 0, 0}, {0, 2, 3}, {0, 0, 3}, {0, 2, 0}},
      {kPlaneTop, {0, 0, 0}, {2, 0, 3}, {2, 0, 0}, {0, 0, 3}},
  };
  for (const auto& c : cases) {
    const auto r = GenerateShape(kDrawRectangle, c.view, c.a, c.p);
    ASSERT_EQ(r.size(), 4u);
    const Vec3 loop[5] = {c.a, c.second, c.p, c.fourth, c.a};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(PositionsEqual(r[i].start, loop[i]) && PositionsEqual(r[i].end, loop[i + 1]))
          << "view " << c.view << " corner " << i;
  }
  const auto line = GenerateShape(kDrawLine, kPlaneFront, {1, 1, 0}, {4, 5, 0});
  ASSERT_EQ(line.size(), 1u);
  EXPECT_TRUE(PositionsEqual(line[0].start, {4, 5, 0}) && PositionsEqual(line[0].end, {1, 1, 0}));
}

TEST(OutlineDrawing, PressDragPressCommitsACircleInGreenThenBlack) {
  Document doc;
  SetDrawMode(doc, kDrawCircle);
  // The press lands on the right view's plane x = 0.
  EXPECT_EQ(PressToDraw(doc, kPlaneRight, {7, 1, 1}), DrawPress::kAnchorPlaced);
  SceneObject* object = FindObject(doc, doc.outlineObjectId);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->pickPoint.x, 0.0f);
  EXPECT_TRUE(doc.undoStack.empty()) << "nothing changed before the object was made";

  ASSERT_TRUE(DragToDraw(doc, kPlaneRight, {7, 1, 4}));
  EXPECT_TRUE(object->outlineShapes.empty());
  for (size_t i = 0; i < kLineSlotCount; ++i) {
    EXPECT_EQ(object->lineSlots[i].inUse, i < 26);
    EXPECT_TRUE(i >= 26 || object->lineSlots[i].colour.g == 1.0f) << "dragged shapes are green";
  }

  EXPECT_EQ(PressToDraw(doc, kPlaneRight, {7, 1, 5}), DrawPress::kShapeCommitted);
  EXPECT_EQ(OutlineSegmentCount(*object), 26u);
  EXPECT_EQ(object->lineSlots[0].colour.g, 0.0f) << "committed segments are black";
  for (const OutlineSegment& s : OutlineSegments(*object))
    EXPECT_EQ(s.start.x, 0.0f);

  // With an outline and no anchor, a press asks for the outline's menu.
  EXPECT_EQ(PressToDraw(doc, kPlaneRight, {0, 9, 9}), DrawPress::kOpenOutlineMenu);
  EXPECT_EQ(OutlineSegmentCount(*object), 26u);

  // The commit has an undo step of its own.
  const uint32_t id = object->id;
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_TRUE(FindObject(doc, id)->outlineShapes.empty());
}

TEST(OutlineDrawing, LineChainsRunNewestFirstAndShowOnlyTheirFirst50Segments) {
  Document doc;
  SetDrawMode(doc, kDrawLine);
  for (int i = 0; i <= 60; ++i) {
    const DrawPress press = PressToDraw(doc, kPlaneFront, {float(i), float(i % 2), 3});
    EXPECT_EQ(press, i == 0 ? DrawPress::kAnchorPlaced : DrawPress::kSegmentAdded);
  }
  const SceneObject& object = *FindObject(doc, doc.outlineObjectId);
  const auto segments = OutlineSegments(object);
  ASSERT_EQ(segments.size(), 60u);
  // Newest first, z = 0.
  EXPECT_TRUE(object.outlineFlagC && PositionsEqual(segments.front().start, {60, 0, 0}));
  for (size_t i = 0; i + 1 < segments.size(); ++i)
    EXPECT_TRUE(PositionsEqual(segments[i].end, segments[i + 1].start));
  for (size_t i = 0; i < kLineSlotCount; ++i)
    EXPECT_TRUE(PositionsEqual(object.lineSlots[i].start, segments[i].start));
  // Every segment is an undo step of its own.
  ASSERT_TRUE(Undo(doc).changed);
  EXPECT_EQ(OutlineSegmentCount(*FindObject(doc, doc.outlineObjectId)), 59u);

  // Choosing a mode ends the chain; Delete 2D Outline removes it.
  SetDrawMode(doc, kDrawLine);
  SceneObject& restored = *FindObject(doc, doc.outlineObjectId);
  EXPECT_TRUE(!restored.pickFlag && Delete2DOutline(doc).changed);
  EXPECT_TRUE(restored.outlineShapes.empty() && !restored.selected);
  EXPECT_TRUE(doc.outlineObjectId == kNoObjectId && doc.selection.empty());
}

TEST(OutlineSelection, TheBoxIsUnboundedAlongTheViewAndTakesVerticesAndSegments) {
  // The rectangle shows beyond five pixels both ways.
  EXPECT_FALSE(SelectionRectangleShown(100, 100, 106, 103) ||
               SelectionRectangleShown(100, 100, 105, 110));
  EXPECT_TRUE(SelectionRectangleShown(100, 100, 106, 106) &&
              SelectionRectangleShown(100, 100, 94, 94));
  Document doc;
  ASSERT_EQ(AddPrimitive(doc, PrimitiveShape::kCube, doc.currentColour).status, kStatusDone);
  SceneObject& cube = *doc.objects.back();
  SetPosition(cube.mesh, {0, 0, 500});  // far along the front view's axis
  UpdateWorldMatrix(cube);
  SetDrawMode(doc, kDrawRectangle);
  PressToDraw(doc, kPlaneFront, {20, 20, 0});
  PressToDraw(doc, kPlaneFront, {30, 30, 0});
  const uint32_t drawn = doc.outlineObjectId;

  const SelectionBox box = UnboundedSelectionBox(kPlaneFront, {-6, -6, 0}, {6, 6, 0});
  EXPECT_TRUE(box.min.z == -3.4028235e+38f && box.max.z == 3.4028235e+38f);
  EXPECT_EQ(SelectObjectsInBox(doc, box), 1u);
  EXPECT_TRUE(cube.selected && !FindObject(doc, drawn)->selected);

  // A box on one side of the rectangle takes it, one only on the line a
  // side points along does not.
  EXPECT_EQ(SelectObjectsInBox(doc, UnboundedSelectionBox(kPlaneFront, {25, 28, 0}, {35, 40, 0})),
            1u);
  EXPECT_TRUE(FindObject(doc, drawn)->selected && !cube.selected);
  EXPECT_FALSE(ObjectMeetsBox(*FindObject(doc, drawn),
                              UnboundedSelectionBox(kPlaneFront, {50, 19, 0}, {60, 21, 0})));
  EXPECT_TRUE(SegmentMeetsBox({0, 0, 0}, {0, 0, 0}, box)) << "a zero-length segment is a point";
}

TEST(OutlineSelection, TheVertexTestFindsAHitInAnyWorkersRange) {
  SceneObject object;
  for (uint32_t t = 0; t < 3000; ++t) {
    const float x = t == 2999 ? 0.5f : 100.0f + t;
    ASSERT_TRUE(AppendTriangle(object.mesh, {x, 0, 0}, {x, 1, 0}, {x, 0, 1}, 0));
  }
  const SelectionBox box = UnboundedSelectionBox(kPlaneTop, {0, 0, -1}, {1, 0, 2});
  for (unsigned workers : {1u, 3u, 16u})
    EXPECT_TRUE(VerticesMeetBox(object, box, workers));
  EXPECT_FALSE(VerticesMeetBox(object, UnboundedSelectionBox(kPlaneTop, {-5, 0, 0}, {-4, 0, 1})));
}

}  // namespace
}  // namespace torvane
