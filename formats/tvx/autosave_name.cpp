// The autosave file's name: the document's file name (the last path
// component, extension included) followed by ".autosave.tvx", so that
// "model.stl" autosaves as "model.stl.autosave.tvx" and a new document as
// "Untitled.stl.autosave.tvx".
#include "formats/tvx/tvx.h"

namespace torvane {

std::string AutosaveFileName(const std::string& documentPath) {
  const size_t slash = documentPath.find_last_of("/\\");
  const std::string name =
      slash == std::string::npos ? documentPath : documentPath.substr(slash + 1);
  if (name.empty()) return {};
  return name + ".autosave.tvx";
}

}  // namespace torvane
