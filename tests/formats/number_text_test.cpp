// Number scanning of the text readers: the quick path for plain decimals
// must give exactly what the C library gives, and leading-number rules hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "formats/textio/number_text.h"

namespace torvane {
namespace {

// The quick path and the library agree bit for bit and on where the number ends.
void ExpectSameAsTheLibrary(const char* text) {
  float parsed = 0.0f;
  size_t used = 0;
  ASSERT_TRUE(ParseLeadingFloat(text, parsed, &used)) << text;
  char* end = nullptr;
  const float expected = std::strtof(text, &end);
  ASSERT_EQ(std::memcmp(&parsed, &expected, sizeof(float)), 0) << text;
  ASSERT_EQ(used, static_cast<size_t>(end - text)) << text;
}

TEST(NumberText, HardValuesAndLeadingNumberRules) {
  // Values just below and above float midpoints, padded with zeros; exact
  // float midpoints and their neighbours in the last digit; exponents.
  std::istringstream hardValues(
      "16777217 16777216.0000 0.100000001490116119384765625 3.4028235e38 1e-50 -0.000 7. .25 "
      "+2.5 1.5x3 16777217.0000001 16777216.9999999 0.000000059604644775390625 "
      "1.00000005960464477539 1.0000000596046448 1.0000000596046447 33554433 33554434.999 "
      "1.25e-3 -7E+2 5e 4e+ 1e22 123456789012345678e-20 9007199254740993 0.3e-22 1e0005");
  for (std::string hard; hardValues >> hard;)
    ExpectSameAsTheLibrary(hard.c_str());
  float untouched = 9.0f;
  EXPECT_FALSE(ParseLeadingFloat("abc", untouched));
  EXPECT_FALSE(ParseLeadingFloat(".", untouched));
  EXPECT_FALSE(ParseLeadingFloat("+-1", untouched));
  EXPECT_EQ(untouched, 9.0f);
  ASSERT_TRUE(ParseLeadingFloat("1e999", untouched));
  EXPECT_TRUE(std::isinf(untouched));

  int64_t n = 0;
  EXPECT_TRUE(ParseLeadingInt("  -42abc", n));
  EXPECT_EQ(n, -42);
  EXPECT_TRUE(ParseLeadingInt("99999999999999999999999", n));
  EXPECT_EQ(n, INT64_MAX);
  EXPECT_FALSE(ParseLeadingInt("x1", n));
}

// Random decimals of up to 19 digits, with and without a point, a sign or
// an exponent: the quick path and the library agree bit for bit.
TEST(NumberText, RandomDecimalsMatchTheLibraryExactly) {
  std::mt19937_64 random(77);
  char text[64];
  for (int i = 0; i < 300000; ++i) {
    // Up to 19 random digits with a point somewhere, sometimes an exponent.
    int length = 0;
    if (random() % 2) text[length++] = '-';
    const int digits = 1 + static_cast<int>(random() % 19);
    const int point = static_cast<int>(random() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text[length++] = '.';
      text[length++] = static_cast<char>('0' + random() % 10);
    }
    if (random() % 3 == 0)
      length += std::snprintf(text + length, 16, "e%d", static_cast<int>(random() % 61) - 30);
    text[length] = 0;
    ExpectSameAsTheLibrary(text);
  }
}

TEST(NumberText, FloatFixedMatchesPrintf) {
  std::mt19937 random(8);
  char ours[400];
  char theirs[400];
  auto expectSame = [&](float value, int decimals) {
    const size_t n = FormatFloatFixed(ours, value, decimals);
    std::snprintf(theirs, sizeof(theirs), "%.*f", decimals, static_cast<double>(value));
    ASSERT_EQ(std::string(ours, n), theirs) << value << " " << decimals;
  };
  // Ties of the last digit (k / 128 at six decimals), values rounding to
  // "-0", the largest and smallest floats, infinities and NaN.
  for (float value : {0.0078125f, 0.0234375f, -0.0078125f, -0.0000001f, -0.0f, 0.0f, 3.4028235e38f,
                      1.0e-45f, 123456.789f, 9.0e9f, 1.0e10f})
    for (int decimals = 0; decimals <= 9; ++decimals)
      expectSame(value, decimals);
  expectSame(std::numeric_limits<float>::infinity(), 6);
  expectSame(-std::numeric_limits<float>::quiet_NaN(), 6);
  for (int i = 0; i < 300000; ++i) {
    uint32_t bits = static_cast<uint32_t>(random());
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    if (i % 2) value = static_cast<float>(static_cast<int>(random() % 2000001) - 1000000) / 1024.0f;
    expectSame(value, i % 3 ? 6 : static_cast<int>(random() % 10));
  }
}

}  // namespace
}  // namespace torvane
