// The view parts that need no frame: grids, status display, hint fading,
// axis indicator, layouts, view settings and the start-up failure dialog.
#include "core/document.h"
#include "core/settings.h"
#include "core/settings_store.h"
#include "core/settings_values.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "render/axis_indicator.h"
#include "render/button_tracker.h"
#include "render/graphics_check.h"
#include "render/grid.h"
#include "render/hint.h"
#include "render/scene_views.h"
#include "render/status_display.h"
#include "render/view_names.h"
#include "render/view_widget.h"

namespace torvane {
namespace {

// Lines of `list` whose two end points match a and b (in that order).
int CountLine(const LineList& list, float ax, float ay, float az, float bx, float by, float bz,
              Colour32* colour = nullptr) {
  int found = 0;
  for (size_t i = 0; i + 6 <= list.positions.size(); i += 6) {
    const float* p = &list.positions[i];
    if (p[0] == ax && p[1] == ay && p[2] == az && p[3] == bx && p[4] == by && p[5] == bz) {
      ++found;
      if (colour) *colour = list.colours[i / 3];
    }
  }
  return found;
}

TEST(Grid, BothSetsCoverTheirRangesWithTheAxisColours) {
  const GridSet a = BuildQuadrantGrid();
  const GridSet b = BuildCentredGrid();
  const LineList& xz = a.planes[kGridPlaneXZ];
  // 21 lines along X (z = 1, -1 .. -20) and 21 along Z (x = -1, 1 .. 20);
  // the centred set has 80 a plane.
  EXPECT_EQ(xz.LineCount(), 42u);
  EXPECT_EQ(a.planes[kGridPlaneYZ].LineCount(), 42u);
  EXPECT_EQ(a.axes.LineCount(), 3u);
  for (const LineList& plane : b.planes)
    EXPECT_EQ(plane.LineCount(), 80u);
  EXPECT_EQ(CountLine(xz, -1, 0, 0, 20, 0, 0), 0);  // the axis lies at 0
  const struct {
    const LineList& list;
    float p[6];
    Colour32 colour;
  } kLines[] = {{xz, {-1, 0, 1, 20, 0, 1}, kGridLineColour},
                {xz, {-1, 0, -10, 20, 0, -10}, kTenthLineColourX},
                {xz, {20, 0, 1, 20, 0, -20}, kTenthLineColourZ},
                {a.planes[kGridPlaneXY], {10, -1, 0, 10, 20, 0}, kTenthLineColourY},
                {a.axes, {-1, 0, 0, 80, 0, 0}, kAxisColourX},
                {a.axes, {0, -1, 0, 0, 80, 0}, kAxisColourY},
                {a.axes, {0, 0, 1, 0, 0, -80}, kAxisColourZ},
                {b.planes[kGridPlaneYZ], {0, -20, -20, 0, 20, -20}, kTenthLineColourY},
                {b.axes, {0, 0, -80, 0, 0, 80}, kAxisColourZ}};
  for (const auto& line : kLines) {
    const float* p = line.p;
    Colour32 c = 0;
    EXPECT_EQ(CountLine(line.list, p[0], p[1], p[2], p[3], p[4], p[5], &c), 1) << p[0] << p[2];
    EXPECT_EQ(c, line.colour) << p[0] << p[2];
  }
  EXPECT_EQ(xz.colours.size() * 3, xz.positions.size());
  EXPECT_EQ(PlaneOfView(kFrontView), kGridPlaneXY);
  EXPECT_EQ(PlaneOfView(kRightView), kGridPlaneYZ);
  EXPECT_EQ(PlaneOfView(kTopView), kGridPlaneXZ);
}

TEST(StatusDisplay, ShowsTheSelectedObjectByManipulationMode) {
  Document doc;
  auto status = [&](std::optional<Vec3> point = std::nullopt) {
    const StatusDisplay s = StatusForDocument(doc, point);
    return s.text + "|" + s.tooltip;
  };
  EXPECT_EQ(status(), "|");
  SceneObject& o = *doc.objects.emplace_back(std::make_unique<SceneObject>());
  o.id = 1;
  o.mesh.position = {1.5f, -2.0f, 0.25f};
  o.mesh.rotation = {10, 20, 30};
  o.mesh.scale = {2, 2, 2};
  EXPECT_EQ(status(), "|");  // nothing selected
  o.selected = true;
  EXPECT_EQ(status(), "Position: [X: 1.500 ][Y: -2.000 ][Z: 0.250 ]|Selection point position");
  doc.manipulateMode = kManipulateRotateDrag;
  EXPECT_EQ(status(), "Rotation: [X: 10.000 ][Y: 20.000 ][Z: 30.000 ]|Selected object rotation");
  doc.manipulateMode = kManipulateScale;
  EXPECT_EQ(status(), "Scale: 2.000|Selected object scale");

  // Two selected objects show nothing; element modes show the selection
  // point only in move mode.
  doc.objects.emplace_back(std::make_unique<SceneObject>())->selected = true;
  doc.objects.back()->id = 2;
  EXPECT_EQ(status(), "|");
  doc.selectionMode = kSelectionModeVertex;
  EXPECT_EQ(status(Vec3{1, 2, 3}), "|");
  doc.manipulateMode = kManipulateMove;
  EXPECT_EQ(status(Vec3{1, 2, 3}),
            "Position: [X: 1.000 ][Y: 2.000 ][Z: 3.000 ]|Selection point position");
  EXPECT_EQ(status(), "|");
}

TEST(Hint, TimedHintFadesByNineteenTwentiethsUntilBlack) {
  EXPECT_EQ(FadeHintColour(0xFFFFFFFFu), 0xFFF2F2F2u);  // 255 * 19 / 20 = 242
  EXPECT_EQ(FadeHintColour(0x80140A01u), 0x80130900u);  // 20, 10, 1 -> 19, 9, 0
  Hint hint{"Movement along the X axis has been locked", 0xFFFFFFFFu, true};
  int steps = 0;
  while (StepHintFade(hint))
    ++steps;
  EXPECT_TRUE(hint.text.empty());
  EXPECT_EQ(hint.colour & 0x00FFFFFFu, 0u);
  EXPECT_GT(steps, 60);  // each channel loses at least 1 per step
  EXPECT_LT(steps, 256);
}

TEST(AxisIndicator, ArrowsHitTestAndTooltips) {
  Camera camera;
  SetViewport(camera, 400, 300);
  ASSERT_TRUE(PlaceCamera(camera, {0, 0, -50}, {0, 0, 0}));
  AxisIndicator indicator = BuildAxisIndicator(camera, -1);
  EXPECT_NEAR(indicator.originPixel.x, 340, 0.5);
  EXPECT_NEAR(indicator.originPixel.y, 240, 0.5);
  EXPECT_NEAR(indicator.tipPixels[0].x, 440, 0.5);  // X runs right, 100 pixels
  EXPECT_NEAR(indicator.tipPixels[1].y, 140, 0.5);  // Y runs up
  EXPECT_EQ(AxisUnderPointer(indicator, 370, 242), 0);
  EXPECT_EQ(AxisUnderPointer(indicator, 338, 200), 1);
  EXPECT_EQ(AxisUnderPointer(indicator, 380, 200), -1);
  EXPECT_TRUE(InAxisIndicatorArea(400, 300, 290, 190));
  EXPECT_FALSE(InAxisIndicatorArea(400, 300, 270, 250));
  // The highlighted arrow changes colour.
  AxisIndicator lit = BuildAxisIndicator(camera, 1);
  EXPECT_NE(lit.lines.colours, indicator.lines.colours);

  EXPECT_EQ(AxisIndicatorTooltip(0, true), "Click to enable X axis movement");
  EXPECT_EQ(AxisIndicatorTooltip(2, false), "Click to disable Z axis movement");
  EXPECT_EQ(AxisIndicatorTooltip(-1, false), "Right-Click and drag to rotate the camera view");
}

TEST(ButtonTracker, ReleaseOutsideTheWindowEndsTheDragAtTheNextMove) {
  ButtonTracker tracker;
  tracker.Press(kRightButton);
  tracker.Press(kMiddleButton);
  EXPECT_EQ(tracker.Reconcile(kRightButton | kMiddleButton), 0);
  // The right button came up while the pointer was elsewhere.
  EXPECT_EQ(tracker.Reconcile(kMiddleButton), kRightButton);
  EXPECT_FALSE(tracker.IsHeld(kRightButton));
  EXPECT_TRUE(tracker.IsHeld(kMiddleButton));
  // A button down that this view never saw pressed does not start a drag.
  EXPECT_EQ(tracker.Reconcile(kLeftButton | kMiddleButton), 0);
  EXPECT_FALSE(tracker.IsHeld(kLeftButton));
}

class ViewSettings : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsStore(std::make_unique<MemorySettingsStore>()); }
  void TearDown() override { SetSettingsStore(nullptr); }
};

TEST_F(ViewSettings, LayoutsShowTheRightPanesAndViewSettingsAreReadAndWritten) {
  Document doc;
  SceneViews views(doc);
  views.container()->resize(600, 400);
  views.container()->show();
  auto shown = [&] {
    std::string panes;
    for (int v = 0; v < kViewCount; ++v)
      panes += views.view(v)->isVisibleTo(views.container()) ? '1' : '0';
    return panes;
  };
  for (int layout : {0, 1, 2, 3, 42, -1}) {
    views.ApplyLayout(layout);
    EXPECT_EQ(views.layout(), layout == 42 || layout < 0 ? 1 : layout);
    EXPECT_EQ(shown(), layout == 0 ? "1000" : "1111") << layout;
  }
  QStringList titles;
  for (QLabel* label : views.container()->findChildren<QLabel*>())
    titles << label->text();
  // The pane titles, and the labels drawn in the views.
  EXPECT_TRUE(titles.contains("XZ - Axis - TOP"));
  EXPECT_TRUE(titles.contains("XY - Axis - FRONT"));
  EXPECT_TRUE(titles.contains("YZ - Axis - RIGHT"));
  EXPECT_EQ(
      std::string(ViewLabel(0)) + "|" + ViewLabel(1) + "|" + ViewLabel(2) + "|" + ViewLabel(3),
      "Perspective View|XY - Axis|YZ - Axis|XZ - Axis");
  // The 2D views share their column equally.
  views.ApplyLayout(1);
  QApplication::processEvents();
  EXPECT_NEAR(views.view(1)->height(), views.view(2)->height(), 2);
  EXPECT_NEAR(views.view(2)->height(), views.view(3)->height(), 2);

  // Read at the start, written at the close.
  WriteSettingString(kGroupSettings, kViewLayout, "7");
  WriteSettingString(kGroupSettings, kShowGrid, "0");
  WriteSettingString(kGroupDrawingControl, kEyePosition, "1.000000,2.000000,3.000000");
  views.LoadSettings();
  EXPECT_EQ(views.layout(), 1);
  EXPECT_FALSE(views.options().gridShown);
  EXPECT_FLOAT_EQ(views.camera().state.eye.y, 2.0f);
  EXPECT_FLOAT_EQ(views.camera().state.lookAt.x, 0.0f);  // missing: the reset value

  // Layout, grid, eye, look-at and zoom as stored ("-" for none).
  auto stored = [] {
    std::string out;
    for (const char* name : {kViewLayout, kShowGrid})
      out += ReadSettingString(kGroupSettings, name, "-") + "|";
    for (const char* name : {kEyePosition, kLookAt, kZoomFactor})
      out += ReadSettingString(kGroupDrawingControl, name, "-") + "|";
    return out;
  };
  // With objects the camera and the view state are written.
  doc.objects.emplace_back(std::make_unique<SceneObject>())->id = 1;
  views.ApplyLayout(3);
  views.SetGridShown(true);
  PlaceCamera(views.camera(), {4, 5, 6}, {1, 1, 1});
  views.SaveSettings();
  EXPECT_EQ(stored(), "3|1|4.000000,5.000000,6.000000|1.000000,1.000000,1.000000|-|");
  // With an empty scene the camera values are deleted and the camera reset.
  WriteSettingString(kGroupDrawingControl, kZoomFactor, "1");
  doc.objects.clear();
  views.SaveSettings();
  EXPECT_EQ(stored(), "3|1|-|-|-|");
  EXPECT_FLOAT_EQ(views.camera().state.eye.x, 40.0f);

  // A stored eye on the look-at point would leave no viewing direction.
  WriteSettingString(kGroupDrawingControl, kEyePosition, "0.000000,0.000000,0.000000");
  views.LoadSettings();
  EXPECT_FLOAT_EQ(views.camera().state.eye.z, -40.0f);
}

TEST(GraphicsFailure, DialogTextsAndButtons) {
  std::unique_ptr<QMessageBox> box(CreateGraphicsFailureDialog());
  QStringList buttons;
  for (QAbstractButton* button : box->buttons())
    buttons << button->text();
  buttons.sort();
  const QStringList texts{box->windowTitle(), box->text(), box->informativeText(),
                          buttons.join('|')};
  EXPECT_EQ(texts.join('|').toStdString(),
            "3D Graphics Failure|The Torvane could not initialize the required graphics.|Reason: "
            "Unable to initialize OpenGL 3.3.\n\nThis could be because graphics drivers are not "
            "up-to-date.  Update the graphics card drivers and then run Torvane again.\n\nTorvane "
            "will now close.|Close Torvane|Show Graphics Driver Help Page");
  EXPECT_TRUE(ProbeOpenGL33());  // this machine has software OpenGL 3.3
}

}  // namespace
}  // namespace torvane
