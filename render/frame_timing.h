// FrameTiming: where a view's frame spends its time (render arrays, buffer
// upload, drawing), for finding out why large models draw slowly. Switched
// on by the environment variable TORVANE_FRAME_TIMING=1 (or by tests); with
// it on, each frame waits for the renderer to finish (glFinish) so that the
// drawing time includes the rasteriser's work, and one line per frame goes
// to stderr. Off, it costs one flag test per frame.
#pragma once

#include <chrono>
#include <cstdint>

namespace torvane {

struct FrameTimes {
  double buildMs = 0.0;      // render arrays of stale meshes
  double uploadMs = 0.0;     // vertex buffers of stale meshes
  double drawMs = 0.0;       // everything else of the scene, finished
  double totalMs = 0.0;      // the whole paint of the view
  double processorMs = 0.0;  // processor time of all threads during the paint
};

// True when frames are to be timed (read from the environment once).
bool FrameTimingEnabled();
// Tests switch the timing on and off regardless of the environment.
void SetFrameTimingForTesting(bool on);

// Processor time of the whole process (all threads, the renderer's too).
double ProcessProcessorMs();

// Milliseconds since `start`.
inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The figures of the frame being drawn (build and upload are added to by the
// device while the frame prepares its meshes).
FrameTimes& CurrentFrameTimes();

// Prints one line for `view`'s frame and clears the figures.
void ReportFrameTimes(int view, uint64_t triangles);

}  // namespace torvane
