// Appending to a GrowArray one element at a time (amortised by the array's
// own doubling growth), for readers that do not know their counts in
// advance.
#pragma once

#include <cstddef>

#include "core/grow_array.h"

namespace torvane {

// False when the array could not grow; the array is then empty.
template <class T>
inline bool AppendValue(GrowArray<T>& array, const T& value) {
  const size_t n = array.length();
  if (!array.ResizeKeep(n + 1)) return false;
  array.MutableData()[n] = value;
  return true;
}

}  // namespace torvane
