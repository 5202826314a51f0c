// The TVX file layout shared by the reader, the writer and their tests: the
// 12-byte file header, the chunk header (u16 id, u16 kind, u64 length of the
// data that follows) and the chunk ids and kinds. All values little-endian.
#pragma once

#include <cstdint>

namespace torvane::tvx {

inline constexpr uint32_t kMagic = 0x6664736C;  // "lsdf"
inline constexpr uint16_t kHeaderOne = 1;
inline constexpr uint32_t kHeaderSize32 = 0x20;
inline constexpr uint16_t kVersionWritten = 1;
inline constexpr uint16_t kFirstUnreadableVersion = 2;

inline constexpr uint64_t kFileHeaderBytes = 12;
inline constexpr uint64_t kChunkHeaderBytes = 12;
inline constexpr uint64_t kPositionBytes = 12;  // three f32
inline constexpr uint64_t kCornerBytes = 20;    // u32 index, three f32 normal, u32 colour

enum ChunkKind : uint16_t {
  kKindContainer = 0,
  kKindByte = 1,
  kKindU32 = 2,
  kKindF32 = 4,
  kKindText = 6,
  kKindRaw = 7,
};

enum ChunkId : uint16_t {
  kRoot = 0x0000,
  kObject = 0x1000,
  kTransform = 0x1100,
  kTranslationX = 0x1101,
  kTranslationY = 0x1102,
  kTranslationZ = 0x1103,
  kRotationX = 0x1111,
  kRotationY = 0x1112,
  kRotationZ = 0x1113,
  kScaleX = 0x1121,
  kScaleY = 0x1122,
  kScaleZ = 0x1123,
  kMeshData = 0x1200,
  kPositions = 0x1201,
  kCorners = 0x1202,
  kDefaultColour = 0x1221,
  kMaterialDiffuse = 0x1222,
  kMaterialSpecular = 0x1223,
  kMaterialAmbient = 0x1224,
  kObjectComment = 0x1231,
  kMeshProperty = 0x1300,
  kDocumentProperty = 0x2000,
  kFilePath = 0x2001,
  kFileType = 0x2002,
  kHaveChanges = 0x2003,
  kUntitled = 0x2004,
};

// Property keys the TVX chunks carry under their own ids.
inline constexpr const char* kKeyFilePath = "TVXszFilePath";
inline constexpr const char* kKeyFileType = "TVXiFileType";
inline constexpr const char* kKeyHaveChanges = "TVXbHaveChanges";
inline constexpr const char* kKeyUntitled = "TVXbUntitled";
inline constexpr const char* kKeyDefaultColour = "ObjectDefaultColor";
inline constexpr const char* kKeyObjectComment = "TVXObjectComment";

// Longest mesh property key kept, in UTF-16 units.
inline constexpr size_t kMaxKeyUnits = 260;

}  // namespace torvane::tvx
