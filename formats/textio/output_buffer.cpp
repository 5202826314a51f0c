// Buffered file output for the model writers.
#include "formats/textio/output_buffer.h"

#include <charconv>
#include <cstring>

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

void OutputBuffer::F32(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  U32(bits);
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
