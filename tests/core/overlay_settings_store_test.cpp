// OverlaySettingsStore: reads see the base store and the overlay's own
// changes; the base store never changes.
#include <gtest/gtest.h>

#include "core/overlay_settings_store.h"

namespace torvane {
namespace {

TEST(OverlaySettingsStore, ChangesShadowTheBaseWhichStaysAsItWas) {
  auto base = std::make_unique<MemorySettingsStore>();
  MemorySettingsStore& original = *base;
  original.WriteValue("Settings", "Kept", "1");
  original.WriteValue("Settings", "Changed", "2");
  original.WriteValue("Settings", "Deleted", "3");
  OverlaySettingsStore overlay(std::move(base));

  EXPECT_TRUE(overlay.WriteValue("Settings", "Changed", "20"));
  EXPECT_TRUE(overlay.WriteValue("MainWindow", "New", "4"));
  EXPECT_TRUE(overlay.DeleteValue("Settings", "Deleted"));
  EXPECT_FALSE(overlay.DeleteValue("Settings", "Deleted"));  // already gone
  EXPECT_FALSE(overlay.DeleteValue("Settings", "Missing"));
  EXPECT_TRUE(overlay.WriteValue("Settings", "Rewritten", "5"));
  EXPECT_TRUE(overlay.DeleteValue("Settings", "Rewritten"));

  struct Case {
    const char* group;
    const char* name;
    std::optional<std::string> seen;      // through the overlay
    std::optional<std::string> original;  // in the base store
  };
  const Case cases[] = {
      {"Settings", "Kept", "1", "1"},
      {"Settings", "Changed", "20", "2"},
      {"Settings", "Deleted", std::nullopt, "3"},
      {"MainWindow", "New", "4", std::nullopt},
      {"Settings", "Rewritten", std::nullopt, std::nullopt},
      {"Settings", "Missing", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.group) + "/" + c.name);
    EXPECT_EQ(overlay.ReadValue(c.group, c.name), c.seen);
    EXPECT_EQ(overlay.ValueExists(c.group, c.name), c.seen.has_value());
    EXPECT_EQ(original.ReadValue(c.group, c.name), c.original);
  }
}

}  // namespace
}  // namespace torvane
