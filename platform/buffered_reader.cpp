// BufferedReader: line and byte reads over an 8192-byte buffer.
#include "platform/buffered_reader.h"

#include <algorithm>
#include <cstring>

namespace torvane {

bool BufferedReader::Open(const std::string& path, bool retry) {
  position_ = 0;
  filled_ = 0;
  return retry ? file_.OpenReadWithRetry(path, kBufferedReadRetryBudgetMs) : file_.OpenRead(path);
}

void BufferedReader::Close() {
  file_.Close();
  position_ = 0;
  filled_ = 0;
}

bool BufferedReader::Fill() {
  position_ = 0;
  filled_ = file_.Read(buffer_, sizeof(buffer_));
  return filled_ > 0;
}

bool BufferedReader::AtEnd() {
  if (position_ < filled_) return false;
  return !Fill();
}

bool BufferedReader::ReadLineLimited(std::string& out, size_t limit) {
  out.clear();
  bool readAnything = false;
  for (;;) {
    if (position_ >= filled_ && !Fill()) return readAnything;
    readAnything = true;
    // Scan the buffered bytes for the end of the line.
    const char* start = buffer_ + position_;
    const size_t available = filled_ - position_;
    size_t length = 0;
    while (length < available && start[length] != '\n' && start[length] != '\r')
      ++length;
    if (out.size() < limit) out.append(start, std::min(length, limit - out.size()));
    position_ += length;
    if (length == available) continue;  // the line goes on in the next fill
    const char ending = buffer_[position_++];
    if (ending == '\r') {
      if (position_ >= filled_) Fill();
      if (position_ < filled_ && buffer_[position_] == '\n') ++position_;
    }
    return true;
  }
}

bool BufferedReader::ReadLine(std::string& out) {
  return ReadLineLimited(out, kMaxLineLength);
}

bool BufferedReader::ReadWholeLine(std::string& out) {
  return ReadLineLimited(out, std::string::npos);
}

size_t BufferedReader::ReadBytes(void* data, size_t n) {
  auto* bytes = static_cast<unsigned char*>(data);
  size_t done = 0;
  while (done < n) {
    if (position_ >= filled_) {
      // Large pieces skip the buffer when it holds nothing.
      if (n - done > 256) {
        position_ = 0;
        filled_ = 0;
        return done + file_.Read(bytes + done, n - done);
      }
      if (!Fill()) break;
    }
    const size_t take = std::min(n - done, filled_ - position_);
    std::memcpy(bytes + done, buffer_ + position_, take);
    position_ += take;
    done += take;
  }
  return done;
}

int64_t BufferedReader::Tell() const {
  const int64_t filePosition = file_.Position();
  if (filePosition < 0) return -1;
  return filePosition - static_cast<int64_t>(filled_ - position_);
}

std::string_view TrimLeadingSpaces(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && text[first] == ' ')
    ++first;
  return text.substr(first);
}

}  // namespace torvane
