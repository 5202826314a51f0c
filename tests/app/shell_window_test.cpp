// The command set on the real main window: menus, ribbon, quick-access bar
// and accelerators reach the dispatcher with their numbers, commands whose
// work is not built stay disabled, check marks follow the state, and the
// context menu matches each state.

#include <QActionGroup>
#include <QMenuBar>
#include <QShortcut>
#include <QSignalSpy>
#include <QToolBar>

#include "app/caption.h"
#include "app/command_table.h"
#include "app/ribbon_bar.h"
#include "core/mesh_ops.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

class ShellWindowTest : public test::MainWindowTest {
 protected:
  ShellWindowTest() { ShowWindow(); }

  SceneViewsHost& host() { return *attached_.host; }
};

// The menu bar as the user sees it: ">Title" opens a popup, "<" closes it,
// "-" is a separator, "*" marks a radio or check item.
const char kMenuBar[] =
    ">&File|1002 New File...\tCtrl+N|1003 Open File...\tCtrl+O|1004 Close File\tCtrl+W|1005 Save "
    "File...\tCtrl+S|1006 &Save As...\tCtrl+Shift+S|-|1007 File Properties...|<|>&Edit|2001 "
    "Undo\tCtrl+Z|2002 Redo\tCtrl+Y|-|2072 Cut\tCtrl+X|2071 Copy\tCtrl+C|2073 Paste\tCtrl+V|2074 "
    "Delete\tDel|>3D Select Mode|*2022 Select Object\tCtrl+Shift+O|*2023 Select Face\tCtrl+Shift+F|"
    "*2024 Select Triangle\tCtrl+Shift+T|*2025 Select Edge\tCtrl+Shift+E|*2026 Select "
    "Vertex\tCtrl+Shift+V|<|-|2050 Color|2051 Color Picker|2052 Apply color to selected objects|-|"
    "2011 Add Cube|2012 Add Sphere|2013 Add Icosahedron|2014 Add Torus|-|>Allow Axis Movement|"
    "*2053 Allow X Movement|*2054 Allow Y Movement|*2055 Allow Z Movement|<|-|*2240 Move Object|"
    ">Rotate Object|*2205 Rotate by dragging|-|2210 Rotate X-Axis 45|2211 Rotate X-Axis 90|2212 "
    "Rotate X-Axis 180|2213 Rotate X-Axis 270|2220 Rotate Y-Axis 45|2221 Rotate Y-Axis 90|2222 "
    "Rotate Y-Axis 180|2223 Rotate Y-Axis 270|2230 Rotate Z-Axis 45|2231 Rotate Z-Axis 90|2232 "
    "Rotate Z-Axis 180|2233 Rotate Z-Axis 270|<|*2250 Scale Object|-|>2D Draw Mode|*2032 Not "
    "Drawing|-|*2033 Draw 2D Circle|*2034 Draw 2D Ellipse|*2035 Draw 2D Line|*2036 Draw 2D "
    "Rectangle|<|-|2041 Delete 2D Drawing|2042 Extrude 3D from 2D Drawing|2043 Form 3D from 2D "
    "(Horizontal Slices)|2044 Form 3D from 2D (Vertical Slices)|-|2260 Object "
    "Properties...\tCtrl+P|<|>&Tools|3011 Invert Normals|3012 Recalculate Normals|3013 Reverse "
    "Winding Order|-|3020 Duplicate Objects|3022 Group Objects|3021 Split Objects|-|3032 Remove "
    "Duplicate Triangles|3031 Remove Duplicate Vertices|-|3041 Boolean Intersection|3042 Boolean "
    "Subtract|3043 Boolean Union|-|3050 3D Converter...|<|>&View|*4010 Solid|*4011 Wire Frame|-|"
    ">Backface Culling|*4013 Do not cull anything|-|*4014 Cull Backfaces|*4015 Draw double sided|<|"
    "*4016 Specular Highlight|-|*4030 Show Grid\tCtrl+G|-|*4041 Hide 2D Views|*4042 Show 2D Views "
    "on Right Side|*4043 Show 2D Views at Bottom|*4044 Show 2D Views in Quadrants|-|4050 Reset "
    "View\tCtrl+R|4500 Object Properties...\tCtrl+P|<";

// The ribbon tabs: their buttons in order, "|" a separator, ";" between tabs.
const char kRibbonTabs[] =
    "Home: 1002 1003 1005 1006 | 2001 2002 | 1100 | 2011 2012 2013 2014 | 1200;"
    "Edit: 2001 2002 | 2071 2072 2073 2074 | 2500 | 2110 | 2050 2051 2052 | 2240 2200 2250 | 2201 "
    "| "
    "2300 2400;Tools: 3011 3012 3013 | 3020 3022 3021 3030 | 3041 3042 3043 | 3050;"
    "View: 4017 4018 | 4012 4016 | 4050 4030 | 3045 | 3500";

// Each ribbon button: its number, label, tooltip and kind (push, check,
// drop-down, drop-down check, split), ";" between buttons.
const char kRibbonButtons[] =
    "1002 New File|Create a new file|push;1003 Open File|Open a file|push;1005 Save File|Save the "
    "file|push;1006 Save As|Save as file|push;2001 Undo|Undo the previous change to this file|push;"
    "2002 Redo|Redo the last undone change to this file|push;1100 Select Object|Select an object|"
    "drop;2110 Select Object|Select an object|drop;2011 Add Cube|Add a simple Cube|push;2012 Add "
    "Sphere|Add a simple Sphere|push;2013 Add Icosahedron|Add a 20 sided polygon|push;2014 Add "
    "Torus|Add a simple Torus|push;1200 Properties|Show the object properties|push;2500 Properties|"
    "Show the object properties|push;3500 Properties|Show the object properties|push;2071 Copy|"
    "Copy the selected to the copy buffer|push;2072 Cut|Cut the selected items to the copy buffer|"
    "push;2073 Paste|Paste the items from the copy buffer|push;2074 Delete|Delete the selected "
    "items|push;2050 Color|Current color|push;2051 Color Picker|Pick a color from the model|check;"
    "2052 Apply Color|Apply the color to the selected objects|push;2240 Move Object|Move the "
    "selected objects|check;2200 Rotate Object|Rotate the selected objects|drop check;2250 Scale "
    "Object|Scale the selected objects|check;2201 Allow Axis|Allow movement along an Axis|drop;"
    "2300 Select 2D Object|2D drawing mode|drop;2400 Convert to 3D|Action on 2D outlines|split;"
    "3011 Invert Normals|Invert Mesh Normals|push;3012 Recalculate Normals|Recalculate Mesh "
    "Normals|push;3013 Reverse Winding|Reverse Triangle Winding Order|push;3020 Duplicate Objects|"
    "Make a copy of the selected objects|push;3022 Group Objects|Join all of the selected objects "
    "into a single object|push;3021 Split Objects|Separate the selected objects into their "
    "separate meshes|push;3030 Cleanup|Remove duplicated triangles and vertices|drop;3041 "
    "Intersection|Create the intersection of the selected objects|push;3042 Subtract|Subtract the "
    "meshes from the target mesh|push;3043 Union|Create the union of the selected objects|push;"
    "3050 3D Converter...|Run the 3D file format converter. Opens an external program.|push;4017 "
    "Solid|Show model as a solid|check;4018 Wire Frame|Show model as wire frame|check;4012 "
    "Backface Culling|Change the method used to draw triangles facing away from the camera.|drop;"
    "4016 Specular|Enable or disable Specular Highlighting|check;4050 Reset View|Reset the view to "
    "center the drawing grid in the window|push;4030 Show Grid|Show the edit grid|check;3045 View|"
    "Select window layout|drop";

// The drop-down popups by the number of the button that opens them.
const char kPopups[] =
    "1100 2022 Select Object|2023 Select Face|2024 Select Triangle|2025 Select Edge|2026 Select "
    "Vertex;3045 4041 Hide 2D Views|4042 Side|4043 Bottom|4044 Quadrant;4012 4013 Do not cull "
    "anything|-|4014 Cull Backfaces|4015 Draw double sided;2300 2032 Select 2D Object|-|2033 Draw "
    "2D "
    "Circle|2034 Draw 2D Ellipse|2035 Draw 2D Line|2036 Draw 2D Rectangle;2400 2042 Extrude 3D "
    "from "
    "2D Outline|2043 Form 3D from 2D Outline (Horizontal Slices)|2044 Form 3D from 2D Outline "
    "(Vertical Slices)|-|2041 Delete 2D Outline;3030 3032 Remove Duplicated Triangles|3031 Remove "
    "Duplicated Vertices;2200 2205 Rotate by dragging|-|2210 Rotate X-Axis 45|2211 Rotate X-Axis "
    "90|"
    "2212 Rotate X-Axis 180|2213 Rotate X-Axis 270|2220 Rotate Y-Axis 45|2221 Rotate Y-Axis "
    "90|2222 "
    "Rotate Y-Axis 180|2223 Rotate Y-Axis 270|2230 Rotate Z-Axis 45|2231 Rotate Z-Axis 90|2232 "
    "Rotate Z-Axis 180|2233 Rotate Z-Axis 270;2201 2053 Allow X Movement|2054 Allow Y "
    "Movement|2055 "
    "Allow Z Movement";

const char kQuickAccess[] =
    "1002 Close the current file and create a new one|1003 Open an existing file|1005 Save to the "
    "current file|2001 Undo the previous change to this model|2002 Redo the last undone change to "
    "this model";

// In sorted order; Ctrl+P stands for all five property commands: the first
// record's number.
const char kAccelerators[] =
    "Ctrl+C 2071|Ctrl+G 4030|Ctrl+N 1002|Ctrl+O 1003|Ctrl+P 2260|Ctrl+R 4050|Ctrl+S "
    "1005|Ctrl+Shift+E "
    "2025|Ctrl+Shift+F 2023|Ctrl+Shift+O 2022|Ctrl+Shift+S 1006|Ctrl+Shift+T 2024|Ctrl+Shift+V "
    "2026|"
    "Ctrl+Shift+Z 2002|Ctrl+V 2073|Ctrl+W 1004|Ctrl+X 2072|Ctrl+Y 2002|Ctrl+Z 2001|Del 2074";

// The "number text" entries of a table, by number.
std::map<int, std::string> ByNumber(const char* table) {
  std::map<int, std::string> entries;
  for (const QString& entry : QString::fromUtf8(table).split(';'))
    entries[entry.section(' ', 0, 0).toInt()] = entry.section(' ', 1).toStdString();
  return entries;
}

QString Entry(const QAction& action) {
  if (action.isSeparator()) return QStringLiteral("-");
  return (action.isCheckable() ? "*" : "") + QString::number(action.data().toInt()) + ' ' +
         action.text();
}

// A menu bar or menu, its popups opened by ">Title" and closed by "<".
void DescribeMenu(const QWidget& menu, QStringList& out) {
  for (QAction* action : menu.actions()) {
    if (QMenu* popup = action->menu()) {
      out << '>' + popup->title();
      DescribeMenu(*popup, out);
      out << QStringLiteral("<");
    } else {
      out << Entry(*action);
    }
  }
}

TEST_F(ShellWindowTest, TheCommandSetShowsItsTextsAndEveryCommandReachesItsHandler) {
  QStringList menus;
  DescribeMenu(*window_.menuBar(), menus);
  EXPECT_EQ(menus.join('|').toStdString(), kMenuBar);
  const QAction* face = shell().commands().Actions(cmd::kSelectFace).front();
  ASSERT_NE(face->actionGroup(), nullptr);
  EXPECT_TRUE(face->actionGroup()->isExclusive());

  const std::map<int, std::string> buttons = ByNumber(kRibbonButtons), popups = ByNumber(kPopups);
  QStringList tabs;
  for (int tab = 0; tab < shell().ribbon().count(); ++tab) {
    QToolBar* bar = shell().ribbon().TabBar(tab);
    QStringList items{shell().ribbon().tabText(tab) + ':'};
    for (QAction* action : bar->actions()) {
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
      if (!button) {
        items << QStringLiteral("|");
        continue;
      }
      const int command = button->property("command").toInt();
      items << QString::number(command);
      const QAction* shown = button->defaultAction();
      const char* kind = button->popupMode() == QToolButton::MenuButtonPopup ? "split"
                         : button->menu()       ? (shown->isCheckable() ? "drop check" : "drop")
                         : shown->isCheckable() ? "check"
                                                : "push";
      EXPECT_EQ((shown->text() + '|' + shown->toolTip() + '|' + kind).toStdString(),
                buttons.at(command));
      if (button->menu()) {
        QStringList popup;
        for (QAction* item : button->menu()->actions())
          popup << Entry(*item).mid(item->isCheckable() ? 1 : 0);
        EXPECT_EQ(popup.join('|').toStdString(), popups.at(command == 2110 ? 1100 : command));
      }
    }
    tabs << items.join(' ');
  }
  EXPECT_EQ(tabs.join(';').toStdString(), kRibbonTabs);
  EXPECT_EQ(shell().ribbon().Buttons(cmd::kRotateObject).front()->popupMode(),
            QToolButton::InstantPopup);

  QStringList quick, keys;
  for (QAction* action : shell().quickAccess().actions())
    quick << QString::number(action->data().toInt()) + ' ' + action->toolTip();
  EXPECT_EQ(quick.join('|').toStdString(), kQuickAccess);
  for (QShortcut* shortcut : window_.findChildren<QShortcut*>())
    keys << shortcut->key().toString() + ' ' + shortcut->objectName().mid(11);
  keys.sort();
  EXPECT_EQ(keys.join('|').toStdString(), kAccelerators);

  // An empty document, then two selected objects and a filled copy buffer,
  // which enable nearly everything: each enabled command runs, each
  // disabled one is refused and reported as not run, and a command is
  // enabled alike in every place it is offered. With nothing selected the
  // booleans and the selection tools wait.
  const std::set<CommandId> kWaitForASelection = {3041, 3042, 3043, cmd::kInvertNormals};
  QSignalSpy spy(&shell(), &ApplicationShell::commandDispatched);
  for (bool filled : {false, true}) {
    SCOPED_TRACE(filled ? "two objects" : "empty");
    int ran = 0;
    for (CommandId command : shell().commands().Commands()) {
      if (PopupOfButton(command)) continue;
      // The mode buttons stay enabled; forwarded as edit commands, they
      // wait for a selection.
      const bool modeButton = command == cmd::kMoveObject || command == cmd::kScaleObject ||
                              command == cmd::kRotateByDragging;
      if (!filled && modeButton) continue;
      ClearDocument(shell().lifecycle());
      if (filled) {
        shell().Dispatch(cmd::kAddCube);
        shell().Dispatch(cmd::kAddSphere);
        shell().DispatchEdit(edit::kCopy);
      }
      shell().RefreshCommands();
      // Whatever a command asks is answered with Cancel.
      ui_.threeAnswers = {kAnswerCancel};
      ui_.twoAnswers = {false};
      ui_.files = {std::nullopt};
      const QList<QAction*> actions = shell().commands().Actions(command);
      const bool enabled = actions.front()->isEnabled();
      for (QAction* action : actions)
        EXPECT_EQ(action->isEnabled(), enabled) << command;
      EXPECT_FALSE(!filled && kWaitForASelection.count(command) && enabled) << command;
      EXPECT_EQ(shell().Dispatch(command), enabled) << command;
      EXPECT_EQ(spy.last().at(1).toBool(), enabled) << command;
      ran += enabled ? 1 : 0;
    }
    EXPECT_GT(ran, filled ? 50 : 10);
  }

  // Every number the tables above name has an action; drop-down buttons
  // only open their popups, everything else dispatches exactly its number.
  std::set<CommandId> expected, seen;
  for (const QString& entry : QString::fromUtf8(kMenuBar).split('|')) {
    if (const int number = entry.mid(entry.startsWith('*') ? 1 : 0).section(' ', 0, 0).toInt())
      expected.insert(number);
  }
  for (const auto& [command, text] : ByNumber(kRibbonButtons))
    expected.insert(command);
  std::vector<CommandId> received;
  shell().commands().SetDispatcher([&](CommandId command) { received.push_back(command); });
  for (CommandId command : shell().commands().Commands()) {
    for (QAction* action : shell().commands().Actions(command)) {
      seen.insert(command);
      received.clear();
      action->setEnabled(true);
      action->trigger();
      EXPECT_EQ(received, PopupOfButton(command) ? std::vector<CommandId>{}
                                                 : std::vector<CommandId>{command});
    }
  }
  EXPECT_EQ(seen, expected);
}

// The hints the commands show, as the user reads them.

TEST_F(ShellWindowTest, CommandsRunMarksFollowTheUnionShowsItsNoticeAndClosingAutosaves) {
  EXPECT_EQ(BuildCaption("", true), "Torvane by Ovalis Software");
  // Ribbon push button: a cube is added and selected.
  QToolButton* cube = shell().ribbon().Buttons(cmd::kAddCube).front();
  cube->click();
  EXPECT_EQ(SelectedCount(doc_), 1u);
  EXPECT_TRUE(shell().commands().Actions(cmd::kInvertNormals).front()->isEnabled());
  EXPECT_TRUE(shell().commands().Actions(cmd::kUndo).front()->isEnabled());
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("Torvane by Ovalis Software - Untitled.stl*"));
  shell().Dispatch(cmd::kFileProperties);
  EXPECT_EQ(ui_.Shown(), "File Properties: File: " + doc_.filePath +
                             "\nFormat: STL Stereo Lithography (Binary)\nObjects: 1\nTriangles: "
                             "12\nUnsaved changes: Yes");

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
  for (QAction* action : shell().ribbon().Buttons(cmd::kLayout).front()->menu()->actions()) {
    if (action->data().toInt() == cmd::kViewsBottom) action->trigger();
  }
  EXPECT_EQ(host().Layout(), 2);
  for (QAction* action : shell().commands().Actions(cmd::kViewsBottom))
    EXPECT_TRUE(action->isChecked());

  // Subdividing shows a window of its own per object; split one for all.
  cube->click();
  ASSERT_EQ(SelectedCount(doc_), 2u);
  ui_.progressTitles.clear();
  EXPECT_TRUE(shell().DispatchEdit(edit::kSubdivideAllInto3));
  shell().DispatchEdit(edit::kSelectAll);
  EXPECT_TRUE(shell().Dispatch(cmd::kSplitObjects));
  EXPECT_EQ(ui_.progressTitles,
            (std::vector<std::string>{"Subdivide all triangles into 3",
                                      "Subdivide all triangles into 3", "Split selected objects"}));

  // Undo from the quick-access bar steps back; four steps remove both cubes.
  for (int step = 0; step < 4; ++step) {
    for (QAction* action : shell().quickAccess().actions()) {
      if (action->data().toInt() == cmd::kUndo) action->trigger();
    }
  }
  EXPECT_FALSE(AnyWithTriangles(doc_));

  // The union from the ribbon: its notice, and one Undo.
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
  EXPECT_EQ(doc_.objectCount, 1u);
  EXPECT_EQ(SelectedCount(doc_), 1u);
  EXPECT_EQ(window_.views().hint().text, "Union: The 2 selected objects were combined into 1");
  EXPECT_TRUE(window_.views().hint().timed);
  shell().Dispatch(cmd::kUndo);
  EXPECT_EQ(doc_.objectCount, 2u);

  // Closing with changes autosaves without asking and keeps the placement
  // of a started window.
  EXPECT_TRUE(window_.close());
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_FALSE(FindAutosaveFile(shell().lifecycle().folders.autoSave).empty());
  EXPECT_TRUE(SettingValueExists(kGroupMainWindow, kWindowHeight));
}

// The menu's items, "-" a separator and "!" before a disabled item.
std::string Items(QMenu& menu) {
  QStringList items;
  for (QAction* action : menu.actions())
    items << (action->isSeparator() ? "-" : (action->isEnabled() ? "" : "!") + action->text());
  return items.join('|').toStdString();
}

TEST_F(ShellWindowTest, AcceleratorsFireTheContextMenuFollowsAndHintsReadAsWritten) {
  QSignalSpy spy(&shell(), &ApplicationShell::commandDispatched);
  window_.activateWindow();
  QApplication::setActiveWindow(&window_);
  const bool grid = host().GridShown();
  shell().Dispatch(cmd::kAddSphere);
  shell().Dispatch(cmd::kUndo);
  constexpr auto kCtrl = Qt::ControlModifier;
  constexpr auto kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;
  // Each key, the command it dispatches, and whether the sphere is there after.
  const std::tuple<Qt::Key, Qt::KeyboardModifiers, CommandId, bool> kKeys[] = {
      {Qt::Key_G, kCtrl, cmd::kShowGrid, false},
      {Qt::Key_F, kCtrlShift, cmd::kSelectFace, false},
      {Qt::Key_O, kCtrlShift, cmd::kSelectObject, false},
      {Qt::Key_Z, kCtrlShift, cmd::kRedo, true},
      // One key for all five property commands: the first record's number.
      {Qt::Key_P, kCtrl, cmd::kPropertiesEdit, true},
      {Qt::Key_Delete, Qt::NoModifier, cmd::kDelete, false},
  };
  for (const auto& [key, modifiers, command, sphere] : kKeys) {
    QTest::keyClick(&window_, key, modifiers);
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(spy.last().at(0).toInt(), command);
    EXPECT_EQ(AnyWithTriangles(doc_), sphere) << command;
    if (command == cmd::kSelectFace) {
      EXPECT_EQ(doc_.selectionMode, kSelectionModeFace);
      EXPECT_TRUE(shell().commands().Actions(cmd::kSelectFace).front()->isChecked());
    }
  }
  EXPECT_NE(host().GridShown(), grid);
  EXPECT_EQ(doc_.selectionMode, kSelectionModeObject);

  // The context menu follows the state.
  auto menu = [&] { return std::unique_ptr<QMenu>(shell().CreateContextMenu(&window_)); };
  EXPECT_EQ(Items(*menu()), "!Paste from Copy Buffer|!Select all");

  shell().Dispatch(cmd::kAddCube);
  EXPECT_EQ(Items(*menu()),
            "Select all|Deselect all|Copy selected|Cut selected|Delete selected|Move selected|"
            "Rotate by dragging|Rotate selected|Scale selected|-|Center on Grid Origin|Reset "
            "Object Origin to its own Center|Reset Object Origin to Grid Origin|-|Apply color|"
            "Duplicate Objects|!Group Objects|Split Objects|Remove Duplicate Triangles|Remove "
            "Duplicate Vertices|Subdivide all triangles into 3|Subdivide all triangles into 4|"
            "!Boolean Intersect|!Boolean Subtract|!Boolean Union|Object Properties...");
  std::unique_ptr<QMenu> objectMenu = menu();
  ASSERT_NE(objectMenu->actions()[7]->menu(), nullptr);
  EXPECT_EQ(Items(*objectMenu->actions()[7]->menu()),
            "Rotate X-Axis 45|Rotate Y-Axis 45|Rotate Z-Axis 45|Rotate X-Axis 90|Rotate Y-Axis 90|"
            "Rotate Z-Axis 90|Rotate X-Axis 180|Rotate Y-Axis 180|Rotate Z-Axis 180|Rotate X-Axis "
            "270|Rotate Y-Axis 270|Rotate Z-Axis 270");

  // Two objects: Group is offered.
  shell().Dispatch(cmd::kAddTorus);
  ASSERT_EQ(SelectedCount(doc_), 2u);
  EXPECT_EQ(Items(*menu()).find("!Group"), std::string::npos);
  // Copied, then deselected: Paste is offered.
  EXPECT_TRUE(shell().DispatchEdit(edit::kCopy));
  EXPECT_TRUE(shell().DispatchEdit(edit::kDeselectAll));
  EXPECT_EQ(Items(*menu()), "Paste from Copy Buffer|Select all");
  // An element mode without elements offers nothing.
  shell().DispatchEdit(edit::kSelectAll);
  shell().Dispatch(cmd::kSelectTriangle);
  EXPECT_TRUE(menu()->isEmpty());

  // With elements of the mode selected: the element items of that mode.
  const std::tuple<CommandId, uint32_t, const char*> kElementMenus[] = {
      {cmd::kSelectVertex, kSelectVertex, "Delete vertex|Move vertex"},
      {cmd::kSelectEdge, kSelectEdge, "Collapse line|Duplicate line|Move line|Subdivide line"},
      {cmd::kSelectTriangle, kSelectTriangle,
       "Reverse triangle|Collapse triangle|Remove triangle|Duplicate triangle|Subdivide triangle "
       "into 3|Subdivide triangle into 4|Apply color"},
      {cmd::kSelectFace, kSelectFace,
       "Reverse face|Collapse face|Remove face|Duplicate face|Subdivide face|Apply color"},
  };
  for (const auto& [mode, element, items] : kElementMenus) {
    shell().Dispatch(mode);
    SceneObject& object = *doc_.objects.back();
    object.selected = true;
    SelectionRecord record;
    record.elementType = element;
    PushSelectionRecord(object.selectionRecords, record);
    EXPECT_EQ(Items(*menu()), items) << mode;
  }

  // A selected object holding a 2D outline: the outline conversions.
  shell().Dispatch(cmd::kSelectObject);
  doc_.objects.back()->outlineShapes.emplace_back();
  EXPECT_EQ(Items(*menu()),
            "Extrude 3D from 2D Outline|Form 3D from 2D Outline (horizontal slices)|Form 3D from "
            "2D Outline (vertical slices)|-|Delete 2D Outline");

  // (The culling hints are checked with the normal commands.)
  EXPECT_STREQ(kStartupHintText,
               "1 - Right-click and drag your mouse to change the camera angle\n2 - Right-click to "
               "instantly access editing tools and options for the selected objects\n3 - Use your "
               "mouse wheel to zoom the camera view in or out\n4 - Experiment with the different "
               "Select Object options on the Home tab to modify\n      your object or a portion of "
               "it\n5 - Click Reset View on the View tab to reset the perspective camera view\n6 - "
               "To use 2D drawing tools, draw on one of the 2D views");
  shell().Dispatch(cmd::kAddCube);
  const std::pair<CommandId, const char*> kShown[] = {
      {cmd::kScaleObject, "Use the mouse wheel to scale the selected objects"},
      {cmd::kRotateByDragging,
       "Left-click and drag to rotate the select objects.\nYou may restrict the rotation to be "
       "around certain axis\nby using Allow Axis on the Edit tab to select the axis."},
      {cmd::kColourPicker, "Use the eye dropper to pick the color"},
      {cmd::kAllowX, "Movement along the X axis has been locked"},
      {cmd::kDrawCircle,
       "Left-click and drag on one of the 2D views\nto form a 2D circle on the drawing plane"},
      {cmd::kDrawEllipse,
       "Left-click and drag on one of the 2D views\nto form a 2D ellpise on the drawing plane"},
      {cmd::kDrawLine,
       "Left-click and drag on one of the 2D views\nto draw a line on the drawing plane.\nEach "
       "left-click will start a new line segement."},
      {cmd::kDrawRectangle,
       "Left-click and drag on one of the 2D views\nto form a 2D rectangle on the drawing plane"},
  };
  for (const auto& [command, hint] : kShown) {
    shell().Dispatch(command);
    EXPECT_EQ(window_.views().hint().text, hint) << command;
  }
}

}  // namespace
}  // namespace torvane
