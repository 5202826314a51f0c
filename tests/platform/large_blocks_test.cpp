// The heap a batch process grows into after BackHeapWithHugePages is
// faulted in huge pages: an array filled there shows up as anonymous huge
// pages of the process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/large_blocks.h"

namespace torvane {
namespace {

// Kilobytes of anonymous huge pages in the mapping holding `address`.
long HugeKilobytesAt(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  std::string line;
  while (std::getline(smaps, line)) {
    uintptr_t lo = 0, hi = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &lo, &hi) == 2 && line.find(" rw") != line.npos) {
      inside = lo <= at && at < hi;
    } else if (inside && line.rfind("AnonHugePages:", 0) == 0) {
      return std::strtol(line.c_str() + 14, nullptr, 10);
    }
  }
  return 0;
}

TEST(LargeBlocks, HeapAfterTheReserveIsFaultedInHugePages) {
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(mode, modes);
  if (modes.find("[never]") != modes.npos || modes.empty() || !KeepFreedMemory())
    GTEST_SKIP() << "no huge pages or another allocator here";
  ASSERT_TRUE(BackHeapWithHugePages(size_t{64} << 20));
  // Below the size that gets a mapping of its own: it comes from the heap.
  const size_t bytes = size_t{12} << 20;
  char* block = static_cast<char*>(std::malloc(bytes));
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, bytes);
  EXPECT_GE(HugeKilobytesAt(block + bytes / 2), 2048);
  std::free(block);
}

}  // namespace
}  // namespace torvane
