// Element editing through the real views: an element picked with the mouse
// is edited from the right-click menu or with the Delete key, in each
// element mode, and one Undo puts the mesh back.
#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/commands.h"
#include "core/history.h"
#include "core/live_triangles.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class ElementEditGuiTest : public test::ViewTest {
 protected:
  // Right-clicks at `at` and chooses `label` in the menu that opens; the
  // labels the menu offered come back.
  std::vector<std::string> ChooseFromMenu(QPoint at, const QString& label) {
    std::vector<std::string> offered;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* action : menu->actions()) {
        offered.push_back(action->text().toStdString());
        if (action->text() == label && action->isEnabled()) menu->setActiveAction(action);
      }
      QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
    });
    Click(at, Qt::NoModifier, Qt::RightButton);
    return offered;
  }

  // The cube corner nearest the eye, and the middle of its vertical edge:
  // where vertex and edge picks land.
  QPoint CornerOf(SceneObject& cube, uint32_t* vertex, QPoint* edgeMiddle) {
    const Vec3 eye = window_.views().camera().state.eye;
    const BoundingBox box = MeshBounds(cube.mesh);
    Vec3 best;
    float nearest = 1e30f;
    for (uint32_t v = 0; v < cube.mesh.vertexCount; ++v) {
      const Vec3 p = cube.mesh.positions.data()[v];
      const float d = Length(TransformPoint(p, cube.worldMatrix) - eye);
      if (d < nearest) nearest = d, best = p, *vertex = v;
    }
    const Vec3 middle{best.x, (box.min.y + box.max.y) * 0.5f, best.z};
    *edgeMiddle = ScreenOf(TransformPoint(middle, cube.worldMatrix));
    return ScreenOf(TransformPoint(best, cube.worldMatrix));
  }
};

TEST_F(ElementEditGuiTest, TriangleModeMenuAndDeleteKeyEditThePickedTriangle) {
  SceneObject& cube = AddCube();
  shell().Dispatch(cmd::kSelectTriangle);
  Click(centre());
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  const std::vector<std::string> offered =
      ChooseFromMenu(centre(), QStringLiteral("Remove triangle"));
  EXPECT_EQ(offered.size(), 7u) << "the triangle items, as the context menu test spells them";
  EXPECT_EQ(LiveTriangleCount(cube.mesh), 11u);
  EXPECT_FALSE(cube.selected);
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
  SceneObject& restored = *doc_.objects.back();
  EXPECT_EQ(LiveTriangleCount(restored.mesh), 12u) << "one undo step";
  EXPECT_EQ(restored.selectionRecords.size(), 1u) << "the pick is back too";

  // Delete collapses the picked triangle (and the three sharing an edge).
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 8u);
}

TEST_F(ElementEditGuiTest, FaceEdgeAndVertexModesRunTheirCommands) {
  SceneObject& cube = AddCube();
  uint32_t vertex = kDeadIndex;
  QPoint edge;
  const QPoint corner = CornerOf(cube, &vertex, &edge);
  // A face: the two triangles of the cube's front, subdivided into 3 each.
  shell().Dispatch(cmd::kSelectFace);
  Click(centre());
  ASSERT_EQ(cube.selectionRecords.size(), 2u);
  ChooseFromMenu(centre(), QStringLiteral("Subdivide face"));
  EXPECT_EQ(LiveTriangleCount(cube.mesh), 16u);

  // An edge at the corner nearest the eye, split in two (the face's split
  // kept its border edges).
  shell().Dispatch(cmd::kSelectEdge);
  Click(edge);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_EQ(cube.selectionRecords.front().elementType, kSelectEdge);
  const uint32_t vertices = cube.mesh.vertexCount;
  ChooseFromMenu(edge, QStringLiteral("Subdivide line"));
  EXPECT_EQ(LiveTriangleCount(cube.mesh), 18u);
  EXPECT_EQ(cube.mesh.vertexCount, vertices + 1);

  // That corner's vertex, deleted with the Delete key: two triangles fewer.
  shell().Dispatch(cmd::kSelectVertex);
  Click(corner);
  ASSERT_EQ(cube.selectionRecords.size(), 1u);
  EXPECT_EQ(cube.selectionRecords.front().indices[0], vertex);
  const uint32_t live = LiveTriangleCount(cube.mesh);
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(LiveTriangleCount(cube.mesh), live - 2);
}

}  // namespace
}  // namespace torvane
