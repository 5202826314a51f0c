// The PLY header as the reader understands it: the body's encoding, the
// elements in file order with their properties, the colour mode, and the
// comments.
//
// ReadPlyHeader consumes the header lines of a BufferedReader (up to and
// including "end_header") and answers Loaded, Cancelled or Failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/progress_monitor.h"
#include "core/status.h"
#include "platform/buffered_reader.h"

namespace torvane {

enum class PlyEncoding { kAscii, kBinaryLittleEndian, kBinaryBigEndian };

// Value types with their classic codes; the sized names (int8 ... float64)
// map onto the same codes.
enum PlyType : uint8_t {
  kPlyChar = 0,
  kPlyUchar = 1,
  kPlyInt = 2,
  kPlyUint = 3,
  kPlyShort = 4,
  kPlyUshort = 5,
  kPlyFloat = 6,
  kPlyDouble = 7,
  kPlyList = 8,
  kPlyUnknown = 9,
};

enum class PlyRole : uint8_t {
  kSkip,
  kX,
  kY,
  kZ,
  kRed,
  kGreen,
  kBlue,
  kAlpha,
  kIndexList,
};

enum class PlyKind : uint8_t { kVertex, kFace, kEdge, kOther };

struct PlyProperty {
  std::string name;
  PlyType type = kPlyUnknown;       // kPlyList for lists
  PlyType countType = kPlyUnknown;  // lists only
  PlyType itemType = kPlyUnknown;   // lists only
  PlyRole role = PlyRole::kSkip;
};

struct PlyElement {
  std::string name;
  PlyKind kind = PlyKind::kOther;
  uint32_t count = 0;
  std::vector<PlyProperty> properties;
};

// 0 none, 1 per vertex, 2 per face.
inline constexpr int kPlyColoursNone = 0;
inline constexpr int kPlyColoursPerVertex = 1;
inline constexpr int kPlyColoursPerFace = 2;

struct PlyHeader {
  PlyEncoding encoding = PlyEncoding::kAscii;
  std::vector<PlyElement> elements;  // file order
  std::vector<std::string> comments;
  int colourMode = kPlyColoursNone;
};

PlyType PlyTypeFromName(std::string_view name);
// Bytes of one value in a binary body; 0 for unknown types and lists.
inline uint32_t PlyTypeSize(PlyType type) {
  switch (type) {
    case kPlyChar:
    case kPlyUchar:
      return 1;
    case kPlyShort:
    case kPlyUshort:
      return 2;
    case kPlyInt:
    case kPlyUint:
    case kPlyFloat:
      return 4;
    case kPlyDouble:
      return 8;
    default:
      return 0;
  }
}

LoadResult ReadPlyHeader(BufferedReader& reader, ProgressMonitor& monitor, PlyHeader& header);

}  // namespace torvane
