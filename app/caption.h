// The main window's caption: "Torvane by Ovalis Software - NAME" with a "*"
// after the name while the document has unsaved changes.
#pragma once

#include <string>

namespace torvane {

inline constexpr const char* kProductName = "Torvane";

// path: the document path (its file name is shown); empty shows no name.
std::string BuildCaption(const std::string& path, bool modified);

}  // namespace torvane
