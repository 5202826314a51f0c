// Huge-page advice and early release for large blocks (madvise on Linux).
#include "platform/large_blocks.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace torvane {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;

}  // namespace

void AdviseLargeBlock(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
  if (!data || bytes < kLargeBlockBytes) return;
  // The advice covers every page the block touches: a large block has a
  // mapping of its own, and advising all of it keeps that mapping whole, so
  // a later realloc can still move its pages instead of copying them. A
  // refusal changes nothing but the speed.
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t start = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes + page - 1) & ~(page - 1);
  madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

void ReleaseReadPages(const void* data, size_t bytes) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
  if (data && last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

bool KeepFreedMemory() {
#if defined(__GLIBC__)
  constexpr int kMapThreshold = 32 << 20;
  constexpr int kTrimThreshold = 256 << 20;
  return mallopt(M_MMAP_THRESHOLD, kMapThreshold) == 1 &&
         mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
#else
  return false;
#endif
}

}  // namespace torvane
