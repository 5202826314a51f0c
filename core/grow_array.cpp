#include "core/grow_array.h"

#include "platform/available_memory.h"

namespace torvane {

bool MemoryGuardAllows(size_t bytes) {
  if (bytes <= 1000000) return true;
  return bytes <= AvailableMemory() / 2;
}

}  // namespace torvane
