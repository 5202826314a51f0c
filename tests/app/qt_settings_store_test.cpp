#include "app/qt_settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/settings.h"
#include "core/settings_values.h"

namespace torvane {
namespace {

std::string FileText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

TEST(QtSettingsStore, ValuesRoundTripAsText) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("Torvane.ini");
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
    EXPECT_EQ(store.FileName(), path);
    EXPECT_TRUE(WriteSettingBool(store, kGroupSettings, kViewAsWireframe, true));
    EXPECT_TRUE(WriteSettingInt(store, kGroupSettings, kEnableCulling, 0));
    EXPECT_TRUE(
        WriteSettingVector(store, kGroupDrawingControl, kEyePosition, Vec3{1.0f, 2.0f, 3.0f}));
    EXPECT_TRUE(store.WriteValue(ComponentGroup("modelrelay"), kComponentPath, "/opt/modelrelay"));
    for (size_t i = 0; i < std::size(tricky); ++i) {
      EXPECT_TRUE(store.WriteValue(kGroupEditing, "Text" + std::to_string(i), tricky[i]));
    }
    EXPECT_EQ(store.ReadValue(kGroupSettings, kViewAsWireframe), "1");
    EXPECT_FALSE(store.ReadValue(kGroupSettings, kShowGrid).has_value());
  }
  // One INI group per settings group, values as plain text.
  const std::string ini = FileText(path);
  EXPECT_NE(ini.find("[Settings]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ViewAsWireframe=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[DrawingControl]"), std::string::npos) << ini;

  QtSettingsStore reopened(path);
  EXPECT_EQ(reopened.ReadValue(kGroupSettings, kEnableCulling), "0");
  EXPECT_EQ(ReadSettingInt(reopened, kGroupSettings, kEnableCulling, kDefaultEnableCulling), 0);
  Vec3 eye;
  ReadSettingVector(reopened, kGroupDrawingControl, kEyePosition, eye);
  EXPECT_EQ(eye.z, 3.0f);
  EXPECT_EQ(reopened.ReadValue(ComponentGroup("modelrelay"), kComponentPath), "/opt/modelrelay");
  for (size_t i = 0; i < std::size(tricky); ++i) {
    EXPECT_EQ(reopened.ReadValue(kGroupEditing, "Text" + std::to_string(i)), tricky[i]) << i;
  }

  EXPECT_TRUE(reopened.ValueExists(kGroupSettings, kViewAsWireframe));
  EXPECT_TRUE(DeleteSettingValue(reopened, kGroupSettings, kViewAsWireframe));
  EXPECT_FALSE(reopened.ValueExists(kGroupSettings, kViewAsWireframe));
  EXPECT_FALSE(reopened.DeleteValue(kGroupSettings, kViewAsWireframe));
  EXPECT_TRUE(ReadSettingBool(reopened, kGroupSettings, kViewAsWireframe, true));
}

TEST(QtSettingsStore, HandEditedListsReadAsTheirText) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("edited.ini");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[DrawingControl]\nLookAt=4,5,6\n[MainWindow]\nX=12\n");
  file.close();
  QtSettingsStore store(path);
  EXPECT_EQ(store.ReadValue(kGroupDrawingControl, kLookAt), "4,5,6");
  EXPECT_EQ(ReadSettingInt(store, kGroupMainWindow, kWindowX, -1), 12);
}

TEST(QtSettingsStore, UserStoreUsesTheProgramsNames) {
  QtSettingsStore store;
  EXPECT_TRUE(store.FileName().endsWith("Ovalis Software/Torvane.ini"))
      << store.FileName().toStdString();
}

}  // namespace
}  // namespace torvane
