// Number scanning of the text readers: the quick path for plain decimals
// must give exactly what the C library gives, and leading-number rules hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "formats/ply/ply_values.h"
#include "formats/textio/number_text.h"

namespace torvane {
namespace {

TEST(NumberText, PlainDecimalsMatchTheLibraryExactly) {
  std::mt19937 random(12345);
  char text[64];
  for (int i = 0; i < 200000; ++i) {
    const int decimals = static_cast<int>(random() % 9);
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 7) - 2);
    const double value = (static_cast<double>(random()) / random.max() - 0.5) * magnitude;
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    float parsed = 0.0f;
    size_t used = 0;
    ASSERT_TRUE(ParseLeadingFloat(text, parsed, &used)) << text;
    const float expected = std::strtof(text, nullptr);
    ASSERT_EQ(parsed, expected) << text;
    ASSERT_EQ(used, std::strlen(text)) << text;
  }
  // Values just below and above float midpoints, padded with zeros.
  for (const char* hard : {"16777217", "16777216.0000", "0.100000001490116119384765625",
                           "3.4028235e38", "1e-50", "-0.000", "7.", ".25", "+2.5", "1.5x3"}) {
    float parsed = 0.0f;
    ASSERT_TRUE(ParseLeadingFloat(hard, parsed)) << hard;
    EXPECT_EQ(parsed, std::strtof(hard, nullptr)) << hard;
  }
  float untouched = 9.0f;
  EXPECT_FALSE(ParseLeadingFloat("abc", untouched));
  EXPECT_FALSE(ParseLeadingFloat(".", untouched));
  EXPECT_FALSE(ParseLeadingFloat("+-1", untouched));
  EXPECT_EQ(untouched, 9.0f);
  EXPECT_TRUE(std::isinf(([] {
    float f = 0;
    ParseLeadingFloat("1e999", f);
    return f;
  })()));

  int64_t n = 0;
  EXPECT_TRUE(ParseLeadingInt("  -42abc", n));
  EXPECT_EQ(n, -42);
  EXPECT_TRUE(ParseLeadingInt("99999999999999999999999", n));
  EXPECT_EQ(n, INT64_MAX);
  EXPECT_FALSE(ParseLeadingInt("x1", n));
}

TEST(NumberText, IntegerTokensMatchTheGeneralRule) {
  std::mt19937 random(99);
  for (int i = 0; i < 200000; ++i) {
    // Digits, signs, junk and separators in random mixes and lengths.
    std::string text;
    const int length = static_cast<int>(random() % 24);
    for (int k = 0; k < length; ++k) {
      const unsigned pick = random() % 16;
      text += pick < 11 ? static_cast<char>('0' + pick % 10) : " -x\t/"[pick - 11];
    }
    const char* c = text.data();
    const char* end = c + text.size();
    size_t pos = 0;
    for (;;) {
      int64_t value = -7;
      const TokenKind kind = TakeIntegerToken(c, end, value);
      const std::string_view token = NextToken(text, pos);
      if (token.empty()) {
        ASSERT_EQ(kind, TokenKind::kNone) << text;
        break;
      }
      int64_t expected = 0;
      const bool number = ParseLeadingInt(token, expected);
      ASSERT_EQ(kind, number ? TokenKind::kNumber : TokenKind::kNotANumber) << text;
      if (number) {
        ASSERT_EQ(value, expected) << text;
      }
      ASSERT_EQ(c, text.data() + pos) << text;
    }
  }
}

}  // namespace
}  // namespace torvane
