// ByteSource: the bytes of a binary file body, read from a FileHandle in
// large pieces and handed out in place, for readers that take many small
// values.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/file_handle.h"

namespace torvane {

class ByteSource {
 public:
  explicit ByteSource(FileHandle& file) : file_(file), buffer_(1 << 20) {}
  // The next n bytes, contiguous; null at the end of the file.
  const unsigned char* Take(size_t n) {
    if (end_ - pos_ < n && !Fill(n)) return nullptr;
    const unsigned char* p = buffer_.data() + pos_;
    pos_ += n;
    return p;
  }

 private:
  bool Fill(size_t n) {
    const size_t kept = end_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    pos_ = 0;
    end_ = kept;
    if (buffer_.size() < n) buffer_.resize(n);
    while (end_ < n) {
      const size_t got = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
      if (got == 0) return false;
      end_ += got;
    }
    return true;
  }

  FileHandle& file_;
  std::vector<unsigned char> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
};

}  // namespace torvane
