// DetectFormat and FormatDescription: the format of a model file is chosen by
// its name's extension alone, never by its contents.
#include <string_view>

#include "formats/model_file.h"

namespace torvane {
namespace {

struct ExtensionRow {
  std::string_view extension;
  FormatDescriptor descriptor;
};

// Tested in this order; the first equal extension wins.
constexpr ExtensionRow kExtensions[] = {
    {".fbx", {kFileTypeFbx, kUpAxisY, kHandednessProgram, kWindingFirst, 1}},
    {".3ds", {kFileType3ds, kUpAxisZ, kHandednessMirroredX, kWindingSecond, 0}},
    {".tvx", {kFileTypeTvx, kUpAxisY, kHandednessProgram, kWindingFirst, 1}},
    {".3mf", {kFileType3mf, kUpAxisZ, kHandednessMirroredX, kWindingFirst, 0}},
    {".obj", {kFileTypeObj, kUpAxisY, kHandednessProgram, kWindingFirst, 1}},
    {".ply", {kFileTypePly, kUpAxisZ, kHandednessMirroredX, kWindingFirst, 0}},
    {".stl", {kFileTypeStlBinary, kUpAxisZ, kHandednessMirroredX, kWindingFirst, 0}},
};

// Folds only A to Z, so that names in other scripts never compare equal by
// accident.
char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualFoldingAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// The text from the last "." after the last folder separator, dot included.
std::string_view Extension(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string_view::npos && separator > dot) return {};
  return path.substr(dot);
}

}  // namespace

FormatDescriptor DetectFormat(const std::string& path) {
  const std::string_view extension = Extension(path);
  for (const ExtensionRow& row : kExtensions)
    if (EqualFoldingAscii(extension, row.extension)) return row.descriptor;
  return FormatDescriptor{};
}

std::string FormatDescription(int32_t fileType) {
  switch (fileType) {
    case kFileTypeTvx:
      return "TVX Torvane format";
    case kFileType3ds:
      return "3DS AutoDesk 3DS Max format";
    case kFileTypeStlAscii:
      return "STL Stereo Lithography (ASCII)";
    case kFileTypeStlBinary:
      return "STL Stereo Lithography (Binary)";
    case kFileTypeObj:
      return "OBJ Wavefront Technologies";
    case kFileTypeStep:
      return "STP Step format";
    case kFileType3mf:
      return "3MF 3D Manufacturing format";
    case kFileTypePly:
      return "PLY Stanford Polygon format";
    default:
      return "";
  }
}

}  // namespace torvane
