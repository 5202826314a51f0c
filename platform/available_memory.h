// AvailableMemory: how many bytes the process can still expect to allocate.
//
// Output: the smaller of MemAvailable + SwapFree (from /proc/meminfo) and what
// RLIMIT_AS still allows; all ones when neither can be read. Large buffer
// growth, the history reserve and the solid-construction floor consult it so
// that an oversized request fails early instead of exhausting memory.
#pragma once

#include <cstdint>
#include <optional>

namespace torvane {

uint64_t AvailableMemory();

// Test seam: while set, AvailableMemory() answers this figure.
void SetAvailableMemoryOverride(std::optional<uint64_t> bytes);

}  // namespace torvane
