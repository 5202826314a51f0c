// Values held in files in a fixed byte order, read from and written to raw
// bytes. Every binary reader and writer goes through these, so no format
// depends on the byte order of the machine it runs on.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace torvane {

namespace byte_order_detail {

template <class T>
inline T Reversed(T value) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  for (size_t i = 0; i < sizeof(T) / 2; ++i) {
    const unsigned char c = bytes[i];
    bytes[i] = bytes[sizeof(T) - 1 - i];
    bytes[sizeof(T) - 1 - i] = c;
  }
  std::memcpy(&value, bytes, sizeof(T));
  return value;
}

}  // namespace byte_order_detail

// The value stored at `p` with its lowest byte first.
template <class T>
inline T LoadLittleEndian(const unsigned char* p) {
  static_assert(std::is_trivially_copyable_v<T>);
  T value;
  std::memcpy(&value, p, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) value = byte_order_detail::Reversed(value);
  return value;
}

// The value stored at `p` with its highest byte first.
template <class T>
inline T LoadBigEndian(const unsigned char* p) {
  static_assert(std::is_trivially_copyable_v<T>);
  T value;
  std::memcpy(&value, p, sizeof(T));
  if constexpr (std::endian::native == std::endian::little)
    value = byte_order_detail::Reversed(value);
  return value;
}

template <class T>
inline T LoadInByteOrder(const unsigned char* p, bool bigEndian) {
  return bigEndian ? LoadBigEndian<T>(p) : LoadLittleEndian<T>(p);
}

// Stores `value` at `p` with its lowest byte first.
template <class T>
inline void StoreLittleEndian(unsigned char* p, T value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if constexpr (std::endian::native == std::endian::big) value = byte_order_detail::Reversed(value);
  std::memcpy(p, &value, sizeof(T));
}

}  // namespace torvane
