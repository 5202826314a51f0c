// The converter's two messages, assembled as their bytes arrive and then
// turned into meshes. Internal to the FBX reader (and its fuzz target).
//
// FeedRelayStream takes bytes in any pieces; it never trusts a size before
// the bytes behind it have arrived: the kind-2 message grows with what is
// delivered, under the memory guard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/status.h"

namespace torvane {

struct ImportedModel;

inline constexpr uint16_t kRelayKindValue = 1;
inline constexpr uint16_t kRelayKindMeshes = 2;
inline constexpr size_t kRelayHeaderSize = 8;
inline constexpr size_t kRelayMeshesStart = 16;  // the mesh blocks' first byte

struct RelayStream {
  enum class Stage { kValue, kMeshesHeader, kMeshes, kDone, kBroken };
  Stage stage = Stage::kValue;
  uint8_t header[kRelayHeaderSize] = {};
  size_t headerGot = 0;
  uint32_t relayValue = 0;  // the kind-1 message's value
  uint32_t total = 0;       // the kind-2 message's size, header included
  std::vector<uint8_t> message;
};

enum class FeedStatus { kMore, kDone, kBroken, kNoMemory };

// Takes bytes; kDone once the kind-2 message is whole (bytes after it are
// ignored), kBroken for a message of the wrong kind or an impossible size,
// kNoMemory when the message cannot grow.
FeedStatus FeedRelayStream(RelayStream& stream, const uint8_t* data, size_t size);

// Appends one mesh per block of a whole kind-2 message. Failed (with no mesh
// added) when a block's counts run past the message, a block header is cut
// short, the index count is not a multiple of 3, the normal count is
// neither 0 nor the index count, an index is not below the position count,
// or memory runs out.
LoadResult AppendRelayMeshes(std::span<const uint8_t> message, ImportedModel& model);

}  // namespace torvane
