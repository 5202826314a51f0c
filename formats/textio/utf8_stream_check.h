// Utf8StreamCheck: whether text arriving in pieces is valid UTF-8 as a
// whole (the same answer IsValidUtf8 gives for all of it at once), with a
// character allowed to straddle two pieces.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "formats/textio/utf8_text.h"

namespace torvane {

class Utf8StreamCheck {
 public:
  // False once the text so far cannot be valid UTF-8.
  bool Feed(const char* data, size_t n) {
    if (!ok_) return false;
    if (held_ > 0) {
      // Complete the character left over from the last piece first.
      const size_t wanted = SequenceLength(static_cast<unsigned char>(pending_[0]));
      const size_t take = std::min(wanted - held_, n);
      std::memcpy(pending_ + held_, data, take);
      held_ += take;
      data += take;
      n -= take;
      if (held_ < wanted) return true;
      if (!IsValidUtf8(std::string_view(pending_, held_))) return ok_ = false;
      held_ = 0;
    }
    // A character cut by the end of the piece waits for the next one.
    size_t body = n;
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
      const auto c = static_cast<unsigned char>(data[n - back]);
      if (c < 0x80) break;
      if (c >= 0xC0) {
        if (SequenceLength(c) > back) body = n - back;
        break;
      }
    }
    if (!IsValidUtf8(std::string_view(data, body))) return ok_ = false;
    held_ = n - body;
    std::memcpy(pending_, data + body, held_);
    return true;
  }

  // The verdict for the whole text once it has ended.
  bool Finish() const { return ok_ && held_ == 0; }

 private:
  static size_t SequenceLength(unsigned char lead) {
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
  }

  char pending_[4] = {};
  size_t held_ = 0;
  bool ok_ = true;
};

}  // namespace torvane
