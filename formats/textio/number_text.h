// Token and number scanning shared by the text model readers.
//
// Tokens are separated by bytes up to 32 (space, tab, control characters).
// Numbers are read the way the C library reads a leading number: leading
// white space is skipped, an optional sign, then the longest decimal number;
// the rest of the text is ignored. No function here allocates or throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace torvane {

inline bool IsTokenSpace(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// The next token of `text` at or after `pos`; `pos` moves past it. Empty at
// the end of the text.
inline std::string_view NextToken(std::string_view text, size_t& pos) {
  const size_t size = text.size();
  while (pos < size && IsTokenSpace(text[pos]))
    ++pos;
  const size_t start = pos;
  while (pos < size && !IsTokenSpace(text[pos]))
    ++pos;
  return text.substr(start, pos - start);
}

// Plain decimals ("-12.5", "0.137000") whose digits, without trailing
// zeros of the fraction, form an integer m of at most 2^24 with a power of
// ten of at most 10 digits: m and the power are exact floats, so one float
// multiplication or division gives the correctly rounded value, the same as
// the general parser. False when the text needs the general parser.
inline bool ParsePlainFloat(std::string_view text, float& value, size_t* used) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  const char* const digitsStart = p;
  uint64_t mantissa = 0;
  while (p < end && static_cast<unsigned>(*p - '0') <= 9)
    mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  int scale = 0;  // digits after the point in the mantissa
  bool point = false;
  if (p < end && *p == '.') {
    point = true;
    ++p;
    // Zeros of the fraction join the mantissa only when a later digit
    // needs them, so trailing zeros cost nothing.
    static constexpr uint64_t kScales[] = {1,         10,         100,         1000,
                                           10000,     100000,     1000000,     10000000,
                                           100000000, 1000000000, 10000000000, 100000000000};
    int pending = 0;
    while (p < end && static_cast<unsigned>(*p - '0') <= 9) {
      const unsigned digit = static_cast<unsigned>(*p++ - '0');
      if (digit == 0) {
        ++pending;
        continue;
      }
      if (scale + pending + 1 > 10) return false;
      mantissa = mantissa * kScales[pending + 1] + digit;
      scale += pending + 1;
      pending = 0;
    }
  }
  const ptrdiff_t digits = p - digitsStart - point;
  // Nineteen digits always fit the 64-bit mantissa.
  if (digits <= 0 || digits > 19) return false;
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X' || *p == 'n' || *p == 'N' ||
                  *p == 'i' || *p == 'I'))
    return false;  // exponents, hexadecimal, inf and nan go the general way
  if (mantissa > (uint64_t{1} << 24) || scale > 10) return false;
  static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                      1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  const float result = static_cast<float>(mantissa) / kPowers[scale];
  value = negative ? -result : result;
  if (used) *used = static_cast<size_t>(p - text.data());
  return true;
}

// The general parser behind ParseLeadingFloat.
bool ParseLeadingFloatGeneral(std::string_view text, float& value, size_t* used);

// Leading decimal floating-point number of `text`. False (value untouched)
// when the text does not start with one. `used`, when given, receives the
// count of bytes consumed. Values beyond the float range become infinities.
inline bool ParseLeadingFloat(std::string_view text, float& value, size_t* used = nullptr) {
  if (!text.empty() && !IsTokenSpace(text[0]) && ParsePlainFloat(text, value, used)) return true;
  return ParseLeadingFloatGeneral(text, value, used);
}
bool ParseLeadingDouble(std::string_view text, double& value, size_t* used = nullptr);

// Leading decimal integer (optional sign). Values beyond the int64 range are
// held at its limits. False when there are no digits.
bool ParseLeadingInt(std::string_view text, int64_t& value, size_t* used = nullptr);

// Appends `value` in fixed notation with `decimals` digits after the point,
// exactly as printf("%.*f") would print it. `out` must hold 350 bytes.
size_t FormatFixed(char* out, double value, int decimals);

}  // namespace torvane
