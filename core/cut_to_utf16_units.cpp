#include "core/cut_to_utf16_units.h"

namespace torvane {

std::string_view CutToUtf16Units(std::string_view text, size_t maxUnits) {
  size_t pos = 0;
  size_t units = 0;
  while (pos < text.size()) {
    // Continuation bytes count as a one-byte sequence; a four-byte sequence
    // is a surrogate pair.
    const auto lead = static_cast<unsigned char>(text[pos]);
    const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const size_t needed = length == 4 ? 2 : 1;
    if (units + needed > maxUnits || pos + length > text.size()) break;
    units += needed;
    pos += length;
  }
  return text.substr(0, pos);
}

}  // namespace torvane
