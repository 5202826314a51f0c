// FBX: imported through the converter program "modelrelay".
//
// ReadFbx starts the converter as `modelrelay SOCKET FBXPATH`, listens on a
// private local socket for it, and receives the converted meshes as two
// messages (little-endian; every header is u16 unused, u16 kind, u32 value):
//   kind 1, 8 bytes: a value the converter reports (kept for the import);
//   kind 2: value = the whole message's size, header included; bytes 8-15
//     unused; from byte 16 mesh blocks up to that size, each u32 position
//     count P, index count I, normal count N, texture coordinate count T,
//     then P x 3 f32 positions, I x u32 corner indices, N x 3 f32 corner
//     normals, T x 2 f32 texture coordinates (skipped).
// The load succeeds only when both messages arrived whole and well formed
// and the converter then exited with code 0. Anything else (no converter,
// a failed start, a broken or silent peer, a non-zero exit) is Failed with
// no meshes kept; Cancel stops the converter and answers Cancelled. The
// converter is always reaped and the socket and its folder always removed
// before the call returns.
#pragma once

#include <cstdint>
#include <string>

#include "core/progress_monitor.h"
#include "core/status.h"

namespace torvane {

struct ImportedModel;

inline constexpr const char* kModelRelayComponent = "modelrelay";

// How long a connected converter may stay silent, and how long it may take
// to exit once it has sent everything: 101 waits of 100 ms each. A
// converter that has not connected yet is waited for as long as it runs
// (reading a large file takes time; Cancel ends the wait).
struct RelayLimits {
  uint32_t silenceBudgetMs = 101 * 100;
  uint32_t exitBudgetMs = 101 * 100;
};

LoadResult ReadFbx(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);

// The same through a given converter program and limits.
LoadResult ReadFbxThrough(const std::string& converter, const std::string& path,
                          ProgressMonitor& monitor, ImportedModel& model,
                          const RelayLimits& limits = {});

// The converter's path: the setting Components/modelrelay/Path, else the
// program "modelrelay" in the running program's folder. It may not exist.
std::string FindModelRelay();

}  // namespace torvane
