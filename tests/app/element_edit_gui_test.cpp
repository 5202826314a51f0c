// Element editing through the real views: an element picked with the mouse
// is edited from the right-click menu or with the Delete key, in each
// element mode, and one Undo puts the mesh back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include "app/commands.h"
#include "core/history.h"
#include "core/live_triangles.h"
#include "core/primitives.h"
#include "render/camera.h"
#include "render/scene_views.h"
#include "render/view_widget.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class ElementEditGuiTest : public test::MainWindowTest {
 protected:
  ElementEditGuiTest() {
    window_.views().ApplyLayout(0);
    window_.views().ResetCamera();
    ShowWindow();
  }

  ViewWidget& perspective() { return *window_.views().view(kPerspectiveView); }

  SceneObject& AddCube() {
    EXPECT_TRUE(AddPrimitive(doc_, PrimitiveShape::kCube, doc_.currentColour).changed);
    DeselectAll(doc_);
    SceneObject& cube = *doc_.objects.back();
    window_.views().Redraw();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !cube.mesh.renderStale; })) << "drawn once";
    return cube;
  }

  QPoint ScreenOf(const Vec3& point) {
    Camera& camera = window_.views().camera();
    SetViewport(camera, perspective().width(), perspective().height());
    Vec3 pixel;
    EXPECT_TRUE(Project(camera, point, &pixel));
    return {static_cast<int>(pixel.x), static_cast<int>(pixel.y)};
  }

  void Send(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, at, perspective().mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&perspective(), &event);
  }
  void Click(QPoint at) {
    Send(QEvent::MouseButtonPress, at, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, at, Qt::LeftButton);
  }

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
    Send(QEvent::MouseButtonPress, at, Qt::RightButton);
    Send(QEvent::MouseButtonRelease, at, Qt::RightButton);
    return offered;
  }

  QPoint centre() { return perspective().rect().center(); }
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
  EXPECT_EQ(offered,
            (std::vector<std::string>{"Reverse triangle", "Collapse triangle", "Remove triangle",
                                      "Duplicate triangle", "Subdivide triangle into 3",
                                      "Subdivide triangle into 4", "Apply color"}));
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
  // A face: the two triangles of the cube's front, subdivided into 3 each.
  shell().Dispatch(cmd::kSelectFace);
  Click(centre());
  ASSERT_EQ(cube.selectionRecords.size(), 2u);
  ChooseFromMenu(centre(), QStringLiteral("Subdivide face"));
  EXPECT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 16u);
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
  ASSERT_EQ(LiveTriangleCount(doc_.objects.back()->mesh), 12u);

  // An edge at the corner facing the camera, split in two.
  SceneObject& again = *doc_.objects.back();
  const uint32_t vertices = again.mesh.vertexCount;
  uint32_t vertex = kDeadIndex;
  QPoint edge;
  const QPoint corner = CornerOf(again, &vertex, &edge);
  shell().Dispatch(cmd::kSelectEdge);
  Click(edge);
  ASSERT_EQ(again.selectionRecords.size(), 1u);
  EXPECT_EQ(again.selectionRecords.front().elementType, kSelectEdge);
  ChooseFromMenu(edge, QStringLiteral("Subdivide line"));
  EXPECT_EQ(LiveTriangleCount(again.mesh), 14u);
  EXPECT_EQ(again.mesh.vertexCount, vertices + 1);
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));
  ASSERT_TRUE(shell().Dispatch(cmd::kUndo));

  // The corner vertex itself, deleted with the Delete key: the corner is cut
  // off and the cube stays closed with two triangles fewer.
  SceneObject& third = *doc_.objects.back();
  shell().Dispatch(cmd::kSelectVertex);
  Click(corner);
  ASSERT_EQ(third.selectionRecords.size(), 1u);
  EXPECT_EQ(third.selectionRecords.front().indices[0], vertex);
  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(LiveTriangleCount(third.mesh), 10u);
}

}  // namespace
}  // namespace torvane
