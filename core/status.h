// The three-valued outcome of every long operation: loading, saving, booleans
// and clean-up all answer Done (0), Cancelled (1) or Failed (2).
#pragma once

namespace torvane {

enum LoadResult : int {
  kLoaded = 0,
  kCancelled = 1,
  kFailed = 2,
};

// The same numbers under the names the editing operations use.
inline constexpr int kStatusDone = 0;
inline constexpr int kStatusCancelled = 1;
inline constexpr int kStatusFailed = 2;

}  // namespace torvane
