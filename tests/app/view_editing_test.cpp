// Real mouse and key events on the real views: clicks select and deselect,
// Shift keeps the selection, a drag moves the selection and one Undo puts it
// back, the wheel scales in scale mode, the eye dropper reads the screen,
// picked elements are edited from the right-click menu or the Delete key,
// and a 2D circle is drawn, selected and turned into each solid.

#include <QWheelEvent>

#include "core/live_triangles.h"
#include "shell_test_support.h"
#include "solid/outline.h"

namespace torvane {
namespace {

class ViewEditingTest : public test::ViewTest {
 protected:
  QPoint emptyCorner() { return {20, view().height() - 20}; }
  void Wheel(QPoint at, int delta) {
    QWheelEvent event(at, view().mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &event);
  }
  Colour32 CurrentColour() {
    const ColourF& c = doc_.currentColour;
    return MakeColour32(c.r, c.g, c.b, c.a);
  }
  // Right-clicks at `at` and chooses `label` in the menu that opens.
  void ChooseFromMenu(QPoint at, const QString& label) {
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* action : menu->actions()) {
        if (action->text() == label && action->isEnabled()) menu->setActiveAction(action);
      }
      QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
    });
    Click(at, Qt::NoModifier, Qt::RightButton);
  }
};

TEST_F(ViewEditingTest, ClicksDragsTheWheelTheEyeDropperAndElementEdits) {
  SceneObject& cube = AddCube();
  Click(centre());
  EXPECT_EQ(doc_.selection, std::vector<uint32_t>{cube.id});
  // A miss with Shift or Ctrl keeps the selection; a plain miss deselects
  // and returns to moving.
  Click(emptyCorner(), Qt::ShiftModifier);
  Click(emptyCorner(), Qt::ControlModifier);
  EXPECT_EQ(doc_.selection.size(), 1u);
  doc_.manipulateMode = kManipulateScale;
  Click(emptyCorner());
  EXPECT_TRUE(doc_.selection.empty());
  EXPECT_EQ(doc_.manipulateMode, kManipulateMove);
  // Triangle mode: a click picks one triangle, a Shift click on it drops it.
  SetSelectionMode(doc_, kSelectionModeTriangle);
  Click(centre());
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_EQ(cube.selectionRecords.front().elementType, kSelectTriangle);
  Click(centre(), Qt::ShiftModifier);
  EXPECT_TRUE(cube.selectionRecords.empty());
  SetSelectionMode(doc_, kSelectionModeObject);

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

  // Every locked axis: the message, and no move.
  doc_.axisLock = {true, true, true};
  const Vec3 before = cube.mesh.position;
  const QPoint at = ScreenOf(cube.mesh.position);
  Drag(at, at + QPoint(-60, 0));
  EXPECT_EQ(ui_.Shown(),
            "Selected Item Movement Locked: Please allow the movement along at least one of the "
            "axes if you wish to change the selected item's position.\n\nTo allow movement click "
            "the Allow Movement buttons in the Toolbar.");
  EXPECT_FLOAT_EQ(cube.mesh.position.x, before.x);
  doc_.axisLock = {false, false, false};

  EXPECT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_FLOAT_EQ(doc_.objects.back()->mesh.position.x, before.x)
      << "the last drag changed nothing to undo to beyond its click";
  EXPECT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_FLOAT_EQ(doc_.objects.back()->mesh.position.y, 0.0f) << "a drag undoes in one step";

  ResetDocument(doc_);
  SceneObject& scaled = AddCube();
  Click(centre());
  const float distance = EyeDistance(window_.views().camera().state);
  Wheel(centre(), 120);
  EXPECT_FLOAT_EQ(scaled.mesh.scale.x, 1.0f) << "move mode: the wheel zooms";
  EXPECT_LT(EyeDistance(window_.views().camera().state), distance);

  doc_.manipulateMode = kManipulateScale;
  Wheel(centre(), 120);
  EXPECT_NEAR(scaled.mesh.scale.x, 1.12f, 1e-5f);
  Wheel(centre(), -120);
  EXPECT_NEAR(scaled.mesh.scale.y, 1.12f * 0.88f, 1e-5f);
  // A scale drag upwards enlarges.
  const float scale = scaled.mesh.scale.z;
  Drag(centre(), centre() + QPoint(0, -40));
  EXPECT_GT(scaled.mesh.scale.z, scale * 1.3f);

  // The eye dropper takes the colour of the object hit, selecting nothing,
  // and on a miss the screen pixel under the pointer: the background.
  DeselectAll(doc_);
  scaled.mesh.colour = 0xFF336699u;
  ASSERT_TRUE(shell().Dispatch(cmd::kColourPicker));
  Click(centre());
  EXPECT_TRUE(doc_.selection.empty());
  EXPECT_EQ(CurrentColour(), 0xFF336699u);
  window_.views().Redraw();
  QTest::qWait(200);
  ASSERT_TRUE(shell().Dispatch(cmd::kColourPicker));
  Click(emptyCorner());
  EXPECT_EQ(CurrentColour(), 0xFF50505Au);

  // Picked elements are edited from the right-click menu or the Delete key.
  ResetDocument(doc_);
  AddCube();
  shell().Dispatch(cmd::kSelectTriangle);
  Click(centre());
  ASSERT_EQ(doc_.objects.back()->selectionRecords.size(), 1u);
  ChooseFromMenu(centre(), QStringLiteral("Remove triangle"));
  EXPECT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 11u);
  EXPECT_FALSE(doc_.objects.back()->selected);
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
  EXPECT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 12u) << "one undo step";
  EXPECT_EQ(doc_.objects.back()->selectionRecords.size(), 1u) << "the pick is back too";
  // Delete collapses the picked triangle (and the three sharing an edge).
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 8u);

  // The edited corner nearest the eye, and the middle of its vertical edge:
  // where the vertex and edge picks land.
  ResetDocument(doc_);
  SceneObject& edited = AddCube();
  const Vec3 eye = window_.views().camera().state.eye;
  uint32_t vertex = kDeadIndex;
  float nearest = 1e30f;
  for (uint32_t v = 0; v < edited.mesh.vertexCount; ++v) {
    const float d =
        Length(TransformPoint(edited.mesh.positions.data()[v], edited.worldMatrix) - eye);
    if (d < nearest) nearest = d, vertex = v;
  }
  const Vec3 best = edited.mesh.positions.data()[vertex];
  const BoundingBox box = MeshBounds(edited.mesh);
  const QPoint corner = ScreenOf(TransformPoint(best, edited.worldMatrix));
  const QPoint edge = ScreenOf(
      TransformPoint({best.x, (box.min.y + box.max.y) * 0.5f, best.z}, edited.worldMatrix));

  // A face: the two triangles of the edited's front, subdivided into 3 each.
  shell().Dispatch(cmd::kSelectFace);
  Click(centre());
  ASSERT_EQ(edited.selectionRecords.size(), 2u);
  ChooseFromMenu(centre(), QStringLiteral("Subdivide face"));
  EXPECT_EQ(LiveTriangleCount(edited.mesh), 16u);
  // An edge at that corner, split in two (the face's split kept its border
  // edges).
  shell().Dispatch(cmd::kSelectEdge);
  Click(edge);
  ASSERT_EQ(edited.selectionRecords.size(), 1u);
  EXPECT_EQ(edited.selectionRecords.front().elementType, kSelectEdge);
  const uint32_t vertices = edited.mesh.vertexCount;
  ChooseFromMenu(edge, QStringLiteral("Subdivide line"));
  EXPECT_EQ(LiveTriangleCount(edited.mesh), 18u);
  EXPECT_EQ(edited.mesh.vertexCount, vertices + 1);
  // That corner's vertex, deleted with the Delete key: two triangles fewer.
  shell().Dispatch(cmd::kSelectVertex);
  Click(corner);
  ASSERT_EQ(edited.selectionRecords.size(), 1u);
  EXPECT_EQ(edited.selectionRecords.front().indices[0], vertex);
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(LiveTriangleCount(edited.mesh), 16u);
}

// The front view of the quadrant layout.
class OutlineViewTest : public test::ViewTest {
 protected:
  OutlineViewTest() : ViewTest(3, kFrontView) {}
};

TEST_F(OutlineViewTest, DrawSelectAndConvertACircleWithUndo) {
  ASSERT_TRUE(shell().Dispatch(cmd::kDrawCircle));
  EXPECT_EQ(doc_.drawMode, uint32_t{kDrawCircle});
  // Press, drag and press again.
  Drag(centre(), centre() + QPoint(30, 0), 15);
  SceneObject* circle = FindObject(doc_, doc_.outlineObjectId);
  ASSERT_NE(circle, nullptr);
  EXPECT_TRUE(circle->lineSlots[25].inUse && circle->outlineShapes.empty()) << "only dragged";
  Click(centre() + QPoint(30, 0));
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
