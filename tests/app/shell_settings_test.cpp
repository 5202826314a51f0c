// Settings the shell keeps: the run counter and the end of the start-up
// hints, the colour chooser's 16 custom colours, and the window placement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QMainWindow>
#include <QTimer>

#include "app/colour_chooser.h"
#include "app/start_settings.h"
#include "app/window_placement.h"
#include "core/settings.h"
#include "core/settings_values.h"
#include "shell_test_support.h"

namespace torvane {
namespace {

using test::ScopedSettings;

TEST(StartSettings, RunsAreCountedAndTheNinthStartEndsTheHints) {
  ScopedSettings settings;
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
}

TEST(ColourChooser, CustomColoursComeFromAndGoBackToTheSettings) {
  ScopedSettings settings;
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

TEST(WindowPlacement, TheNormalRectangleComesBack) {
  ScopedSettings settings;
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
}

}  // namespace
}  // namespace torvane
