// Settings: decoding of bools, integers and vectors, the cut of long
// values, the underscore names, the installed store, and the overlay store
// whose changes shadow a base store that never changes.
#include "core/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <memory>
#include <string>

#include "core/overlay_settings_store.h"
#include "core/settings_values.h"

namespace torvane {
namespace {

TEST(Settings, BoolAndIntDecoding) {
  MemorySettingsStore store;
  const std::string g = kGroupSettings;
  // Missing or empty values give the default. A bool is false when its text
  // starts with a zero; integers read like atoi, clamped to the int range.
  EXPECT_TRUE(ReadSettingBool(store, g, kShowHints, true));
  EXPECT_EQ(ReadSettingInt(store, g, kRuns, 5), 5);
  for (const auto& [text, value] :
       {std::pair{"0", false}, {"0 but true", false}, {"no", true}, {"", true}}) {
    store.WriteValue(g, kEnableSpecular, text);
    EXPECT_EQ(ReadSettingBool(store, g, kEnableSpecular, true), value) << text;
  }
  for (const auto& [text, value] : {std::pair{"7", 7},
                                    {"abc", 0},
                                    {"", 5},
                                    {"  -12px", -12},
                                    {"99999999999999999999", INT_MAX},
                                    {"-99999999999999999999", INT_MIN}}) {
    store.WriteValue(g, kRuns, text);
    EXPECT_EQ(ReadSettingInt(store, g, kRuns, 5), value) << text;
  }

  EXPECT_TRUE(WriteSettingBool(store, g, kShowGrid, false) && store.ReadValue(g, kShowGrid) == "0");
  EXPECT_TRUE(WriteSettingInt(store, g, kRuns, -42) && store.ReadValue(g, kRuns) == "-42");
  store.WriteValue(g, kDocumentFolder, "");
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, "/home/u/Documents"), "");
}

TEST(Settings, VectorsLeaveTheCallersValueWhenMissing) {
  MemorySettingsStore store;
  const std::string g = kGroupDrawingControl;
  Vec3 eye{9.0f, 8.0f, 7.0f}, partial = eye;
  store.WriteValue(g, kEyePosition, "");
  ReadSettingVector(store, g, kEyePosition, eye);
  // The scan stops at the first field that does not match.
  store.WriteValue(g, kLookAt, " +4.5, 6,x");
  ReadSettingVector(store, g, kLookAt, partial);
  EXPECT_TRUE(eye.z == 7.0f && partial.x == 4.5f && partial.y == 6.0f && partial.z == 7.0f);

  // A comma decimal mark in the user's locale must not leak into the text.
  for (const char* locale : {"C", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, locale)) continue;
    EXPECT_TRUE(WriteSettingVector(store, g, kLookAt, {1.5f, -2.0f, 1000000.0f}));
    EXPECT_EQ(store.ReadValue(g, kLookAt), "1.500000,-2.000000,1000000.000000") << locale;
    Vec3 back;
    ReadSettingVector(store, g, kLookAt, back);
    EXPECT_EQ(back.x, 1.5f) << locale;
  }
  std::setlocale(LC_NUMERIC, "C");
}

TEST(Settings, LongValuesAreCutTo259Utf16Units) {
  MemorySettingsStore store;
  const std::string g = kGroupSettings;
  store.WriteValue(g, kDocumentFolder, std::string(300, 'a'));
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), std::string(259, 'a'));
  // A character outside the basic plane takes two units and is never halved.
  store.WriteValue(g, kDocumentFolder, std::string(258, 'a') + "\xF0\x9F\x98\x80" + "b");
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), std::string(258, 'a'));
  std::string accented;
  for (int i = 0; i < 260; ++i)
    accented += "\xC3\xA9";
  store.WriteValue(g, kDocumentFolder, accented);
  EXPECT_EQ(ReadSettingString(store, g, kDocumentFolder, ""), accented.substr(0, 518));
}

TEST(Settings, DeleteRetriesTheUnderscoreName) {
  MemorySettingsStore store;
  const std::string g = kGroupDrawingControl;
  store.WriteValue(g, "_ZoomFactor", "2");
  EXPECT_TRUE(DeleteSettingValue(store, g, kZoomFactor) && !store.ValueExists(g, "_ZoomFactor"));
  EXPECT_FALSE(DeleteSettingValue(store, g, kZoomFactor));

  store.WriteValue(g, kRotationX, "1");
  store.WriteValue(g, "_RotationX", "1");
  EXPECT_TRUE(DeleteSettingValue(store, g, kRotationX) &&
              !SettingValueExists(store, g, kRotationX));
  EXPECT_TRUE(SettingValueExists(store, g, "_RotationX"));  // only one of them goes
}

TEST(Settings, InstalledStoreIsUsedByTheShortForms) {
  auto owned = std::make_unique<MemorySettingsStore>();
  MemorySettingsStore* installed = owned.get();
  SetSettingsStore(std::move(owned));
  EXPECT_TRUE(WriteSettingInt(kGroupEditing, DefaultColorValueName(15), 0x00FF00));
  EXPECT_EQ(installed->ReadValue("Editing", "DefaultColor15"), "65280");
  SetSettingsStore(nullptr);  // back to a fresh memory store
  EXPECT_FALSE(SettingValueExists(kGroupEditing, DefaultColorValueName(15)));
}

TEST(OverlaySettingsStore, ChangesShadowTheBaseWhichStaysAsItWas) {
  auto base = std::make_unique<MemorySettingsStore>();
  MemorySettingsStore& original = *base;
  original.WriteValue("Settings", "Kept", "1");
  original.WriteValue("Settings", "Changed", "2");
  original.WriteValue("Settings", "Deleted", "3");
  OverlaySettingsStore overlay(std::move(base));

  EXPECT_TRUE(overlay.WriteValue("Settings", "Changed", "20") &&
              overlay.WriteValue("MainWindow", "New", "4") &&
              overlay.DeleteValue("Settings", "Deleted"));
  // Gone already, and never there.
  EXPECT_FALSE(overlay.DeleteValue("Settings", "Deleted") ||
               overlay.DeleteValue("Settings", "Missing"));
  EXPECT_TRUE(overlay.WriteValue("Settings", "Rewritten", "5") &&
              overlay.DeleteValue("Settings", "Rewritten"));

  const struct {
    const char* group;
    const char* name;
    std::optional<std::string> seen;      // through the overlay
    std::optional<std::string> original;  // in the base store
  } cases[] = {
      {"Settings", "Kept", "1", "1"},
      {"Settings", "Changed", "20", "2"},
      {"Settings", "Deleted", std::nullopt, "3"},
      {"MainWindow", "New", "4", std::nullopt},
      {"Settings", "Rewritten", std::nullopt, std::nullopt},
      {"Settings", "Missing", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.group) + "/" + c.name);
    EXPECT_EQ(overlay.ReadValue(c.group, c.name), c.seen);
    EXPECT_EQ(overlay.ValueExists(c.group, c.name), c.seen.has_value());
    EXPECT_EQ(original.ReadValue(c.group, c.name), c.original);
  }
}

}  // namespace
}  // namespace torvane
