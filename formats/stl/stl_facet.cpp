// StlFacetArray storage.
#include "formats/stl/stl_facet.h"

#include <sys/mman.h>

#include <cstdint>

#include "core/grow_array.h"

namespace torvane {
namespace {

// Large facet arrays are filled once from front to back; huge pages spare
// the kernel most of the page faults of that first touch.
void PreferHugePages(void* data, size_t bytes) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace

bool StlFacetArray::Allocate(size_t count) {
  Free();
  if (count == 0) return true;
  if (count > SIZE_MAX / sizeof(StlFacet)) return false;
  const size_t bytes = count * sizeof(StlFacet);
  if (!MemoryGuardAllows(bytes)) return false;
  data_.reset(static_cast<StlFacet*>(std::malloc(bytes)));
  if (!data_) return false;
  PreferHugePages(data_.get(), bytes);
  count_ = count;
  return true;
}

}  // namespace torvane
