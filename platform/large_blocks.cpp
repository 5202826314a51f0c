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

bool BackHeapWithHugePages(size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
  if (bytes < kHugePage || bytes > (size_t{1} << 30)) return false;
  if (mallopt(M_ARENA_MAX, 1) != 1 || mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1)
    return false;
  // A block larger than the heap's free top makes the allocator extend the
  // heap by the block and the pad in one step; the new range ends at the
  // break. Blocks that still fit the top are tried larger, up to the size
  // that would get a mapping of its own. Anything else (another allocator,
  // a heap that could not grow and fell back to a mapping) leaves the probe
  // outside that range.
  for (size_t probeBytes = size_t{1} << 20; probeBytes <= (size_t{16} << 20); probeBytes *= 2) {
    const uintptr_t before = reinterpret_cast<uintptr_t>(sbrk(0));
    void* probe = malloc(probeBytes);
    if (!probe) return false;
    const uintptr_t at = reinterpret_cast<uintptr_t>(probe);
    const uintptr_t brk = reinterpret_cast<uintptr_t>(sbrk(0));
    const bool grew = brk != before;
    bool advised = false;
    if (grew && at < brk && brk - at <= bytes + 2 * probeBytes + kHugePage) {
      const uintptr_t start = (at + kHugePage - 1) & ~(kHugePage - 1);
      const uintptr_t end = brk & ~(kHugePage - 1);
      advised =
          end > start && madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0;
    }
    free(probe);
    if (grew) return advised;
  }
  return false;
#else
  (void)bytes;
  return false;
#endif
}

}  // namespace torvane
