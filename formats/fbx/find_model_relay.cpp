// FindModelRelay: where the FBX converter is installed.
#include "core/settings.h"
#include "core/settings_values.h"
#include "formats/fbx/fbx.h"
#include "platform/child_process.h"

namespace torvane {

std::string FindModelRelay() {
  const std::string configured =
      ReadSettingString(ComponentGroup(kModelRelayComponent), kComponentPath, std::string());
  if (!configured.empty()) return configured;
  const std::string folder = RunningProgramFolder();
  if (folder.empty()) return {};
  return (folder == "/" ? std::string() : folder) + "/" + kModelRelayComponent;
}

}  // namespace torvane
