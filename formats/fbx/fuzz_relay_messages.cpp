// libFuzzer target: the converter's messages as the FBX reader receives
// them, fed in pieces whose sizes the input's first byte chooses, then
// walked into meshes.
#include <algorithm>

#include "formats/fbx/relay_messages.h"
#include "formats/imported_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = size_t{data[0]} + 1;
  torvane::RelayStream stream;
  torvane::FeedStatus status = torvane::FeedStatus::kMore;
  for (size_t at = 1; at < size && status == torvane::FeedStatus::kMore; at += piece)
    status = torvane::FeedRelayStream(stream, data + at, std::min(piece, size - at));
  if (status == torvane::FeedStatus::kDone) {
    torvane::ImportedModel model;
    torvane::AppendRelayMeshes(stream.message, model);
  }
  return 0;
}
