// Token and number scanning shared by the text model readers.
//
// Tokens are separated by bytes up to 32 (space, tab, control characters).
// Numbers are read the way the C library reads a leading number: leading
// white space is skipped, an optional sign, then the longest decimal number;
// the rest of the text is ignored. No function here allocates or throws.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// The leading digits of the eight bytes at `p`: how many there are (0 to
// 8) and their value. The first character is the lowest byte: the digits
// are shifted to the top, any missing leading ones reading as zeros, and
// combined pairwise.
inline int TakeEightDigits(const char* p, uint64_t& value) {
  uint64_t chunk;
  std::memcpy(&chunk, p, 8);
  const uint64_t t = chunk ^ 0x3030303030303030ull;
  const uint64_t nondigit =
      (((t & 0x7F7F7F7F7F7F7F7Full) + 0x7676767676767676ull) | t) & 0x8080808080808080ull;
  const int n = nondigit ? __builtin_ctzll(nondigit) / 8 : 8;
  if (n == 0) {
    value = 0;
    return 0;
  }
  uint64_t v = chunk << (8 * (8 - n));
  v = (v & 0x0F0F0F0F0F0F0F0Full) * 2561 >> 8;
  v = (v & 0x00FF00FF00FF00FFull) * 6553601 >> 16;
  value = (v & 0x0000FFFF0000FFFFull) * 42949672960001ull >> 32;
  return n;
}

inline constexpr auto kPowersOfTen = [] {
  std::array<uint64_t, 20> powers{};
  uint64_t power = 1;
  for (uint64_t& p : powers) {
    p = power;
    power *= 10;  // wraps once, after the last entry
  }
  return powers;
}();

// Appends the run of digits at `p` to `mantissa`, counting them in
// `digits`. False (with `p` somewhere in the run) once more than nineteen
// digits would be held, the most a 64-bit mantissa always takes.
inline bool TakeDigitRun(const char*& p, const char* end, uint64_t& mantissa, int& digits) {
  while (end - p >= 8) {
    uint64_t value;
    const int n = TakeEightDigits(p, value);
    if (digits + n > 19) return false;
    mantissa = mantissa * kPowersOfTen[n] + value;
    digits += n;
    p += n;
    if (n < 8) return true;
  }
  while (p < end && static_cast<unsigned>(*p - '0') <= 9) {
    if (++digits > 19) return false;
    mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
  }
  return true;
}

// Plain decimals ("-12.5", "0.137000", "5.", ".5", "-1.25e-3") of at most
// nineteen digits forming an integer m of at most 2^53, scaled by a power
// of ten p with |p| <= 22: m and 10^|p| are exact doubles, so one double
// multiplication or division gives the correctly rounded double d of the
// text. Rounding d to float gives the correctly rounded float of the text
// too, unless d lies exactly halfway between two floats (the text may lie
// just beside that point); those rare values, and everything else, go to
// the general parser, so the result is always the general parser's. False
// when the text needs it.
inline bool ParsePlainFloat(std::string_view text, float& value, size_t* used) {
  constexpr uint64_t kExactLimit = uint64_t{1} << 53;
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  uint64_t mantissa = 0;
  int digits = 0;
  if (!TakeDigitRun(p, end, mantissa, digits)) return false;
  int scale = 0;  // digits after the point
  if (p < end && *p == '.') {
    ++p;
    const int before = digits;
    if (!TakeDigitRun(p, end, mantissa, digits)) return false;
    scale = digits - before;
  }
  if (digits == 0 || mantissa > kExactLimit) return false;
  int exponent = 0;
  if (p < end && (*p | 0x20) == 'e') {
    // Only a complete exponent of a few digits; anything odder goes the
    // general way.
    const char* e = p + 1;
    bool negativeExponent = false;
    if (e < end && (*e == '-' || *e == '+')) negativeExponent = *e++ == '-';
    const char* const exponentStart = e;
    while (e < end && static_cast<unsigned>(*e - '0') <= 9 && e - exponentStart < 3)
      exponent = exponent * 10 + (*e++ - '0');
    if (e == exponentStart || (e < end && static_cast<unsigned>(*e - '0') <= 9)) return false;
    if (negativeExponent) exponent = -exponent;
    p = e;
  }
  // Hexadecimal, inf and nan go the general way (either case).
  if (p < end && ((*p | 0x20) == 'x' || (*p | 0x20) == 'n' || (*p | 0x20) == 'i')) return false;
  const int power = exponent - scale;
  if (power < -22 || power > 22) return false;
  const double exact = static_cast<double>(mantissa);
  const double rounded = power < 0 ? exact / kPowers[-power] : exact * kPowers[power];
  // |rounded| is 0 or lies within [1e-22, 2^53 * 1e22]: the range of normal
  // floats, so the halfway test reads the double's low bits.
  uint64_t bits;
  std::memcpy(&bits, &rounded, sizeof(bits));
  if ((bits & 0x1FFFFFFFu) == 0x10000000u) return false;
  const float result = static_cast<float>(rounded);
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

// The same text for a float with 0 to 9 decimals, without the general
// printing: the float times 10^decimals is exact in a double (at most 24 +
// 21 significant bits), so rounding that to an integer, ties to even as
// printf rounds, gives printf's digits. Values whose scaled magnitude
// reaches 2^53, infinities and NaN go to FormatFixed.
size_t FormatFloatFixed(char* out, float value, int decimals);

}  // namespace torvane
