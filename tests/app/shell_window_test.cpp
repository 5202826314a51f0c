// The command set on the real main window: menus, ribbon, quick-access bar
// and accelerators reach the dispatcher with their numbers, commands whose
// work is not built stay disabled, check marks follow the state, and the
// context menu matches each state.
#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <set>

#include "app/command_table.h"
#include "app/ribbon_bar.h"
#include "core/copy_buffer.h"
#include "core/mesh_ops.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "render/scene_views.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class ShellWindowTest : public test::MainWindowTest {
 protected:
  ShellWindowTest() { ShowWindow(); }

  SceneViewsHost& host() { return *attached_.host; }

  // Titles and commands of a menu, one line per entry: "-" separator,
  // ">Title" a popup, the number otherwise.
  static void Describe(const QMenu& menu, std::vector<std::string>& out) {
    for (QAction* action : menu.actions()) {
      if (action->isSeparator()) {
        out.push_back("-");
      } else if (action->menu()) {
        out.push_back(">" + action->menu()->title().toStdString());
        Describe(*action->menu(), out);
        out.push_back("<");
      } else {
        out.push_back(std::to_string(action->data().toInt()));
      }
    }
  }
};

TEST_F(ShellWindowTest, MenuBarFollowsTheRecords) {
  std::vector<std::string> expected;
  int depth = 0;
  for (const MenuRecord& record : MenuBarRecords()) {
    if (record.command == kMenuPopup) {
      if (record.label) {
        expected.push_back(">" + std::string(record.label));
        ++depth;
      } else {
        expected.push_back("<");
        --depth;
      }
    } else if (record.command == 0) {
      expected.push_back("-");
    } else {
      expected.push_back(std::to_string(MenuCommand(record.command)));
    }
  }
  ASSERT_EQ(depth, 0);
  std::vector<std::string> actual;
  for (QAction* top : window_.menuBar()->actions()) {
    ASSERT_NE(top->menu(), nullptr);
    actual.push_back(">" + top->menu()->title().toStdString());
    Describe(*top->menu(), actual);
    actual.push_back("<");
  }
  EXPECT_EQ(actual, expected);

  // Labels carry their keys; radio items exclude each other.
  const QAction* redo = shell().commands().Actions(cmd::kRedo).front();
  EXPECT_EQ(redo->text(), QStringLiteral("Redo\tCtrl+Y"));
  const QAction* face = shell().commands().Actions(cmd::kSelectFace).front();
  ASSERT_NE(face->actionGroup(), nullptr);
  EXPECT_TRUE(face->actionGroup()->isExclusive());
}

TEST_F(ShellWindowTest, EveryActionCarriesItsNumberToTheDispatcher) {
  std::vector<CommandId> received;
  shell().commands().SetDispatcher([&](CommandId command) { received.push_back(command); });
  std::set<CommandId> expected;
  for (const MenuRecord& record : MenuBarRecords()) {
    if (record.command != kMenuPopup && record.command != 0) {
      expected.insert(MenuCommand(record.command));
    }
  }
  for (const RibbonRecord& record : RibbonRecords()) {
    if (record.style != kRibbonSeparator) expected.insert(record.command);
  }
  for (const QuickAccessRecord& record : QuickAccessRecords())
    expected.insert(record.command);

  std::set<CommandId> seen;
  for (CommandId command : shell().commands().Commands()) {
    for (QAction* action : shell().commands().Actions(command)) {
      seen.insert(command);
      received.clear();
      action->setEnabled(true);
      action->trigger();
      // Drop-down buttons only open their popups; everything else dispatches
      // exactly its own number.
      if (PopupOfButton(command)) {
        EXPECT_TRUE(received.empty()) << command;
      } else {
        EXPECT_EQ(received, std::vector<CommandId>{command});
      }
    }
  }
  EXPECT_EQ(seen, expected);

  // The ribbon's tabs and their order.
  ASSERT_EQ(shell().ribbon().count(), 4);
  EXPECT_EQ(shell().ribbon().tabText(0), QStringLiteral("Home"));
  EXPECT_EQ(shell().ribbon().tabText(3), QStringLiteral("View"));
  EXPECT_EQ(shell().ribbon().Buttons(cmd::kRotateObject).front()->popupMode(),
            QToolButton::InstantPopup);
  EXPECT_EQ(shell().ribbon().Buttons(cmd::kConvertTo3D).front()->popupMode(),
            QToolButton::MenuButtonPopup);
}

TEST_F(ShellWindowTest, EveryEnabledCommandReachesItsHandler) {
  // Two selected objects and a filled copy buffer enable nearly everything.
  auto prepare = [&] {
    ClearDocument(shell().lifecycle());
    shell().Dispatch(cmd::kAddCube);
    shell().Dispatch(cmd::kAddSphere);
    shell().DispatchEdit(edit::kCopy);
    shell().RefreshCommands();
    // Whatever a command asks is answered with Cancel.
    ui_.threeAnswers = {kAnswerCancel};
    ui_.twoAnswers = {false};
    ui_.files = {std::nullopt};
  };
  int ran = 0;
  for (CommandId command : shell().commands().Commands()) {
    if (PopupOfButton(command)) continue;
    prepare();
    const bool enabled = shell().commands().Actions(command).front()->isEnabled();
    EXPECT_EQ(shell().Dispatch(command), enabled) << command;
    ran += enabled ? 1 : 0;
  }
  EXPECT_GT(ran, 50);
}

TEST_F(ShellWindowTest, CommandsWaitForTheirSelection) {
  // Nothing selected: the booleans and the selection tools stay disabled and
  // a direct call does not run them.
  const CommandId waiting[] = {3041, 3042, 3043, cmd::kInvertNormals};
  QSignalSpy spy(&shell(), &ApplicationShell::commandDispatched);
  for (CommandId command : waiting) {
    const QList<QAction*> actions = shell().commands().Actions(command);
    ASSERT_FALSE(actions.isEmpty()) << command;
    for (QAction* action : actions)
      EXPECT_FALSE(action->isEnabled()) << command;
    EXPECT_FALSE(shell().Dispatch(command)) << command;
  }
  ASSERT_EQ(spy.count(), static_cast<int>(std::size(waiting)));
  for (const QList<QVariant>& call : spy)
    EXPECT_FALSE(call.at(1).toBool());
}

TEST_F(ShellWindowTest, CommandsRunAndMarksFollow) {
  // Ribbon push button: a cube is added and selected.
  QToolButton* cube = shell().ribbon().Buttons(cmd::kAddCube).front();
  cube->click();
  EXPECT_EQ(SelectedCount(doc_), 1u);
  EXPECT_TRUE(shell().commands().Actions(cmd::kInvertNormals).front()->isEnabled());
  EXPECT_TRUE(shell().commands().Actions(cmd::kUndo).front()->isEnabled());
  EXPECT_TRUE(window_.windowTitle().endsWith(QStringLiteral("Untitled.stl*")));

  // The paired solid / wire-frame buttons toggle; twice returns.
  const bool startWire = host().Wireframe();
  shell().Dispatch(cmd::kSolidPair);
  EXPECT_NE(host().Wireframe(), startWire);
  EXPECT_EQ(ReadSettingBool(kGroupSettings, kViewAsWireframe, !startWire), !startWire);
  EXPECT_TRUE(shell().commands().Actions(cmd::kWireFramePair).front()->isChecked() != startWire);
  shell().Dispatch(cmd::kWireFramePair);
  EXPECT_EQ(host().Wireframe(), startWire);

  // Culling: the mode, its setting, its hint and the radio mark.
  shell().Dispatch(cmd::kCullNothing);
  EXPECT_EQ(host().CullingMode(), 0);
  EXPECT_EQ(ReadSettingInt(kGroupSettings, kEnableCulling, -1), 0);
  EXPECT_EQ(window_.views().hint().text, CullingHint(0));
  EXPECT_TRUE(shell().commands().Actions(cmd::kCullNothing).front()->isChecked());
  shell().Dispatch(cmd::kDrawDoubleSided);
  EXPECT_TRUE(window_.views().hint().text.empty());

  // Layout from the ribbon's popup, checked there and in the menu.
  QToolButton* layout = shell().ribbon().Buttons(cmd::kLayout).front();
  QAction* bottom = nullptr;
  for (QAction* action : layout->menu()->actions()) {
    if (action->data().toInt() == cmd::kViewsBottom) bottom = action;
  }
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->text(), QStringLiteral("Bottom"));
  bottom->trigger();
  EXPECT_EQ(host().Layout(), 2);
  for (QAction* action : shell().commands().Actions(cmd::kViewsBottom)) {
    EXPECT_TRUE(action->isChecked());
  }

  // Subdividing shows a window of its own per object; split one for all.
  cube->click();
  ASSERT_EQ(SelectedCount(doc_), 2u);
  ui_.progressTitles.clear();
  EXPECT_TRUE(shell().DispatchEdit(edit::kSubdivideAllInto3));
  EXPECT_EQ(ui_.progressTitles, std::vector<std::string>(2, "Subdivide all triangles into 3"));
  shell().DispatchEdit(edit::kSelectAll);
  ui_.progressTitles.clear();
  EXPECT_TRUE(shell().Dispatch(cmd::kSplitObjects));
  EXPECT_EQ(ui_.progressTitles, std::vector<std::string>{"Split selected objects"});

  // Undo from the quick-access bar steps back; four steps remove both cubes.
  for (int step = 0; step < 4; ++step) {
    for (QAction* action : shell().quickAccess().actions()) {
      if (action->data().toInt() == cmd::kUndo) action->trigger();
    }
  }
  EXPECT_FALSE(AnyWithTriangles(doc_));
}

TEST_F(ShellWindowTest, UnionFromTheRibbonShowsItsNoticeAndUndoes) {
  QToolButton* union_ = shell().ribbon().Buttons(cmd::kBooleanUnion).front();
  shell().Dispatch(cmd::kAddCube);
  shell().RefreshCommands();
  EXPECT_FALSE(union_->isEnabled());  // one object
  shell().Dispatch(cmd::kAddSphere);
  shell().RefreshCommands();
  ASSERT_EQ(SelectedCount(doc_), 2u);
  ASSERT_TRUE(union_->isEnabled());
  union_->click();
  EXPECT_EQ(ui_.progressTitles.back(), "Union");
  size_t live = 0;
  for (const auto& o : doc_.objects)
    live += (o && IsLive(*o)) ? 1 : 0;
  EXPECT_EQ(live, 1u);
  EXPECT_EQ(SelectedCount(doc_), 1u);
  EXPECT_EQ(window_.views().hint().text, "Union: The 2 selected objects were combined into 1");
  EXPECT_TRUE(window_.views().hint().timed);
  shell().Dispatch(cmd::kUndo);
  live = 0;
  for (const auto& o : doc_.objects)
    live += (o && IsLive(*o)) ? 1 : 0;
  EXPECT_EQ(live, 2u);
}

TEST_F(ShellWindowTest, AcceleratorsFire) {
  QSignalSpy spy(&shell(), &ApplicationShell::commandDispatched);
  window_.activateWindow();
  QApplication::setActiveWindow(&window_);
  auto lastCommand = [&] { return spy.isEmpty() ? -1 : spy.last().at(0).toInt(); };

  const bool grid = host().GridShown();
  QTest::keyClick(&window_, Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(lastCommand(), cmd::kShowGrid);
  EXPECT_NE(host().GridShown(), grid);

  QTest::keyClick(&window_, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(lastCommand(), cmd::kSelectFace);
  EXPECT_EQ(doc_.selectionMode, kSelectionModeFace);
  EXPECT_TRUE(shell().commands().Actions(cmd::kSelectFace).front()->isChecked());
  QTest::keyClick(&window_, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(doc_.selectionMode, kSelectionModeObject);

  shell().Dispatch(cmd::kAddSphere);
  shell().Dispatch(cmd::kUndo);
  QTest::keyClick(&window_, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(lastCommand(), cmd::kRedo);
  EXPECT_TRUE(AnyWithTriangles(doc_));
  QTest::keyClick(&window_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(lastCommand(), cmd::kUndo);
  EXPECT_FALSE(AnyWithTriangles(doc_));
  QTest::keyClick(&window_, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(lastCommand(), cmd::kRedo);
  EXPECT_TRUE(AnyWithTriangles(doc_));

  // One key for all five property commands: the first record's number.
  QTest::keyClick(&window_, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(lastCommand(), cmd::kPropertiesEdit);

  QTest::keyClick(&window_, Qt::Key_Delete);
  EXPECT_EQ(lastCommand(), cmd::kDelete);
  EXPECT_FALSE(AnyWithTriangles(doc_));
}

std::vector<std::string> Labels(QMenu& menu, std::vector<bool>* enabled = nullptr) {
  std::vector<std::string> labels;
  for (QAction* action : menu.actions()) {
    labels.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    if (enabled) enabled->push_back(action->isEnabled());
  }
  return labels;
}

TEST_F(ShellWindowTest, ContextMenuFollowsTheState) {
  std::unique_ptr<QMenu> menu(shell().CreateContextMenu(&window_));
  std::vector<bool> enabled;
  EXPECT_EQ(Labels(*menu, &enabled),
            (std::vector<std::string>{"Paste from Copy Buffer", "Select all"}));
  EXPECT_EQ(enabled, (std::vector<bool>{false, false}));

  shell().Dispatch(cmd::kAddCube);
  menu.reset(shell().CreateContextMenu(&window_));
  enabled.clear();
  const std::vector<std::string> objectItems = Labels(*menu, &enabled);
  std::string joined;
  for (const std::string& label : objectItems)
    joined += label + "|";
  EXPECT_EQ(joined,
            "Select all|Deselect all|Copy selected|Cut selected|Delete selected|Move selected|"
            "Rotate by dragging|Rotate selected|Scale selected|-|Center on Grid Origin|"
            "Reset Object Origin to its own Center|Reset Object Origin to Grid Origin|-|"
            "Apply color|Duplicate Objects|Group Objects|Split Objects|Remove Duplicate Triangles|"
            "Remove Duplicate Vertices|Subdivide all triangles into 3|"
            "Subdivide all triangles into 4|Boolean Intersect|Boolean Subtract|Boolean Union|"
            "Object Properties...|");
  auto enabledOf = [&](const std::string& label) {
    for (size_t i = 0; i < objectItems.size(); ++i)
      if (objectItems[i] == label) return static_cast<bool>(enabled[i]);
    return false;
  };
  EXPECT_FALSE(enabledOf("Group Objects"));  // one object
  EXPECT_FALSE(enabledOf("Boolean Union"));
  EXPECT_TRUE(enabledOf("Duplicate Objects"));
  EXPECT_TRUE(enabledOf("Split Objects"));
  QMenu* rotations = menu->actions()[7]->menu();
  ASSERT_NE(rotations, nullptr);
  ASSERT_EQ(rotations->actions().size(), 12);
  EXPECT_EQ(rotations->actions()[1]->text(), QStringLiteral("Rotate Y-Axis 45"));
  EXPECT_EQ(rotations->actions()[11]->text(), QStringLiteral("Rotate Z-Axis 270"));

  // Two objects: Group is offered.
  shell().Dispatch(cmd::kAddTorus);
  ASSERT_EQ(SelectedCount(doc_), 2u);
  menu.reset(shell().CreateContextMenu(&window_));
  for (QAction* action : menu->actions()) {
    if (action->text() == QStringLiteral("Group Objects")) {
      EXPECT_TRUE(action->isEnabled());
    }
  }

  // A chosen item reaches the edit dispatcher: copy, then deselect; Paste is offered.
  EXPECT_TRUE(shell().DispatchEdit(edit::kCopy));
  EXPECT_TRUE(shell().DispatchEdit(edit::kDeselectAll));
  menu.reset(shell().CreateContextMenu(&window_));
  enabled.clear();
  Labels(*menu, &enabled);
  EXPECT_EQ(enabled, (std::vector<bool>{true, true}));

  // An element mode without elements offers nothing.
  shell().DispatchEdit(edit::kSelectAll);
  shell().Dispatch(cmd::kSelectTriangle);
  menu.reset(shell().CreateContextMenu(&window_));
  EXPECT_TRUE(menu->isEmpty());
}

TEST_F(ShellWindowTest, ClosingWithChangesAutosavesWithoutAsking) {
  shell().Dispatch(cmd::kAddIcosahedron);
  EXPECT_TRUE(window_.close());
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_FALSE(FindAutosaveFile(shell().lifecycle().folders.autoSave).empty());
  // The placement of a started window is kept.
  EXPECT_TRUE(SettingValueExists(kGroupMainWindow, kWindowHeight));
}

}  // namespace
}  // namespace torvane
