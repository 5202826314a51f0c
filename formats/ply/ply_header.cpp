// Parses the text header of a PLY file.
#include "formats/ply/ply_header.h"

#include <limits>

#include "formats/textio/number_text.h"
#include "formats/textio/utf8_text.h"

namespace torvane {
namespace {

constexpr size_t kMaxCommentBytes = 259;

PlyRole ChannelRole(std::string_view name) {
  if (name == "red") return PlyRole::kRed;
  if (name == "green") return PlyRole::kGreen;
  if (name == "blue") return PlyRole::kBlue;
  if (name == "alpha") return PlyRole::kAlpha;
  return PlyRole::kSkip;
}

// Gives the property its role in its element and updates the colour mode.
void AssignRole(PlyElement& element, PlyProperty& property, int& colourMode) {
  const bool isList = property.type == kPlyList;
  switch (element.kind) {
    case PlyKind::kVertex:
      if (isList) break;
      if (property.name == "x") {
        property.role = PlyRole::kX;
      } else if (property.name == "y") {
        property.role = PlyRole::kY;
      } else if (property.name == "z") {
        property.role = PlyRole::kZ;
      } else if ((property.role = ChannelRole(property.name)) != PlyRole::kSkip) {
        if (colourMode != kPlyColoursPerFace) colourMode = kPlyColoursPerVertex;
      }
      break;
    case PlyKind::kFace:
      if (isList) break;  // the index list is chosen once the element is complete
      if ((property.role = ChannelRole(property.name)) != PlyRole::kSkip)
        colourMode = kPlyColoursPerFace;
      break;
    default:
      break;
  }
}

// A face holds one vertex index list: the one named as such by convention,
// otherwise its first list. Further lists (texture coordinates, for example)
// are read and dropped.
void ChooseIndexList(PlyElement& element) {
  if (element.kind != PlyKind::kFace) return;
  PlyProperty* chosen = nullptr;
  for (PlyProperty& p : element.properties) {
    if (p.type != kPlyList) continue;
    if (p.name == "vertex_indices" || p.name == "vertex_index") {
      chosen = &p;
      break;
    }
    if (!chosen) chosen = &p;
  }
  if (chosen) chosen->role = PlyRole::kIndexList;
}

}  // namespace

PlyType PlyTypeFromName(std::string_view name) {
  if (name == "char" || name == "int8") return kPlyChar;
  if (name == "uchar" || name == "uint8") return kPlyUchar;
  if (name == "int" || name == "int32") return kPlyInt;
  if (name == "uint" || name == "uint32") return kPlyUint;
  if (name == "short" || name == "int16") return kPlyShort;
  if (name == "ushort" || name == "uint16") return kPlyUshort;
  if (name == "float" || name == "float32") return kPlyFloat;
  if (name == "double" || name == "float64") return kPlyDouble;
  if (name == "list") return kPlyList;
  return kPlyUnknown;
}

LoadResult ReadPlyHeader(BufferedReader& reader, ProgressMonitor& monitor, PlyHeader& header) {
  std::string line;
  if (!reader.ReadLine(line) || !line.starts_with("ply")) return kFailed;
  if (!reader.ReadLine(line)) return kFailed;
  const std::string_view format = TrimLeadingSpaces(line);
  if (format.starts_with("format ascii 1.0")) {
    header.encoding = PlyEncoding::kAscii;
  } else if (format.starts_with("format binary_little_endian 1.0")) {
    header.encoding = PlyEncoding::kBinaryLittleEndian;
  } else if (format.starts_with("format binary_big_endian 1.0")) {
    header.encoding = PlyEncoding::kBinaryBigEndian;
  } else {
    return kFailed;
  }

  PlyElement* current = nullptr;
  for (;;) {
    if (monitor.IsCancelled()) return kCancelled;
    if (!reader.ReadLine(line)) return kFailed;  // no "end_header"
    const std::string_view text(line);
    if (text.starts_with("end_header")) break;
    size_t pos = 0;
    const std::string_view keyword = NextToken(text, pos);
    if (keyword == "comment") {
      // The text after the keyword and its separator.
      if (text.size() > 8 && text.substr(0, 7) == "comment" && IsTokenSpace(text[7])) {
        const std::string_view comment = DropPartialCharacter(text.substr(8));
        header.comments.emplace_back(CutToBytes(comment, kMaxCommentBytes));
      }
    } else if (keyword == "element") {
      const std::string_view name = NextToken(text, pos);
      if (name.empty()) return kFailed;
      int64_t count = 0;
      const std::string_view countText = NextToken(text, pos);
      if (!countText.empty() && !ParseLeadingInt(countText, count)) count = 0;
      if (count < 0 || count > std::numeric_limits<uint32_t>::max()) return kFailed;
      PlyElement& element = header.elements.emplace_back();
      element.name = std::string(name);
      element.count = static_cast<uint32_t>(count);
      if (name == "vertex") {
        element.kind = PlyKind::kVertex;
      } else if (name == "face") {
        element.kind = PlyKind::kFace;
      } else if (name == "edge") {
        element.kind = PlyKind::kEdge;
      }
      current = &element;
    } else if (keyword == "property" && current) {
      PlyProperty property;
      const std::string_view typeName = NextToken(text, pos);
      property.type = PlyTypeFromName(typeName);
      if (property.type == kPlyList) {
        property.countType = PlyTypeFromName(NextToken(text, pos));
        property.itemType = PlyTypeFromName(NextToken(text, pos));
      }
      property.name = std::string(NextToken(text, pos));
      AssignRole(*current, property, header.colourMode);
      current->properties.push_back(std::move(property));
    }
    // Other lines ("obj_info", unknown keywords) are ignored.
  }
  for (PlyElement& element : header.elements)
    ChooseIndexList(element);
  return kLoaded;
}

}  // namespace torvane
