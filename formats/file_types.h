// File type codes: the number a document records for the format it was last
// loaded from or saved to, and the key of the reader and writer table.
// Codes 9 and 10 are not used by any format.
#pragma once

#include <cstdint>

namespace torvane {

inline constexpr int32_t kFileTypeTvx = 0;
inline constexpr int32_t kFileType3ds = 1;
inline constexpr int32_t kFileTypeStlAscii = 2;
inline constexpr int32_t kFileTypeStlBinary = 3;
inline constexpr int32_t kFileTypeObj = 4;
inline constexpr int32_t kFileTypeStep = 5;
inline constexpr int32_t kFileType3mf = 6;
inline constexpr int32_t kFileTypePly = 7;
inline constexpr int32_t kFileTypeFbx = 8;
inline constexpr int32_t kFileTypeUnknown = 11;

// Axis and winding conventions carried by a FormatDescriptor.
inline constexpr int32_t kUpAxisUnknown = 0;
inline constexpr int32_t kUpAxisY = 2;
inline constexpr int32_t kUpAxisZ = 3;
inline constexpr int32_t kHandednessUnknown = 0;
inline constexpr int32_t kHandednessProgram = 3;
inline constexpr int32_t kHandednessMirroredX = 6;
inline constexpr int32_t kWindingUnknown = 0;
inline constexpr int32_t kWindingFirst = 1;
inline constexpr int32_t kWindingSecond = 2;

}  // namespace torvane
