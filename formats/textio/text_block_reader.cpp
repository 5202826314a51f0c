// Block reading of text bodies with windows of whole lines.
#include "formats/textio/text_block_reader.h"

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

TextBlockReader::TextBlockReader(FileHandle& file) : file_(file) {
  buffer_.resize(kBlockSize);
  limit_ = buffer_.data();
}

const char* TextBlockReader::Refill() {
  // Whatever follows the window is the start of an unfinished line: it
  // moves to the front and the next read joins it.
  const size_t from = static_cast<size_t>(limit_ - buffer_.data());
  const size_t kept = end_ - from;
  if (kept && from) std::memmove(buffer_.data(), buffer_.data() + from, kept);
  end_ = kept;
  size_t scanned = kept;  // the kept bytes hold no line ending
  size_t lineEnd = 0;     // one past the last line ending found; 0 for none
  while (lineEnd == 0) {
    if (outOfMemory_) {
      limit_ = buffer_.data();
      end_ = 0;
      return nullptr;
    }
    if (atEnd_) {
      if (end_ == 0) {
        limit_ = buffer_.data();
        return nullptr;
      }
      // The last line has no line ending: it ends with the file.
      if (end_ == buffer_.size()) {
        try {
          buffer_.resize(buffer_.size() + 1);
        } catch (const std::bad_alloc&) {
          outOfMemory_ = true;
          continue;
        }
      }
      buffer_[end_++] = '\n';
      lineEnd = end_;
      break;
    }
    if (end_ == buffer_.size() && !GrowLineBuffer(buffer_)) {
      outOfMemory_ = true;
      continue;
    }
    const size_t got = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) {
      atEnd_ = true;
      continue;
    }
    end_ += got;
    for (size_t i = end_; i > scanned; --i) {
      const char c = buffer_[i - 1];
      if (c == '\n' || c == '\r') {
        lineEnd = i;
        break;
      }
    }
    scanned = end_;
  }
  limit_ = buffer_.data() + lineEnd;
  const char* at = buffer_.data();
  if (skipNewline_) {
    skipNewline_ = false;
    if (*at == '\n') ++at;
  }
  return at;
}

bool TextBlockReader::NextLine(const char*& at, std::string_view& line) {
  while (at == limit_) {
    const char* next = Refill();
    if (!next) {
      at = limit_;
      return false;
    }
    at = next;
  }
  const char* start = at;
  while (*at != '\n' && *at != '\r')
    ++at;
  line = std::string_view(start, static_cast<size_t>(at - start));
  PassLineEnd(at);
  return true;
}

}  // namespace torvane
