// GrowArray<T>: a growable array of plain records with a memory guard.
//
// Resizing to n: equal length does nothing; beyond the capacity the new
// capacity is max(2 x capacity, n); the length becomes n. The keep flavour
// copies min(old length, new capacity) old elements, the discard flavour drops
// them. New slots hold T{} (zero vectors, dead corners). A failed allocation
// leaves data null, length 0 and capacity 0. Shrinking never frees memory.
//
// Storage is shared between copies and copied on the first write
// (copy-on-write), so history snapshots of unchanged meshes cost nothing while
// every copy keeps value semantics. Read through data() or operator[]; write
// only through MutableData(), whose null answer every writer must handle.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/large_blocks.h"

namespace torvane {

// The memory guard: an allocation of more than 1,000,000 bytes is refused when
// it also exceeds half of AvailableMemory().
bool MemoryGuardAllows(size_t bytes);

template <class T>
class GrowArray {
  static_assert(std::is_trivially_copyable_v<T>, "GrowArray holds plain records");

 public:
  GrowArray() = default;
  GrowArray(const GrowArray&) = default;
  GrowArray& operator=(const GrowArray&) = default;
  GrowArray(GrowArray&& other) noexcept { Swap(other); }
  GrowArray& operator=(GrowArray&& other) noexcept {
    if (this != &other) {
      Free();
      Swap(other);
    }
    return *this;
  }

  uint32_t length() const { return length_; }
  uint32_t capacity() const { return capacity_; }
  bool empty() const { return length_ == 0; }

  const T* data() const { return block_.get(); }
  const T& operator[](size_t i) const { return block_.get()[i]; }

  // Write access; makes the storage private to this array first. Returns null
  // for an array without storage, or when the private copy cannot be made: the
  // array then keeps its shared contents unchanged, so a failed write leaves
  // the mesh as it was instead of emptying it.
  T* MutableData() {
    if (block_ && block_.use_count() > 1 && !Detach()) return nullptr;
    return block_.get();
  }

  // Keep flavour. Returns false (and leaves null/0/0) when allocation fails.
  bool ResizeKeep(size_t n) { return Resize(n, true); }
  // Discard flavour.
  bool ResizeDiscard(size_t n) { return Resize(n, false); }
  // Discard flavour without the fill, for a caller that writes every one of
  // the n slots before anything reads them: the slots hold whatever the
  // allocation held.
  bool ResizeForOverwrite(size_t n) { return Resize(n, false, false); }

  // Takes over `block`, a malloc allocation of `capacity` elements whose
  // first `length` are set; the array frees it. False (the block freed, the
  // array empty) when the bookkeeping cannot be allocated.
  bool Adopt(T* block, uint32_t length, uint32_t capacity) {
    Free();
    if (!block) return length == 0;
    try {
      block_ = std::shared_ptr<T>(block, [](T* q) { std::free(q); });
    } catch (const std::bad_alloc&) {
      return false;  // shared_ptr has freed the block
    }
    length_ = length;
    capacity_ = capacity;
    return true;
  }

  // Releases the storage: data null, length 0, capacity 0.
  void Free() {
    block_.reset();
    length_ = 0;
    capacity_ = 0;
  }

  // True when no other array shares this one's storage.
  bool OwnsStorageAlone() const { return block_.use_count() <= 1; }

  // True when both arrays currently use the same storage (no copy made yet).
  bool SharesStorageWith(const GrowArray& other) const {
    return block_ && block_.get() == other.block_.get();
  }

  void Swap(GrowArray& other) noexcept {
    block_.swap(other.block_);
    std::swap(length_, other.length_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  static std::shared_ptr<T> Allocate(size_t count, bool guarded) {
    if (count == 0) return {};
    if (count > UINT32_MAX || count > SIZE_MAX / sizeof(T)) return {};
    size_t bytes = count * sizeof(T);
    if (guarded && !MemoryGuardAllows(bytes)) return {};
    T* p = static_cast<T*>(std::malloc(bytes));
    if (!p) return {};
    AdviseLargeBlock(p, bytes);
    try {
      // When the control block cannot be allocated, shared_ptr frees p itself.
      return std::shared_ptr<T>(p, [](T* q) { std::free(q); });
    } catch (const std::bad_alloc&) {
      return {};
    }
  }

  static void Fill(T* first, size_t count) {
    const T fill{};
    for (size_t i = 0; i < count; ++i)
      first[i] = fill;
  }

  // The private copy is a large allocation like any other: the memory guard
  // refuses it early rather than letting the process run out.
  bool Detach() {
    std::shared_ptr<T> copy = Allocate(capacity_, true);
    if (!copy) return false;
    std::memcpy(static_cast<void*>(copy.get()), block_.get(), size_t{length_} * sizeof(T));
    block_ = std::move(copy);
    return true;
  }

  bool Resize(size_t n, bool keep, bool fill = true) {
    if (n == length_) return true;
    if (n > UINT32_MAX) {
      Free();
      return false;
    }
    if (n > capacity_) {
      size_t new_capacity = std::max<size_t>(size_t{capacity_} * 2, n);
      if (new_capacity > UINT32_MAX) new_capacity = n;
      std::shared_ptr<T> fresh = Allocate(new_capacity, true);
      if (!fresh) {
        Free();
        return false;
      }
      size_t kept = 0;
      if (keep && block_) {
        kept = std::min<size_t>(length_, new_capacity);
        std::memcpy(static_cast<void*>(fresh.get()), block_.get(), kept * sizeof(T));
      }
      if (fill) Fill(fresh.get() + kept, n - kept);
      block_ = std::move(fresh);
      capacity_ = static_cast<uint32_t>(new_capacity);
      length_ = static_cast<uint32_t>(n);
      return true;
    }
    if (!fill) {
      if (n > 0 && !MutableData()) return false;
    } else if (n > length_) {
      T* p = MutableData();
      if (!p) return false;
      size_t from = keep ? length_ : 0;
      Fill(p + from, n - from);
    } else if (!keep && n > 0) {
      T* p = MutableData();
      if (!p) return false;
      Fill(p, n);
    }
    length_ = static_cast<uint32_t>(n);
    return true;
  }

  std::shared_ptr<T> block_;
  uint32_t length_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace torvane
