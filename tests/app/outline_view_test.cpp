// The 2D drawing tools with real mouse events in the front view: a circle
// drawn by press, drag and press, selected with the selection rectangle
// (which waits for 5 pixels both ways), and turned into a solid by each
// conversion command, every one undone again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "app/commands.h"
#include "core/history.h"
#include "render/scene_views.h"
#include "render/view_widget.h"
#include "shell_test_support.h"
#include "solid/outline.h"

namespace torvane {
namespace {

// The front view of the quadrant layout.
class OutlineViewTest : public test::ViewTest {
 protected:
  OutlineViewTest() : ViewTest(3, kFrontView) {}
};

TEST_F(OutlineViewTest, DrawSelectAndConvertACircleWithUndo) {
  ASSERT_TRUE(shell().Dispatch(cmd::kDrawCircle));
  EXPECT_EQ(doc_.drawMode, uint32_t{kDrawCircle});

  Press(centre());
  for (int x = 2; x <= 30; x += 2)
    MoveHeld(centre() + QPoint(x, 0));
  Release(centre() + QPoint(30, 0));
  SceneObject* circle = FindObject(doc_, doc_.outlineObjectId);
  ASSERT_NE(circle, nullptr);
  EXPECT_TRUE(circle->lineSlots[25].inUse && circle->outlineShapes.empty()) << "only dragged";
  Press(centre() + QPoint(30, 0));
  Release(centre() + QPoint(30, 0));
  ASSERT_EQ(OutlineSegmentCount(*circle), 26u);
  EXPECT_EQ(circle->outlineMode, 1u);
  for (const OutlineSegment& s : OutlineSegments(*circle))
    EXPECT_EQ(s.start.z, 0.0f);
  const uint32_t id = circle->id;

  // "Select 2D Object": a press on empty space deselects; 6 x 3 pixels
  // shows no rectangle, 6 x 6 does, the release selects the circle.
  ASSERT_TRUE(shell().Dispatch(cmd::kNotDrawing));
  EXPECT_EQ(doc_.drawMode, uint32_t{kDrawSelect2D});
  const QPoint from = centre() - QPoint(60, 60);
  Press(from);
  EXPECT_TRUE(doc_.selection.empty());
  MoveHeld(from + QPoint(6, 3));
  EXPECT_FALSE(attached_.outlines->rectangleShown());
  MoveHeld(from + QPoint(6, 6));
  EXPECT_TRUE(attached_.outlines->rectangleShown());
  EXPECT_EQ(doc_.freeLines.size(), 4u);
  for (int d = 10; d <= 130; d += 10)
    MoveHeld(from + QPoint(d, d));
  Release(from + QPoint(130, 130));
  EXPECT_TRUE(doc_.freeLines.empty());
  ASSERT_EQ(doc_.selection.size(), 1u);
  EXPECT_EQ(doc_.selection[0], id);

  for (CommandId command : {cmd::kExtrude2D, cmd::kFormHorizontal, cmd::kFormVertical}) {
    SCOPED_TRACE(command);
    ASSERT_TRUE(shell().Dispatch(command));
    SceneObject& solid = *FindObject(doc_, id);
    EXPECT_TRUE(solid.outlineShapes.empty());
    EXPECT_GT(TriangleCount(solid.mesh), 0u);
    window_.views().Redraw();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !solid.mesh.renderStale; })) << "drawn";
    ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
    EXPECT_EQ(OutlineSegmentCount(*FindObject(doc_, id)), 26u) << "undo brings the outline back";
    EXPECT_EQ(TriangleCount(FindObject(doc_, id)->mesh), 0u);
  }

  ASSERT_TRUE(shell().Dispatch(cmd::kDelete2D));
  EXPECT_FALSE(AnyWithOutlines(doc_));
}

}  // namespace
}  // namespace torvane
