// TextBlockReader: the body of a text file read in large blocks whose
// window always ends just after a line ending, so a reader parses whole
// lines in place with plain pointers and no per-line call: any position in
// the window that is inside a line has that line's ending ("\n" or "\r")
// before Limit().
//
// The reader owns its position (`at`, a pointer into the window) and hands
// it to the caller's hot loops by reference. Every text reader but the STL
// one (which keeps its own cut lines) reads through this, so line handling
// lives here once: "\n", "\r" or "\r\n" end a line (also when the
// "\r" and "\n" fall into different reads), a last line without an ending
// is a line, and a line longer than the buffer grows the buffer as far as
// the memory guard allows; a line that cannot fit stops the reading
// (OutOfMemory()), it is never handed out cut.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"

namespace torvane {

// Doubles a buffer that holds one unfinished line, as far as the memory
// guard allows; false (the buffer unchanged) when it cannot.
bool GrowLineBuffer(std::vector<char>& buffer);

class TextBlockReader {
 public:
  // Reads from the file's current position on.
  explicit TextBlockReader(FileHandle& file);
  TextBlockReader(const TextBlockReader&) = delete;
  TextBlockReader& operator=(const TextBlockReader&) = delete;

  // The end of the window of whole lines; valid until the next Refill.
  const char* Limit() const { return limit_; }

  // Once the reader is at Limit(): moves the window on to the next lines
  // and answers the new position, its start. Null at the end of the file
  // (or when a line cannot fit in memory).
  const char* Refill();

  // True once a line was longer than the buffer could grow to.
  bool OutOfMemory() const { return outOfMemory_; }

  // Moves `at` past white space, line endings included, to the next token;
  // false at the end of the file. (Positions pass by value to Refill, so a
  // caller's position can stay in a register.)
  bool SkipBlank(const char*& at) {
    for (;;) {
      while (at < limit_ && static_cast<unsigned char>(*at) <= 32)
        ++at;
      if (at < limit_) return true;
      const char* next = Refill();
      if (!next) {
        at = limit_;
        return false;
      }
      at = next;
    }
  }

  // Moves `at` (inside a line) past the rest of the line and its ending.
  void PassLine(const char*& at) {
    while (*at != '\n' && *at != '\r')
      ++at;
    PassLineEnd(at);
  }

  // The next line at `at`, without its ending; `at` moves past the ending.
  // The view stays valid until the next Refill. False at the end of the file.
  bool NextLine(const char*& at, std::string_view& line);

 private:
  static constexpr size_t kBlockSize = 1 << 20;

  // `at` is at a line ending: moves past it, and past the "\n" of "\r\n".
  void PassLineEnd(const char*& at) {
    const bool carriageReturn = *at++ == '\r';
    if (!carriageReturn) return;
    if (at < limit_) {
      if (*at == '\n') ++at;
    } else {
      skipNewline_ = true;  // the "\n" may come with the next block
    }
  }

  FileHandle& file_;
  std::vector<char> buffer_;
  const char* limit_ = nullptr;  // end of the whole lines in the buffer
  size_t end_ = 0;               // bytes held in the buffer
  bool atEnd_ = false;
  bool outOfMemory_ = false;
  bool skipNewline_ = false;
};

}  // namespace torvane
