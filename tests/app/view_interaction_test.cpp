// Real mouse events on the real views: clicks select and deselect, Shift
// keeps the selection, a drag moves the selection and one Undo puts it back,
// the wheel scales in scale mode, and the eye dropper reads the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "app/commands.h"
#include "core/history.h"
#include "core/primitives.h"
#include "render/scene_views.h"
#include "render/view_widget.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class ViewInteractionTest : public test::ViewTest {
 protected:
  QPoint emptyCorner() { return {20, view().height() - 20}; }
  // From `from` to `to` in 2-pixel steps, as a hand would.
  void Drag(QPoint from, QPoint to) {
    Press(from);
    const QPoint step = (to - from) / 20;
    for (int i = 1; i <= 20; ++i)
      MoveHeld(from + step * i);
    Release(from + step * 20);
  }
  void Wheel(QPoint at, int delta) {
    QWheelEvent event(at, view().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &event);
  }
};

TEST_F(ViewInteractionTest, ClicksSelectDeselectAndShiftKeeps) {
  SceneObject& cube = AddCube();
  Click(centre());
  ASSERT_EQ(doc_.selection.size(), 1u);
  EXPECT_EQ(doc_.selection[0], cube.id);
  EXPECT_TRUE(cube.selected && cube.showBoundingBox);
  EXPECT_TRUE(CanUndo(doc_)) << "a click that hits records a step";

  Click(centre());
  EXPECT_EQ(doc_.selection.size(), 1u) << "clicking the selected object keeps it for a drag";

  Click(emptyCorner(), Qt::ShiftModifier);
  EXPECT_EQ(doc_.selection.size(), 1u) << "Shift keeps the selection on a miss";
  Click(emptyCorner(), Qt::ControlModifier);
  EXPECT_EQ(doc_.selection.size(), 1u);

  doc_.manipulateMode = kManipulateScale;
  Click(emptyCorner());
  EXPECT_TRUE(doc_.selection.empty());
  EXPECT_FALSE(cube.selected);
  EXPECT_EQ(doc_.manipulateMode, kManipulateMove) << "a miss returns to moving";

  // Triangle mode: a click selects one triangle, the same click again
  // deselects it.
  SetSelectionMode(doc_, kSelectionModeTriangle);
  Click(centre());
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_EQ(cube.selectionRecords.front().elementType, kSelectTriangle);
  Click(centre(), Qt::ShiftModifier);
  EXPECT_TRUE(cube.selectionRecords.empty());
}

TEST_F(ViewInteractionTest, DragMovesPastTheThresholdAndUndoesInOneStep) {
  SceneObject& cube = AddCube();
  ClearHistory(doc_);

  // A wobble within five pixels moves nothing.
  Press(centre());
  MoveHeld(centre() + QPoint(5, -5));
  MoveHeld(centre() + QPoint(-5, 5));
  Release(centre());
  EXPECT_TRUE(cube.selected);
  EXPECT_TRUE(PositionsEqual(cube.mesh.position, {0, 0, 0}));

  Drag(centre(), centre() + QPoint(0, -60));
  EXPECT_GT(cube.mesh.position.y, 1.0f) << "dragging up moves the cube up";
  EXPECT_FALSE(cube.mesh.renderStale) << "moving redraws without rebuilding";

  // With Y locked the same drag leaves y alone.
  const float y = cube.mesh.position.y;
  doc_.axisLock[1] = true;
  QPoint at = ScreenOf(cube.mesh.position);
  Drag(at, at + QPoint(60, -60));
  EXPECT_FLOAT_EQ(cube.mesh.position.y, y);
  EXPECT_NE(cube.mesh.position.x, 0.0f);
  doc_.axisLock[1] = false;

  // Every locked axis: the message, and no move.
  doc_.axisLock = {true, true, true};
  const Vec3 before = cube.mesh.position;
  at = ScreenOf(cube.mesh.position);
  Drag(at, at + QPoint(-60, 0));
  EXPECT_EQ(ui_.Shown(),
            "Selected Item Movement Locked: Please allow the movement along at least one of the "
            "axes if you wish to change the "
            "selected item's position.\n\nTo allow movement click the Allow Movement buttons in "
            "the Toolbar.");
  EXPECT_FLOAT_EQ(cube.mesh.position.x, before.x);
  doc_.axisLock = {false, false, false};

  EXPECT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_FLOAT_EQ(doc_.objects.back()->mesh.position.x, before.x)
      << "the last drag changed nothing to undo to beyond its click";
  EXPECT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_FLOAT_EQ(doc_.objects.back()->mesh.position.y, 0.0f) << "each drag undoes in one step";
}

TEST_F(ViewInteractionTest, WheelScalesInScaleModeOtherwiseZooms) {
  SceneObject& cube = AddCube();
  Click(centre());
  const float distance = EyeDistance(window_.views().camera().state);
  Wheel(centre(), 120);
  EXPECT_FLOAT_EQ(cube.mesh.scale.x, 1.0f) << "move mode: the wheel zooms";
  EXPECT_LT(EyeDistance(window_.views().camera().state), distance);

  doc_.manipulateMode = kManipulateScale;
  Wheel(centre(), 120);
  EXPECT_NEAR(cube.mesh.scale.x, 1.12f, 1e-5f);
  Wheel(centre(), -120);
  EXPECT_NEAR(cube.mesh.scale.y, 1.12f * 0.88f, 1e-5f);

  // A scale drag upwards enlarges.
  const float scale = cube.mesh.scale.z;
  Drag(centre(), centre() + QPoint(0, -40));
  EXPECT_GT(cube.mesh.scale.z, scale * 1.3f);
}

TEST_F(ViewInteractionTest, EyeDropperTakesTheObjectColourOrTheScreenPixel) {
  SceneObject& cube = AddCube();
  cube.mesh.colour = 0xFF336699u;
  ASSERT_TRUE(shell().Dispatch(cmd::kColourPicker));
  Click(centre());
  EXPECT_TRUE(doc_.selection.empty()) << "the eye dropper click selects nothing";
  EXPECT_EQ(MakeColour32(doc_.currentColour.r, doc_.currentColour.g, doc_.currentColour.b,
                         doc_.currentColour.a),
            0xFF336699u);

  // A miss reads the screen under the pointer: the background.
  window_.views().Redraw();
  QTest::qWait(200);
  ASSERT_TRUE(shell().Dispatch(cmd::kColourPicker));
  Click(emptyCorner());
  const Colour32 picked = MakeColour32(doc_.currentColour.r, doc_.currentColour.g,
                                       doc_.currentColour.b, doc_.currentColour.a);
  EXPECT_EQ(picked, 0xFF50505Au);
}

}  // namespace
}  // namespace torvane
