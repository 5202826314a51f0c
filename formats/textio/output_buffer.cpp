// Buffered file output for the model writers.
#include "formats/textio/output_buffer.h"

#include <charconv>
#include <cstring>

#include "formats/bytes/byte_order.h"
#include "formats/textio/number_text.h"

namespace torvane {

void OutputBuffer::Fixed(double value, int decimals) {
  char text[352];
  buffer_.append(text, FormatFixed(text, value, decimals));
  if (buffer_.size() >= kFlushSize) Flush();
}

void OutputBuffer::Unsigned(uint64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof(text), value);
  buffer_.append(text, static_cast<size_t>(result.ptr - text));
}

void OutputBuffer::Signed(int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof(text), value);
  buffer_.append(text, static_cast<size_t>(result.ptr - text));
}

void OutputBuffer::U16(uint16_t value) {
  const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
  buffer_.append(bytes, 2);
}

void OutputBuffer::U32(uint32_t value) {
  const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                         static_cast<char>((value >> 16) & 0xFF), static_cast<char>(value >> 24)};
  buffer_.append(bytes, 4);
  if (buffer_.size() >= kFlushSize) Flush();
}

void OutputBuffer::U64(uint64_t value) {
  unsigned char bytes[8];
  StoreLittleEndian(bytes, value);
  buffer_.append(reinterpret_cast<const char*>(bytes), 8);
  if (buffer_.size() >= kFlushSize) Flush();
}

void OutputBuffer::F32(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  U32(bits);
}

void OutputBuffer::WriteDirect(const void* data, size_t n) {
  if (!Flush()) return;
  const size_t done = file_.Write(data, n);
  written_ += done;
  if (done != n) ok_ = false;
}

void OutputBuffer::Patch(uint64_t offset, const void* data, size_t n) {
  if (!ok_) return;
  if (offset >= written_) {
    std::memcpy(buffer_.data() + (offset - written_), data, n);
    return;
  }
  // Already in the file: write in place, then carry on at the end.
  if (!Flush()) return;
  if (!file_.Seek(static_cast<int64_t>(offset)) || file_.Write(data, n) != n ||
      !file_.Seek(static_cast<int64_t>(written_))) {
    ok_ = false;
  }
}

bool OutputBuffer::Flush() {
  if (!ok_) {
    buffer_.clear();
    return false;
  }
  if (!buffer_.empty()) {
    const size_t done = file_.Write(buffer_.data(), buffer_.size());
    written_ += done;
    if (done != buffer_.size()) ok_ = false;
    buffer_.clear();
  }
  return ok_;
}

}  // namespace torvane
