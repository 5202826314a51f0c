// LineScanner: whole lines of a text file, read in large pieces and handed
// out as views into the scanner's buffer, for the readers of big text
// models (OBJ, ASCII PLY).
//
// Lines end at "\n", "\r" or "\r\n" (also when "\r" and "\n" fall into
// different reads). A line is never cut: a line longer than the buffer grows
// the buffer, as far as the memory guard allows. Next() is false at the end
// of the file when nothing is left, and when a line cannot fit in memory
// (OutOfMemory() tells the two apart: a line is never handed out cut); an
// empty line is an empty view.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"

namespace torvane {

// Doubles a buffer that holds one unfinished line, as far as the memory
// guard allows; false (the buffer unchanged) when it cannot.
bool GrowLineBuffer(std::vector<char>& buffer);

class LineScanner {
 public:
  // Reads from the file's current position on.
  explicit LineScanner(FileHandle& file) : file_(file), buffer_(kInitialSize) {}
  LineScanner(const LineScanner&) = delete;
  LineScanner& operator=(const LineScanner&) = delete;

  // The view stays valid until the next call. False at the end of the file
  // or when the buffer cannot grow.
  bool Next(std::string_view& line);
  // True once a line was longer than the buffer could grow to; reading has
  // stopped and the rest of the file is unread.
  bool OutOfMemory() const { return outOfMemory_; }

 private:
  static constexpr size_t kInitialSize = 1 << 20;
  bool Refill();

  FileHandle& file_;
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  size_t scanned_ = 0;  // bytes after begin_ known to hold no line ending
  bool atEnd_ = false;
  bool outOfMemory_ = false;
  bool skipNewline_ = false;  // the last line ended with "\r"
  // Offsets of the next "\n" and "\r" (end_ when there is none in the
  // buffer); stale once below the scan position.
  static constexpr size_t kUnknown = static_cast<size_t>(-1);
  size_t nextNewline_ = kUnknown;
  size_t nextReturn_ = kUnknown;
};

}  // namespace torvane
