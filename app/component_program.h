// Where a helper program of the same maker is installed: the setting
// Components/<name>/Path, else the program installed beside torvane under
// its file name ("Gyre 3D" -> "gyre3d").
#pragma once

#include <string>

namespace torvane {

// The program's path; empty when none is configured or found.
std::string ComponentProgramPath(const std::string& component);

// "Gyre 3D" -> "gyre3d": lower case, spaces dropped.
std::string ComponentFileName(const std::string& component);

}  // namespace torvane
