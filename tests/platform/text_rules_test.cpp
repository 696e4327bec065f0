#include "platform/text_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vaultara::platform {
namespace {

TEST(TextRulesTest, CaseOfEveryByte) {
  const std::string upper = "ABCXYZ\x8A\x8C\x8E\x9F\xC0\xC9\xD6\xD8\xDE";
  const std::string lower = "abcxyz\x9A\x9C\x9E\xFF\xE0\xE9\xF6\xF8\xFE";
  for (size_t i = 0; i < upper.size(); ++i) {
    EXPECT_TRUE(IsUpper(upper[i]) && IsAlpha(upper[i])) << i;
    EXPECT_TRUE(IsLower(lower[i]) && IsAlpha(lower[i])) << i;
    EXPECT_EQ(ToLower(upper[i]), lower[i]) << i;
    EXPECT_EQ(ToUpper(lower[i]), upper[i]) << i;
  }
  // Lower-case letters without a partner.
  for (char c : {'\xDF', '\x83'}) {
    EXPECT_TRUE(IsLower(c));
    EXPECT_EQ(ToUpper(c), c);
  }
  // Not letters: digits, signs, multiplication and division signs, µ, ª.
  for (char c : {'1', '@', '[', '`', '{', '\xD7', '\xF7', '\xB5', '\xAA', '\x80', '\0'}) {
    EXPECT_FALSE(IsAlpha(c)) << int(c);
    EXPECT_EQ(ToUpper(c), c);
    EXPECT_EQ(ToLower(c), c);
  }
  int letters = 0;
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    EXPECT_FALSE(IsUpper(c) && IsLower(c)) << b;
    if (IsAlpha(c)) ++letters;
    if (IsUpper(c)) {
      EXPECT_EQ(ToUpper(ToLower(c)), c) << b;
    }
  }
  EXPECT_EQ(letters, 52 + 8 + 60 + 2);  // ASCII, Š Œ Ž Ÿ and partners, À..þ, ß and ƒ
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(TextRulesTest, WordSortOrder) {
  const struct {
    std::string_view a;
    std::string_view b;
    int with_case;
    int without_case;
  } cases[] = {
      {"a", "B", -1, -1},          // letters before case
      {"B", "b", 1, 0},            // lower before upper
      {"Ab", "aC", -1, -1},        // case counts only where all else is equal
      {"apple", "Zebra", -1, -1},  // unlike byte order
      {"e", "\xE9", -1, -1},       // e < é < f
      {"\xE9", "f", -1, -1},
      {"\xC9", "\xE9", 1, 0},        // É and é differ only in case
      {"\xE9t\xE9", "etf", -1, -1},  // base letters first, accents after
      {"\xFF", "z", -1, -1},         // ÿ sorts as y
      {"\x8A", "T", -1, -1},         // Š sorts as S
      {"\xE6", "ae", 1, 1},          // æ as "ae", after it
      {"\xE6", "af", -1, -1},
      {"Stra\xDF"
       "e",
       "Strasse", 1, 1},  // ß as "ss"
      {"Stra\xDF"
       "e",
       "Strasser", -1, -1},
      {"co-op", "con", 1, 1},   // the hyphen is passed over
      {"it's", "its", -1, -1},  // and so is the apostrophe, as a last resort
      {" ", "!", -1, -1},       // signs before digits before letters
      {"!", "0", -1, -1},
      {"9", "a", -1, -1},
      {"\xB2", "3", -1, -1},  // superscript two as a two
      {"", "a", -1, -1},
      {"abc", "abc", 0, 0},
      {"ABC", "abc", 1, 0},
      {"abc", "abcd", -1, -1},
      {std::string_view("a\0b", 3), "a", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(CompareStrings(c.a, c.b)), c.with_case) << c.a << " / " << c.b;
    EXPECT_EQ(Sign(CompareStrings(c.b, c.a)), -c.with_case) << c.b << " / " << c.a;
    EXPECT_EQ(Sign(CompareStringsNoCase(c.a, c.b)), c.without_case) << c.a << " / " << c.b;
  }
}

TEST(TextRulesTest, OrderOfAllBytesIsATotalOrder) {
  // The collation of single characters is built by sorting them with this
  // comparison, so it must be consistent: antisymmetric and transitive.
  for (int x = 0; x < 256; ++x) {
    const std::string a(1, static_cast<char>(x));
    EXPECT_EQ(CompareStrings(a, a), 0);
    for (int y = 0; y < 256; ++y) {
      const std::string b(1, static_cast<char>(y));
      const int ab = Sign(CompareStrings(a, b));
      ASSERT_EQ(ab, -Sign(CompareStrings(b, a))) << x << " " << y;
      ASSERT_TRUE(x == y || ab != 0) << x << " " << y;
      for (int z = 0; ab < 0 && z < 256; z += 17) {
        const std::string c(1, static_cast<char>(z));
        if (Sign(CompareStrings(b, c)) < 0) {
          ASSERT_LT(CompareStrings(a, c), 0) << x << y << z;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vaultara::platform
