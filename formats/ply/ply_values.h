// Values of PLY bodies: binary values in either byte order, index tokens,
// colour channels, and the single-pass token readers of the text body.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/colour32.h"
#include "formats/bytes/byte_order.h"
#include "formats/ply/ply_header.h"
#include "formats/textio/number_text.h"

namespace torvane {

inline double DecodeBinary(const unsigned char* p, PlyType type, bool bigEndian) {
  switch (type) {
    case kPlyChar:
    case kPlyUchar:
      return p[0];
    case kPlyShort:
    case kPlyUshort:
      return LoadInByteOrder<uint16_t>(p, bigEndian);
    case kPlyInt:
      return LoadInByteOrder<int32_t>(p, bigEndian);
    case kPlyUint:
      return LoadInByteOrder<uint32_t>(p, bigEndian);
    case kPlyFloat:
      return LoadInByteOrder<float>(p, bigEndian);
    case kPlyDouble:
      return LoadInByteOrder<double>(p, bigEndian);
    default:
      return 0.0;
  }
}

// A plain unsigned index token ("12345"), else the general rule.
inline int64_t ParseIndexToken(std::string_view token) {
  if (token.size() <= 9) {
    uint32_t value = 0;
    size_t i = 0;
    for (; i < token.size() && static_cast<unsigned>(token[i] - '0') <= 9; ++i)
      value = value * 10 + static_cast<uint32_t>(token[i] - '0');
    if (i == token.size()) return value;
  }
  int64_t value = 0;
  ParseLeadingInt(token, value);
  return value;
}

inline bool IsRealType(PlyType type) {
  return type == kPlyFloat || type == kPlyDouble;
}

// A colour channel as a byte: integer channels keep their low byte, real
// channels (0 to 1) are scaled.
inline uint32_t ChannelByte(double value, PlyType type) {
  if (IsRealType(type)) {
    if (!(value > 0.0)) return 0;
    if (value >= 1.0) return 255;
    return static_cast<uint32_t>(std::lround(value * 255.0));
  }
  if (!(value >= 0.0) || value > 4294967295.0) return 0;
  return static_cast<uint32_t>(value) & 0xFF;
}

inline void PlaceChannel(Colour32& colour, PlyRole role, uint32_t byte) {
  int shift = 0;
  switch (role) {
    case PlyRole::kRed:
      shift = 16;
      break;
    case PlyRole::kGreen:
      shift = 8;
      break;
    case PlyRole::kBlue:
      shift = 0;
      break;
    case PlyRole::kAlpha:
      shift = 24;
      break;
    default:
      return;
  }
  colour = (colour & ~(0xFFu << shift)) | (byte << shift);
}

// An index value as a vertex number; anything negative, fractional or too
// large becomes a value that fails the range check.
inline uint32_t IndexFromValue(double value) {
  if (!(value >= 0.0) || value >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(value);
}

// A line ending: lines of a text body end at "\n" or "\r" (both are token
// space too).
inline bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// The float token that starts at `c` (not white space); `c` moves past it.
// One pass for plain decimals; a token that is not a number reads as 0.
inline void ParseFloatTokenAt(const char*& c, const char* end, float& value) {
  size_t used = 0;
  if (ParsePlainFloat(std::string_view(c, end - c), value, &used) &&
      (c + used == end || IsTokenSpace(c[used]))) {
    c += used;
    return;
  }
  const char* start = c;
  while (c < end && !IsTokenSpace(*c))
    ++c;
  value = 0.0f;
  ParseLeadingFloat(std::string_view(start, c - start), value);
}

enum class TokenKind { kNone, kNumber, kNotANumber };

// The integer token that starts at `c` (not white space); `c` moves past it.
// One pass for plain unsigned numbers.
inline TokenKind ParseIntegerTokenAt(const char*& c, const char* end, int64_t& value) {
  const char* start = c;
  uint64_t v = 0;
  if (end - c >= 8) c += TakeEightDigits(c, v);
  while (c < end && static_cast<unsigned>(*c - '0') <= 9 && c - start < 18)
    v = v * 10 + static_cast<unsigned>(*c++ - '0');
  if (c > start && (c == end || IsTokenSpace(*c))) {
    value = static_cast<int64_t>(v);
    return TokenKind::kNumber;
  }
  c = start;
  while (c < end && !IsTokenSpace(*c))
    ++c;
  value = 0;
  return ParseLeadingInt(std::string_view(start, c - start), value) ? TokenKind::kNumber
                                                                    : TokenKind::kNotANumber;
}

// The token at `c` (after white space) as an integer.
inline TokenKind TakeIntegerToken(const char*& c, const char* end, int64_t& value) {
  while (c < end && IsTokenSpace(*c))
    ++c;
  if (c == end) return TokenKind::kNone;
  return ParseIntegerTokenAt(c, end, value);
}

// The same token readers within one line of a text body: `c` never passes
// the line's ending, and a line without more tokens gives false / kNone.
// The body must hold a line ending at or after `c` before `end`.
inline bool SkipToLineToken(const char*& c) {
  while (IsTokenSpace(*c)) {
    if (IsLineEnd(*c)) return false;
    ++c;
  }
  return true;
}

inline bool TakeLineFloat(const char*& c, const char* end, float& value) {
  if (!SkipToLineToken(c)) return false;
  ParseFloatTokenAt(c, end, value);
  return true;
}

inline TokenKind TakeLineInteger(const char*& c, const char* end, int64_t& value) {
  if (!SkipToLineToken(c)) return TokenKind::kNone;
  return ParseIntegerTokenAt(c, end, value);
}

}  // namespace torvane
