// PodBuffer<T>: a growable array of plain records for a reader's
// intermediate data. It grows with realloc, so a large buffer is extended in
// place (the system moves its pages instead of copying them), and large
// growth is refused by the memory guard like every other big allocation.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/grow_array.h"
#include "platform/large_blocks.h"

namespace torvane {

template <class T>
class PodBuffer {
  static_assert(std::is_trivially_copyable_v<T>, "PodBuffer holds plain records");

 public:
  PodBuffer() = default;
  ~PodBuffer() { std::free(data_); }
  PodBuffer(const PodBuffer&) = delete;
  PodBuffer& operator=(const PodBuffer&) = delete;
  PodBuffer(PodBuffer&& other) noexcept
      : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.length_ = other.capacity_ = 0;
  }

  uint32_t length() const { return length_; }
  bool empty() const { return length_ == 0; }
  const T* data() const { return data_; }
  T* data() { return data_; }
  const T& operator[](size_t i) const { return data_[i]; }
  T& operator[](size_t i) { return data_[i]; }

  // False when memory runs out; the buffer keeps what it had.
  bool Append(const T& value) {
    if (length_ == capacity_ && !Reserve(std::max<size_t>(1024, size_t{capacity_} * 2)))
      return false;
    data_[length_++] = value;
    return true;
  }

  bool Reserve(size_t count) {
    if (count <= capacity_) return true;
    if (count > UINT32_MAX || count > SIZE_MAX / sizeof(T)) return false;
    if (!MemoryGuardAllows(count * sizeof(T))) return false;
    const size_t bytes = count * sizeof(T);
    T* grown = nullptr;
    if (bytes >= kLargeBlockBytes && size_t{capacity_} * sizeof(T) < kLargeBlockBytes) {
      // Leaving the small sizes: a fresh block of its own (malloc maps large
      // requests separately), so that later growth moves pages instead of
      // copying out of the shared heap, where a buffer growing beside others
      // is copied on nearly every step.
      grown = static_cast<T*>(std::malloc(bytes));
      if (!grown) return false;
      if (length_) std::memcpy(static_cast<void*>(grown), data_, size_t{length_} * sizeof(T));
      std::free(data_);
    } else {
      grown = static_cast<T*>(std::realloc(static_cast<void*>(data_), bytes));
      if (!grown) return false;
    }
    AdviseLargeBlock(grown, bytes);
    data_ = grown;
    capacity_ = static_cast<uint32_t>(count);
    return true;
  }

  // Hands the elements to a GrowArray without copying them; the buffer is
  // left empty. False (both empty) when the array cannot take them.
  bool MoveTo(GrowArray<T>& array) {
    T* block = data_;
    const uint32_t length = length_;
    const uint32_t capacity = capacity_;
    data_ = nullptr;
    length_ = capacity_ = 0;
    return array.Adopt(block, length, capacity);
  }

  // Copies the elements into a GrowArray (false when it cannot be sized).
  bool CopyTo(GrowArray<T>& array) const {
    if (!array.ResizeDiscard(length_)) return false;
    if (length_) std::copy(data_, data_ + length_, array.MutableData());
    return true;
  }

 private:
  T* data_ = nullptr;
  uint32_t length_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace torvane
