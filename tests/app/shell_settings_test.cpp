// Settings the shell keeps: the INI file behind them, the run counter and
// the end of the start-up hints, the colour chooser's 16 custom colours, and
// the window placement.

#include <QColorDialog>
#include <QFile>
#include <QMainWindow>

#include "app/colour_chooser.h"
#include "app/qt_settings_store.h"
#include "app/start_settings.h"
#include "app/window_placement.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

TEST(StartSettings, RunsAreCountedThePlacementComesBackAndTheIniFileKeepsPlainText) {
  test::ScopedSettings settings;
  WriteSettingInt(kGroupSettings, kRuns, 17);
  CountProgramStart();
  EXPECT_EQ(ReadSettingInt(kGroupSettings, kRuns, 0), 18);
  EXPECT_EQ(ReadSettingInt(kGroupSettings, kRunsSinceLastInstall, 0), 1);
  EXPECT_TRUE(TakeStartupHint());  // shown this once more
  EXPECT_EQ(ReadSettingString(kGroupSettings, kShowHints, ""), "0");
  CountProgramStart();
  EXPECT_FALSE(TakeStartupHint());

  WriteSettingBool(kGroupSettings, kShowHints, true);
  CountProgramStart();  // 20: not a multiple of 9
  EXPECT_TRUE(TakeStartupHint());
  EXPECT_TRUE(ReadSettingBool(kGroupSettings, kShowHints, false));

  {
    QMainWindow window;
    window.setMinimumSize(200, 150);
    window.resize(640, 480);
    window.move(30, 40);
    SaveWindowPlacement(window);
  }
  EXPECT_EQ(ReadSettingInt(kGroupMainWindow, kWindowWidth, 0), 640);
  EXPECT_EQ(ReadSettingString(kGroupMainWindow, kMaximized, ""), "0");
  QMainWindow again;
  again.setMinimumSize(200, 150);
  RestoreWindowPlacement(again);
  EXPECT_EQ(again.size(), QSize(640, 480));
  EXPECT_EQ(again.pos(), QPoint(30, 40));

  // A size below the window's minimum is not taken.
  WriteSettingInt(kGroupMainWindow, kWindowWidth, 10);
  QMainWindow small;
  small.setMinimumSize(200, 150);
  RestoreWindowPlacement(small);
  EXPECT_EQ(small.width(), 200);

  // The INI file behind the settings: values round trip as plain text and
  // hand-edited lists read as written.
  EXPECT_TRUE(QtSettingsStore().FileName().endsWith("Ovalis Software/Torvane.ini"));
  test::TempFolder dir;
  const QString path = QString::fromStdString(dir.Path("Torvane.ini"));
  const std::string tricky[] = {"1.000000,2.000000,3.000000",
                                "@Variant(\\0\\0\\0\\x7f)",
                                "  spaced  ",
                                "true",
                                "007",
                                "semi;colon=equals \"quoted\"",
                                "/home/u/Documents/Models \xC3\xA9t\xC3\xA9",
                                ""};
  {
    QtSettingsStore store(path);
    EXPECT_TRUE(WriteSettingBool(store, kGroupSettings, kViewAsWireframe, true));
    EXPECT_TRUE(store.WriteValue(ComponentGroup("modelrelay"), kComponentPath, "/opt/modelrelay"));
    for (size_t i = 0; i < std::size(tricky); ++i)
      EXPECT_TRUE(store.WriteValue(kGroupEditing, "Text" + std::to_string(i), tricky[i]));
    EXPECT_FALSE(store.ReadValue(kGroupSettings, kShowGrid).has_value());
  }
  // One INI group per settings group, values as plain text; a list typed
  // into the file by hand reads as its text.
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Append));
  file.seek(0);
  const std::string ini = file.readAll().toStdString();
  EXPECT_NE(ini.find("[Settings]\nViewAsWireframe=1\n"), std::string::npos) << ini;
  file.write("[DrawingControl]\nLookAt=4,5,6\n");
  file.close();

  QtSettingsStore reopened(path);
  EXPECT_EQ(reopened.ReadValue(kGroupDrawingControl, kLookAt), "4,5,6");
  EXPECT_EQ(reopened.ReadValue(ComponentGroup("modelrelay"), kComponentPath), "/opt/modelrelay");
  for (size_t i = 0; i < std::size(tricky); ++i)
    EXPECT_EQ(reopened.ReadValue(kGroupEditing, "Text" + std::to_string(i)), tricky[i]) << i;
  EXPECT_TRUE(reopened.ValueExists(kGroupSettings, kViewAsWireframe));
  EXPECT_TRUE(DeleteSettingValue(reopened, kGroupSettings, kViewAsWireframe));
  EXPECT_FALSE(reopened.ValueExists(kGroupSettings, kViewAsWireframe));
  EXPECT_FALSE(reopened.DeleteValue(kGroupSettings, kViewAsWireframe));
}

TEST(ColourChooser, CustomColoursComeFromAndGoBackToTheSettings) {
  test::ScopedSettings settings;
  EXPECT_EQ(ColourReference(0x12, 0x34, 0x56), 0x563412);
  WriteSettingInt(kGroupEditing, "DefaultColor3", ColourReference(10, 20, 30));

  QColor seenCustom;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seenCustom = QColorDialog::customColor(3);
    QColorDialog::setCustomColor(5, QColor(200, 100, 50));
    dialog->setCurrentColor(QColor(255, 0, 0));
    dialog->accept();
  });
  const std::optional<ColourF> chosen = RunColourChooser(nullptr, ColourF{0.5f, 0.5f, 0.5f, 1});
  EXPECT_EQ(seenCustom, QColor(10, 20, 30));
  ASSERT_TRUE(chosen.has_value());
  EXPECT_FLOAT_EQ(chosen->r, 1.0f);
  EXPECT_FLOAT_EQ(chosen->g, 0.0f);
  EXPECT_FLOAT_EQ(chosen->a, 1.0f);
  EXPECT_EQ(ReadSettingInt(kGroupEditing, "DefaultColor5", -1), ColourReference(200, 100, 50));
  EXPECT_EQ(ReadSettingInt(kGroupEditing, "DefaultColor3", -1), ColourReference(10, 20, 30));
  EXPECT_TRUE(SettingValueExists(kGroupEditing, "DefaultColor15"));

  // Cancelled: nothing chosen, nothing written.
  DeleteSettingValue(kGroupEditing, "DefaultColor15");
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
      dialog->reject();
    }
  });
  EXPECT_FALSE(RunColourChooser(nullptr, ColourF{}).has_value());
  EXPECT_FALSE(SettingValueExists(kGroupEditing, "DefaultColor15"));
}

}  // namespace
}  // namespace torvane
