// FeedRelayStream and AppendRelayMeshes: the converter's messages from bytes
// to meshes, with every size checked against the bytes that arrived.
#include "formats/fbx/relay_messages.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <new>

#include "core/grow_array.h"
#include "formats/imported_model.h"

namespace torvane {
namespace {

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

float ReadF32(const uint8_t* p) {
  const uint32_t bits = ReadU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}

// Grows the message buffer to hold `needed` bytes, doubling up to the
// message's size so that a large message costs few copies.
bool GrowMessage(RelayStream& stream, size_t needed) {
  if (needed <= stream.message.capacity()) return true;
  const size_t want =
      std::min<size_t>(stream.total, std::max(needed, 2 * stream.message.capacity()));
  if (!MemoryGuardAllows(want)) return false;
  try {
    stream.message.reserve(want);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Collects the 8 header bytes; true once they are all there.
bool TakeHeader(RelayStream& stream, const uint8_t*& data, size_t& size) {
  const size_t take = std::min(size, kRelayHeaderSize - stream.headerGot);
  std::memcpy(stream.header + stream.headerGot, data, take);
  stream.headerGot += take;
  data += take;
  size -= take;
  return stream.headerGot == kRelayHeaderSize;
}

}  // namespace

FeedStatus FeedRelayStream(RelayStream& stream, const uint8_t* data, size_t size) {
  while (size > 0 || stream.stage == RelayStream::Stage::kDone) {
    switch (stream.stage) {
      case RelayStream::Stage::kValue:
      case RelayStream::Stage::kMeshesHeader: {
        if (!TakeHeader(stream, data, size)) return FeedStatus::kMore;
        const uint16_t kind = ReadU16(stream.header + 2);
        const uint32_t value = ReadU32(stream.header + 4);
        stream.headerGot = 0;
        if (stream.stage == RelayStream::Stage::kValue) {
          if (kind != kRelayKindValue) {
            stream.stage = RelayStream::Stage::kBroken;
            return FeedStatus::kBroken;
          }
          stream.relayValue = value;
          stream.stage = RelayStream::Stage::kMeshesHeader;
          break;
        }
        if (kind != kRelayKindMeshes || value < kRelayMeshesStart) {
          stream.stage = RelayStream::Stage::kBroken;
          return FeedStatus::kBroken;
        }
        stream.total = value;
        if (!GrowMessage(stream, kRelayHeaderSize)) return FeedStatus::kNoMemory;
        stream.message.assign(stream.header, stream.header + kRelayHeaderSize);
        stream.stage = RelayStream::Stage::kMeshes;
        break;
      }
      case RelayStream::Stage::kMeshes: {
        const size_t take = std::min<size_t>(size, stream.total - stream.message.size());
        if (!GrowMessage(stream, stream.message.size() + take)) return FeedStatus::kNoMemory;
        stream.message.insert(stream.message.end(), data, data + take);
        data += take;
        size -= take;
        if (stream.message.size() == stream.total) stream.stage = RelayStream::Stage::kDone;
        break;
      }
      case RelayStream::Stage::kDone:
        return FeedStatus::kDone;
      case RelayStream::Stage::kBroken:
        return FeedStatus::kBroken;
    }
  }
  return FeedStatus::kMore;
}

LoadResult AppendRelayMeshes(std::span<const uint8_t> message, ImportedModel& model) {
  std::list<ImportedMesh> meshes;
  size_t at = kRelayMeshesStart;
  while (at < message.size()) {
    const size_t left = message.size() - at;
    if (left < 16) return kFailed;
    const uint8_t* block = message.data() + at;
    const uint32_t p = ReadU32(block), i = ReadU32(block + 4), n = ReadU32(block + 8),
                   t = ReadU32(block + 12);
    // In 64 bits the sum cannot overflow, whatever the counts say.
    const uint64_t body = uint64_t{p} * 12 + uint64_t{i} * 4 + uint64_t{n} * 12 + uint64_t{t} * 8;
    if (body > left - 16) return kFailed;
    if (i % 3 != 0 || (n != 0 && n != i)) return kFailed;

    ImportedMesh& mesh = meshes.emplace_back();
    if (!mesh.positions.ResizeDiscard(p) || !mesh.indices.ResizeDiscard(i) ||
        !mesh.normals.ResizeDiscard(n))
      return kFailed;
    const uint8_t* q = block + 16;
    Vec3* positions = mesh.positions.MutableData();
    for (uint32_t k = 0; k < p; ++k, q += 12)
      positions[k] = {ReadF32(q), ReadF32(q + 4), ReadF32(q + 8)};
    uint32_t* indices = mesh.indices.MutableData();
    for (uint32_t k = 0; k < i; ++k, q += 4) {
      indices[k] = ReadU32(q);
      if (indices[k] >= p) return kFailed;
    }
    Vec3* normals = mesh.normals.MutableData();
    for (uint32_t k = 0; k < n; ++k, q += 12)
      normals[k] = {ReadF32(q), ReadF32(q + 4), ReadF32(q + 8)};
    at += 16 + static_cast<size_t>(body);
  }
  model.meshes.splice(model.meshes.end(), meshes);
  return kLoaded;
}

}  // namespace torvane
