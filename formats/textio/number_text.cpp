// Number scanning and printing for the text model formats.
#include "formats/textio/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace torvane {
namespace {

template <class T>
bool ParseLeadingReal(std::string_view text, T& value, size_t* used) {
  size_t pos = 0;
  while (pos < text.size() && IsTokenSpace(text[pos]))
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // A second sign ("+-1") is not a number; from_chars would accept "-1".
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) return false;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  T parsed{};
  auto [end, error] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (end == first) return false;
  if (error == std::errc::result_out_of_range) {
    // Overflow gives an infinity and underflow zero, as strtod does.
    std::string copy(first, end);
    parsed = static_cast<T>(std::strtod(copy.c_str(), nullptr));
  } else if (error != std::errc()) {
    return false;
  }
  value = negative ? -parsed : parsed;
  if (used) *used = static_cast<size_t>(end - text.data());
  return true;
}

}  // namespace

bool ParseLeadingFloatGeneral(std::string_view text, float& value, size_t* used) {
  return ParseLeadingReal(text, value, used);
}

bool ParseLeadingDouble(std::string_view text, double& value, size_t* used) {
  return ParseLeadingReal(text, value, used);
}

bool ParseLeadingInt(std::string_view text, int64_t& value, size_t* used) {
  size_t pos = 0;
  while (pos < text.size() && IsTokenSpace(text[pos]))
    ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const size_t digitsStart = pos;
  uint64_t magnitude = 0;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  // Eighteen digits cannot overflow; longer numbers are held at the limit.
  while (pos < text.size() && static_cast<unsigned>(text[pos] - '0') <= 9) {
    if (pos - digitsStart < 18) {
      magnitude = magnitude * 10 + static_cast<unsigned>(text[pos] - '0');
    } else {
      const uint64_t digit = static_cast<unsigned>(text[pos] - '0');
      magnitude = magnitude > (kLimit - digit) / 10 ? kLimit + 1 : magnitude * 10 + digit;
    }
    ++pos;
  }
  if (pos == digitsStart) return false;
  if (negative) {
    value =
        magnitude > kLimit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
  } else {
    value =
        magnitude > kLimit ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(magnitude);
  }
  if (used) *used = pos;
  return true;
}

size_t FormatFixed(char* out, double value, int decimals) {
  if (std::isnan(value)) {
    const char* text = std::signbit(value) ? "-nan" : "nan";
    size_t n = 0;
    while (text[n])
      out[n] = text[n], ++n;
    return n;
  }
  if (std::isinf(value)) {
    const char* text = value < 0 ? "-inf" : "inf";
    size_t n = 0;
    while (text[n])
      out[n] = text[n], ++n;
    return n;
  }
  auto result = std::to_chars(out, out + 350, value, std::chars_format::fixed, decimals);
  return static_cast<size_t>(result.ptr - out);
}

size_t FormatFloatFixed(char* out, float value, int decimals) {
  static constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  if (decimals < 0 || decimals > 9) return FormatFixed(out, value, decimals);
  const double scaled = static_cast<double>(value) * kScales[decimals];
  if (!(std::fabs(scaled) < 9007199254740992.0)) return FormatFixed(out, value, decimals);
  // Negative values keep their sign even when they round to zero ("-0.000").
  uint64_t n = static_cast<uint64_t>(std::fabs(std::nearbyint(scaled)));
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0 || count <= decimals);
  size_t length = 0;
  if (std::signbit(value)) out[length++] = '-';
  while (count > decimals)
    out[length++] = digits[--count];
  if (decimals > 0) {
    out[length++] = '.';
    while (count > 0)
      out[length++] = digits[--count];
  }
  return length;
}

}  // namespace torvane
