#include "render/frame_timing.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace torvane {
namespace {

int g_timing = -1;  // -1: not yet read from the environment
FrameTimes g_current;

}  // namespace

bool FrameTimingEnabled() {
  if (g_timing < 0) {
    const char* value = std::getenv("TORVANE_FRAME_TIMING");
    g_timing = value && *value && std::strcmp(value, "0") != 0 ? 1 : 0;
  }
  return g_timing == 1;
}

void SetFrameTimingForTesting(bool on) {
  g_timing = on ? 1 : 0;
}

double ProcessProcessorMs() {
  timespec now{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now) != 0) return 0.0;
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

FrameTimes& CurrentFrameTimes() {
  return g_current;
}

void ReportFrameTimes(int view, uint64_t triangles) {
  std::fprintf(stderr,
               "Torvane frame: view %d, %llu triangles: build %.1f ms, upload %.1f ms, "
               "draw %.1f ms, total %.1f ms (processor %.1f ms)\n",
               view, static_cast<unsigned long long>(triangles), g_current.buildMs,
               g_current.uploadMs, g_current.drawMs, g_current.totalMs, g_current.processorMs);
  g_current = {};
}

}  // namespace torvane
