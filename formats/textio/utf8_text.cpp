// UTF-8 cutting, validation and conversion.
#include "formats/textio/utf8_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace torvane {
namespace {

// Length in bytes of the UTF-8 sequence starting with `lead`, and the UTF-16
// units it stands for; continuation bytes count as a one-byte sequence.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

std::string_view CutToBytes(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Step back over continuation bytes to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

std::string_view DropPartialCharacter(std::string_view text) {
  size_t lead = text.size();
  size_t back = 0;
  while (lead > 0 && back < 4) {
    --lead;
    ++back;
    const auto c = static_cast<unsigned char>(text[lead]);
    if ((c & 0xC0) != 0x80) {
      if (c >= 0xC0 && SequenceLength(c) > back) return text.substr(0, lead);
      break;
    }
  }
  return text;
}

bool IsValidUtf8(std::string_view text) {
  size_t pos = 0;
  const size_t size = text.size();
  while (pos < size) {
    // Runs of ASCII, eight bytes at a time.
    while (pos + 8 <= size) {
      uint64_t chunk;
      std::memcpy(&chunk, text.data() + pos, 8);
      if (chunk & 0x8080808080808080ull) break;
      pos += 8;
    }
    if (pos >= size) break;
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80) {
      ++pos;
      continue;
    }
    size_t length;
    uint32_t codePoint;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      codePoint = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      codePoint = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      codePoint = c & 0x07;
    } else {
      return false;
    }
    if (pos + length > size) return false;
    for (size_t i = 1; i < length; ++i) {
      const unsigned char next = static_cast<unsigned char>(text[pos + i]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) ||
        codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
      return false;
    pos += length;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) codePoint = 0xFFFD;
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size() / 2);
  const size_t count = bytes.size() / 2;
  auto unitAt = [&](size_t i) -> uint32_t {
    const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
    const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
    return bigEndian ? (uint32_t{b0} << 8) | b1 : (uint32_t{b1} << 8) | b0;
  };
  for (size_t i = 0; i < count; ++i) {
    const uint32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
      const uint32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit);  // unpaired surrogates turn into U+FFFD
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  // 0x80..0x9F differ from Latin-1; 0 marks the five unassigned bytes.
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else if (c < 0xA0) {
      const uint16_t mapped = kHigh[c - 0x80];
      AppendUtf8(out, mapped ? mapped : 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (needed > 0) {
    out.resize(static_cast<size_t>(needed));
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

}  // namespace torvane
