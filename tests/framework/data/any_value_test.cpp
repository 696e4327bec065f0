#include "framework/data/any_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace vaultara::framework {
namespace {

using data::FieldType;

// One field of each kind the value rules treat differently.
struct Fields {
  int32_t long_value = 0;
  uint8_t byte_value = 0;
  double real = 0;
  char text[6] = {};
  char ctext[6] = {};
  char ptext[6] = {};
  unsigned char decimal[3] = {};   // DECIMAL(5,2)
  unsigned char pdecimal[3] = {};  // PDECIMAL(5,2)

  AnyValue Long() { return AnyValue::Refer(long_value); }
  AnyValue Byte() { return AnyValue::Refer(FieldType::kByte, &byte_value, 1); }
  AnyValue Real() { return AnyValue::Refer(real); }
  AnyValue Text() { return AnyValue::Refer(FieldType::kString, text, 6); }
  AnyValue CText() { return AnyValue::Refer(FieldType::kCString, ctext, 6); }
  AnyValue PText() { return AnyValue::Refer(FieldType::kPString, ptext, 6); }
  AnyValue Decimal() { return AnyValue::Refer(FieldType::kDecimal, decimal, 3, 2); }
  AnyValue PDecimal() { return AnyValue::Refer(FieldType::kPDecimal, pdecimal, 3, 2); }
};

AnyValue Constant(const std::string& text) {
  static char storage[64][40];
  static int next = 0;
  char* at = storage[next++ % 64];
  std::memset(at, ' ', 40);
  std::memcpy(at, text.data(), text.size());
  return AnyValue::Refer(FieldType::kString, at, static_cast<uint32_t>(text.size()));
}

TEST(AnyValueTest, TextsStoredIntoFieldsReadBackByTheValueRules) {
  struct Case {
    std::string text;
    int64_t as_long;
    uint8_t as_byte;
    double as_real;
    std::string as_decimal;
    std::string as_text;  // STRING(6)
    std::string as_ctext;
  } cases[] = {
      {"12.9", 12, 12, 12.9, "12.9", "12.9  ", "12.9"},
      {"  -7.25", -7, 249, -7.25, "-7.25", "  -7.2", "  -7."},
      {"1,5", 1, 1, 1.5, "1.5", "1,5   ", "1,5"},
      {"12abc", 12, 12, 12, "12", "12abc ", "12abc"},
      {"+5", 0, 0, 0, "0", "+5    ", "+5"},
      {"1E3", 1, 1, 1, "1", "1E3   ", "1E3"},
      {"1.E3", 1000, 232, 1000, "999.99", "1.E3  ", "1.E3"},  // too wide for DECIMAL(5,2)
      {"0.005", 0, 0, 0.005, "0.01", "0.005 ", "0.005"},
      {"", 0, 0, 0, "0", "      ", ""},
  };
  for (const Case& c : cases) {
    Fields f;
    AnyValue source = Constant(c.text);
    f.Long().Assign(source);
    f.Byte().Assign(source);
    f.Real().Assign(source);
    f.Decimal().Assign(source);
    f.PDecimal().Assign(source);
    f.Text().Assign(source);
    f.CText().Assign(source);
    f.PText().Assign(source);
    EXPECT_EQ(f.long_value, c.as_long) << c.text;
    EXPECT_EQ(f.byte_value, c.as_byte) << c.text;
    EXPECT_DOUBLE_EQ(f.real, c.as_real) << c.text;
    EXPECT_EQ(f.Decimal().AsText(), c.as_decimal) << c.text;
    EXPECT_EQ(f.PDecimal().AsText(), c.as_decimal) << c.text;
    EXPECT_EQ(std::string(f.text, 6), c.as_text) << c.text;
    EXPECT_EQ(f.CText().AsText(), c.as_ctext) << c.text;
    EXPECT_EQ(f.PText().AsText(), c.as_ctext) << c.text;
    EXPECT_EQ(f.ctext[5], '\0') << c.text;
  }
}

TEST(AnyValueTest, NumbersReadAsTextWithoutPaddingOrTrailingZeros) {
  Fields f;
  struct Case {
    double value;
    std::string text;
  } cases[] = {{-0.5, "-0.5"}, {12, "12"}, {0, "0"}, {1e20, "100000000000000000000"}};
  for (const Case& c : cases) {
    f.real = c.value;
    EXPECT_EQ(f.Real().AsText(), c.text);
  }
  std::memcpy(f.decimal, "\xF0\x12\x30", 3);  // -12.30
  EXPECT_EQ(f.Decimal().AsText(), "-12.3");
  f.long_value = -42;
  f.Text().Assign(f.Long());
  EXPECT_EQ(std::string(f.text, 6), "-42   ");
}

TEST(AnyValueTest, ComparesAsIntegersTextsOrReals) {
  Fields f;
  f.long_value = 10;
  f.byte_value = 10;
  f.real = 10.0;
  std::memcpy(f.text, "abc   ", 6);
  struct Case {
    AnyValue a;
    AnyValue b;
    bool equal;
  } cases[] = {
      {f.Long(), f.Byte(), true},        // integers
      {f.Long(), Constant("10"), true},  // a number and a text compare as reals
      {f.Long(), Constant("10.0"), true},
      {f.Long(), Constant("  10x"), true},
      {f.Long(), Constant("1"), false},
      {f.Real(), f.Long(), true},
      {f.Text(), Constant("abc"), true},  // texts padded with blanks
      {f.Text(), Constant("abc  "), true},
      {f.Text(), Constant("ABC"), false},
      {Constant("10"), Constant("10.0"), false},  // two texts compare as texts
      {f.Decimal(), Constant("0"), true},
      {f.Long(), Constant("+10"), false},  // a text reads as the number it would store
      {f.Long(), Constant("1E1"), false},
      {AnyValue(), Constant(""), true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].a.Equals(cases[i].b), cases[i].equal) << i;
    EXPECT_EQ(cases[i].b.Equals(cases[i].a), cases[i].equal) << i;
  }
}

TEST(AnyValueTest, DecimalsStoreExactlyRoundHalfUpAndHoldAtTheirLargest) {
  unsigned char wide[16] = {};  // DECIMAL(31,2)
  unsigned char other[16] = {};
  AnyValue a = AnyValue::Refer(FieldType::kDecimal, wide, 16, 2);
  AnyValue b = AnyValue::Refer(FieldType::kPDecimal, other, 16, 2);
  a.Assign(Constant("-12345678901234567890123456.78"));
  b.Assign(a);  // more digits than a real holds
  EXPECT_EQ(b.AsText(), "-12345678901234567890123456.78");
  struct Case {
    double value;
    std::string stored;  // into DECIMAL(5,2)
  } cases[] = {{1.005, "1.01"},    {-1.005, "-1.01"},    {999.994, "999.99"}, {999.995, "999.99"},
               {-1e40, "-999.99"}, {HUGE_VAL, "999.99"}, {NAN, "0"},          {-0.001, "0"}};
  for (const Case& c : cases) {
    Fields f;
    f.real = c.value;
    f.Decimal().Assign(f.Real());
    EXPECT_EQ(f.Decimal().AsText(), c.stored) << c.value;
  }
}

TEST(AnyValueTest, BlankValuesAndPrivateCopies) {
  Fields f;
  f.long_value = 5;
  std::memcpy(f.text, "xyzxyz", 6);
  std::memcpy(f.ctext, "ab", 3);
  AnyValue copy = f.Text().PrivateCopy();
  AnyValue blank = f.Long().PrivateBlank();
  EXPECT_TRUE(copy.IsPrivate());
  EXPECT_EQ(blank.AsInteger(), 0);
  f.Text().Clear();
  f.Long().Clear();
  f.CText().Clear();
  f.PDecimal().Clear();
  EXPECT_EQ(std::string(f.text, 6), "      ");
  EXPECT_EQ(f.long_value, 0);
  EXPECT_EQ(f.CText().AsText(), "");
  EXPECT_EQ(f.pdecimal[2], 0x0F);
  EXPECT_EQ(copy.AsText(), "xyzxyz");  // the copy is its own
  f.Text().Assign(copy);
  EXPECT_EQ(std::string(f.text, 6), "xyzxyz");
  AnyValue nothing;
  nothing.Assign(copy);  // storing into no value does nothing
  EXPECT_EQ(nothing.AsText(), "");
}

}  // namespace
}  // namespace vaultara::framework
