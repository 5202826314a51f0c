// The run counter and the start-up hint rule.
#include "app/start_settings.h"

#include "core/settings.h"
#include "core/settings_values.h"

namespace torvane {

void CountProgramStart() {
  WriteSettingInt(kGroupSettings, kRuns, ReadSettingInt(kGroupSettings, kRuns, kDefaultRuns) + 1);
  WriteSettingInt(kGroupSettings, kRunsSinceLastInstall,
                  ReadSettingInt(kGroupSettings, kRunsSinceLastInstall, kDefaultRuns) + 1);
}

bool TakeStartupHint() {
  if (!ReadSettingBool(kGroupSettings, kShowHints, kDefaultShowHints)) return false;
  const int runs = ReadSettingInt(kGroupSettings, kRuns, kDefaultRuns);
  if (runs % kHintRunsPeriod == 0) WriteSettingBool(kGroupSettings, kShowHints, false);
  return true;
}

}  // namespace torvane
