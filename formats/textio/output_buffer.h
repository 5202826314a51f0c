// OutputBuffer: buffered writing of text and little-endian binary values to
// an open FileHandle, the one writer behind every model format.
//
// Appends collect in memory and go to the file in large pieces; a large
// block of bytes goes to the file directly, without a copy. A failed
// write makes the buffer fail for good: later appends are dropped and
// Finish() answers false, so a writer checks once at the end (and at its
// cancellation points) instead of after every value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace torvane {

class OutputBuffer {
 public:
  explicit OutputBuffer(FileHandle& file) : file_(file) { buffer_.reserve(kFlushSize + 4096); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void Text(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void Char(char c) { buffer_.push_back(c); }
  // printf("%.*f") of the value.
  void Fixed(double value, int decimals);
  void Unsigned(uint64_t value);
  void Signed(int64_t value);

  void Bytes(const void* data, size_t n) {
    if (n >= kDirectSize) return WriteDirect(data, n);
    buffer_.append(static_cast<const char*>(data), n);
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void U8(uint8_t value) { buffer_.push_back(static_cast<char>(value)); }
  void U16(uint16_t value);
  void U32(uint32_t value);
  void U64(uint64_t value);
  void F32(float value);

  // Overwrites n bytes handed over earlier, at `offset` from the start of
  // the output: in the buffer while they are still there, else in the file
  // (which must allow seeking). For lengths known only after their data.
  void Patch(uint64_t offset, const void* data, size_t n);

  // Writes what is buffered. False once any write has failed.
  bool Flush();
  // Flush and report whether every byte reached the file.
  bool Finish() { return Flush(); }
  bool ok() const { return ok_; }
  // Bytes handed to the buffer so far (written or pending).
  uint64_t Offset() const { return written_ + buffer_.size(); }

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  static constexpr size_t kDirectSize = 1 << 16;

  void WriteDirect(const void* data, size_t n);

  FileHandle& file_;
  std::string buffer_;
  uint64_t written_ = 0;
  bool ok_ = true;
};

}  // namespace torvane
