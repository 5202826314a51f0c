// BufferedReader: a FileHandle opened for reading plus an 8192-byte buffer,
// for readers that go through a file line by line or in small pieces.
//
// Lines end at "\n", "\r" or "\r\n"; a "\n" right after "\r" belongs to the
// same line ending even when the buffer is refilled between the two.
// ReadLine keeps at most 259 characters of a line (the rest is read and
// dropped); ReadWholeLine keeps the whole line for readers whose data lines
// must never be shortened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace torvane {

inline constexpr size_t kReaderBufferSize = 8192;
inline constexpr size_t kMaxLineLength = 259;

class BufferedReader {
 public:
  BufferedReader() = default;
  BufferedReader(const BufferedReader&) = delete;
  BufferedReader& operator=(const BufferedReader&) = delete;

  // Opens for reading; with retry the sharing-violation budget is 3000 ms.
  bool Open(const std::string& path, bool retry = false);
  void Close();
  bool IsOpen() const { return file_.IsOpen(); }

  // The next line, cut to 259 characters. False only at end of file when no
  // character (and no line ending) was read.
  bool ReadLine(std::string& out);
  // The same, without the cut.
  bool ReadWholeLine(std::string& out);
  // Copies up to n bytes; fewer only at end of file (or on a read error).
  size_t ReadBytes(void* data, size_t n);

  // Offset of the next byte this reader will hand out.
  int64_t Tell() const;
  uint64_t FileSize() const { return file_.Size(); }
  bool AtEnd();
  FileHandle& File() { return file_; }

 private:
  bool Fill();
  bool ReadLineLimited(std::string& out, size_t limit);

  FileHandle file_;
  char buffer_[kReaderBufferSize];
  size_t position_ = 0;
  size_t filled_ = 0;
};

// The text without its leading space characters (tabs are kept).
std::string_view TrimLeadingSpaces(std::string_view text);

}  // namespace torvane
