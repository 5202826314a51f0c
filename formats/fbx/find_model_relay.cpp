// FindModelRelay: where the FBX converter is installed.
#include "core/settings_store.h"
#include "core/settings_values.h"
#include "formats/fbx/fbx.h"
#include "platform/child_process.h"

namespace torvane {

std::string FindModelRelay() {
  // Read whole: a path cut to the settings' text limit would name another
  // file.
  const std::optional<std::string> configured =
      Settings().ReadValue(ComponentGroup(kModelRelayComponent), kComponentPath);
  if (configured && !configured->empty()) return *configured;
  const std::string folder = RunningProgramFolder();
  if (folder.empty()) return {};
  return (folder == "/" ? std::string() : folder) + "/" + kModelRelayComponent;
}

}  // namespace torvane
