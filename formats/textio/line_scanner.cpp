// Whole-line reading over large buffered reads.
#include "formats/textio/line_scanner.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/grow_array.h"

namespace torvane {

bool GrowLineBuffer(std::vector<char>& buffer) {
  const size_t size = buffer.size() * 2;
  if (!MemoryGuardAllows(size)) return false;
  try {
    buffer.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool LineScanner::Refill() {
  if (atEnd_) return false;
  // Keep the unfinished line at the front, growing the buffer when it
  // already fills it.
  const size_t kept = end_ - begin_;
  if (begin_ > 0) std::memmove(buffer_.data(), buffer_.data() + begin_, kept);
  begin_ = 0;
  end_ = kept;
  nextNewline_ = nextReturn_ = kUnknown;  // searched again in the moved data
  if (end_ == buffer_.size() && !GrowLineBuffer(buffer_)) {
    atEnd_ = outOfMemory_ = true;
    return false;
  }
  const size_t got = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool LineScanner::Next(std::string_view& line) {
  for (;;) {
    if (skipNewline_) {
      if (begin_ == end_ && !Refill() && begin_ == end_) return false;
      if (buffer_[begin_] == '\n') ++begin_;
      skipNewline_ = false;
      scanned_ = 0;
    }
    const char* data = buffer_.data();
    // The next "\n" and the next "\r" are each remembered until passed, so a
    // file that uses only one of them never rescans the buffer for the other.
    const size_t from = begin_ + scanned_;
    if (nextNewline_ == kUnknown || nextNewline_ < from) {
      const void* at = std::memchr(data + from, '\n', end_ - from);
      nextNewline_ = at ? static_cast<size_t>(static_cast<const char*>(at) - data) : end_;
    }
    if (nextReturn_ == kUnknown || nextReturn_ < from) {
      const void* at = std::memchr(data + from, '\r', end_ - from);
      nextReturn_ = at ? static_cast<size_t>(static_cast<const char*>(at) - data) : end_;
    }
    const size_t i = std::min(nextNewline_, nextReturn_);
    if (i < end_) {
      line = std::string_view(data + begin_, i - begin_);
      skipNewline_ = data[i] == '\r';
      begin_ = i + 1;
      scanned_ = 0;
      return true;
    }
    scanned_ = end_ - begin_;
    if (!Refill()) {
      if (end_ == begin_ || outOfMemory_) return false;
      // The last line has no line ending.
      line = std::string_view(buffer_.data() + begin_, end_ - begin_);
      begin_ = end_;
      scanned_ = 0;
      return true;
    }
  }
}

}  // namespace torvane
