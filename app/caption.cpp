#include "app/caption.h"

namespace torvane {

std::string BuildCaption(const std::string& path, bool modified) {
  std::string caption = std::string(kProductName) + " by Ovalis Software";
  if (!path.empty()) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    caption += " - " + name + (modified ? "*" : "");
  }
  return caption;
}

}  // namespace torvane
