#include "platform/available_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace torvane {
namespace {

constexpr uint64_t kAllOnes = ~uint64_t{0};
std::atomic<bool> g_override_set{false};
std::atomic<uint64_t> g_override{0};

// MemAvailable + SwapFree in bytes, or all ones when /proc/meminfo is unreadable.
uint64_t ReadMeminfoAvailable() {
  FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return kAllOnes;
  char line[256];
  uint64_t available_kb = 0, swap_free_kb = 0;
  bool have_available = false, have_swap = false;
  while (std::fgets(line, sizeof line, f)) {
    unsigned long long kb = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
      available_kb = kb;
      have_available = true;
    } else if (std::sscanf(line, "SwapFree: %llu kB", &kb) == 1) {
      swap_free_kb = kb;
      have_swap = true;
    }
  }
  std::fclose(f);
  if (!have_available) return kAllOnes;
  (void)have_swap;
  return (available_kb + swap_free_kb) * 1024;
}

// What the address-space limit still allows, or all ones when unlimited.
uint64_t ReadAddressSpaceRoom() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kAllOnes;
  uint64_t used = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    unsigned long long pages = 0;
    if (std::fscanf(f, "%llu", &pages) == 1) used = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    std::fclose(f);
  }
  return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

}  // namespace

uint64_t AvailableMemory() {
  if (g_override_set.load(std::memory_order_acquire)) return g_override.load();
  uint64_t meminfo = ReadMeminfoAvailable();
  uint64_t room = ReadAddressSpaceRoom();
  return meminfo < room ? meminfo : room;
}

void SetAvailableMemoryOverride(std::optional<uint64_t> bytes) {
  if (bytes) {
    g_override.store(*bytes);
    g_override_set.store(true, std::memory_order_release);
  } else {
    g_override_set.store(false, std::memory_order_release);
  }
}

}  // namespace torvane
