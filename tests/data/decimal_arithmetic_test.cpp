#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "data/decimal_stack.h"

namespace vaultara::data {
namespace {

std::string Text(DecimalStack& stack) { return stack.PopText(); }

// Expected results worked out independently with Python's decimal module at
// 400 digits of precision: products cut at 32 places, quotients cut at 32
// places and then rounded half up to 31.
struct ArithmeticCase {
  const char* a;
  char op;
  const char* b;
  const char* result;
};

TEST(DecimalArithmetic, MatchesIndependentComputation) {
  const ArithmeticCase cases[] = {
      {"1.5", '+', "2.25", "3.75"},
      {"-12.34", '+', "12.34", "0"},
      {"0.1", '+', "-0.25", "-0.15"},
      {"9999999999999999999999999999999", '+', "1", "10000000000000000000000000000000"},
      {"5", '-', "7.5", "-2.5"},
      {"-0.00000000000000000000000000000001", '-', "0.00000000000000000000000000000001",
       "-0.00000000000000000000000000000002"},
      {"1.1", '*', "1.1", "1.21"},
      {"-2.5", '*', "4", "-10"},
      {"123456789.123456789", '*', "987654321.987654321", "121932631356500531.347203169112635269"},
      {"0.00000000000000000000000000000013", '*', "0.5", "0.00000000000000000000000000000006"},
      {"0.00000000000000001", '*', "0.00000000000000001", "0"},
      {"1", '/', "3", "0.3333333333333333333333333333333"},
      {"2", '/', "3", "0.6666666666666666666666666666667"},
      {"10", '/', "0.01", "1000"},
      {"7", '/', "0", "0"},
      {"0", '/', "5", "0"},
      {"-1", '/', "8", "-0.125"},
      {"22", '/', "7", "3.1428571428571428571428571428571"},
      {"1000000000000000000000000000000", '/', "3",
       "333333333333333333333333333333.3333333333333333333333333333333"},
      {"1", '/', "-0.001", "-1000"},
      {"0.5", '/', "1024", "0.00048828125"},
      {"12345678901234567890.123", '/', "0.0000007",
       "17636684144620811271604285.7142857142857142857142857142857"},
  };
  DecimalStack stack;
  for (const ArithmeticCase& c : cases) {
    stack.PushText(c.a);
    stack.PushText(c.b);
    switch (c.op) {
      case '+':
        stack.Add();
        break;
      case '-':
        stack.Subtract();
        break;
      case '*':
        stack.Multiply();
        break;
      default:
        stack.Divide();
        break;
    }
    EXPECT_EQ(Text(stack), c.result) << c.a << ' ' << c.op << ' ' << c.b;
    EXPECT_EQ(stack.depth(), 0);
  }
}

TEST(DecimalArithmetic, PowersMatchIndependentComputation) {
  const struct {
    const char* x;
    int32_t n;
    const char* result;
  } cases[] = {
      {"2", 10, "1024"},
      {"2", -2, "0.25"},
      {"-2", 3, "-8"},
      {"0", 0, "1"},
      {"0", -1, "0"},
      {"1.5", 3, "3.375"},
      {"10", 31, "10000000000000000000000000000000"},
      {"3", -1, "0.3333333333333333333333333333333"},
      {"-0.5", -3, "-8"},
      {"1.01", 12, "1.126825030131969720661201"},
  };
  DecimalStack stack;
  for (const auto& c : cases) {
    stack.PushText(c.x);
    stack.RaiseToPower(c.n);
    EXPECT_EQ(Text(stack), c.result) << c.x << " ^ " << c.n;
  }
}

TEST(DecimalArithmetic, SubtractReversedAndCompareBothWays) {
  DecimalStack stack;
  stack.PushText("5");
  stack.PushText("7.5");
  stack.SubtractReversed();
  EXPECT_EQ(Text(stack), "2.5");

  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"1", "2", -1},     {"-1", "-2", 1},   {"0.001", "0", 1},       {"-5", "3", -1},
      {"1.50", "1.5", 0}, {"-0.00", "0", 0}, {"100", "99.999999", 1}, {"-100", "-99.9", -1},
  };
  for (const auto& c : cases) {
    stack.PushText(c.a);
    stack.PushText(c.b);
    EXPECT_EQ(stack.Compare(), c.sign) << c.a << " ? " << c.b;
    stack.PushText(c.a);
    stack.PushText(c.b);
    EXPECT_EQ(stack.CompareReversed(), -c.sign) << c.a << " ? " << c.b;
  }
  // A negative zero compares equal to zero.
  stack.PushLong(0);
  stack.Negate();
  stack.PushLong(0);
  EXPECT_EQ(stack.Compare(), 0);
}

TEST(DecimalArithmetic, OneThirdTimesThreeStaysBelowOne) {
  DecimalStack stack;
  stack.PushLong(1);
  stack.PushLong(3);
  stack.Divide();
  stack.PushLong(3);
  stack.Multiply();
  DecimalStack copy;
  copy.Push(stack.Top());
  EXPECT_EQ(Text(stack), "0.9999999999999999999999999999999");
  EXPECT_EQ(copy.PopLong(), 0);
}

TEST(DecimalText, PushTextReadsWhatPeopleType) {
  const struct {
    const char* text;
    const char* value;
  } cases[] = {
      {"  -12.50", "-12.5"},
      {"1,5", "1.5"},
      {"12abc", "12"},
      {"+5", "0"},
      {"", "0"},
      {"abc", "0"},
      {"-0", "0"},
      {"1E3", "1"},
      {"1.E3", "1000"},
      {"1.5e-2", "0.015"},
      {"2.5E+2", "250"},
      {"000000000000000000000000000000000000000042", "42"},
      {"0.05", "0.05"},
      {"1200", "1200"},
      // 31 integer digits and 32 places are the widest values the text may hold.
      {"9999999999999999999999999999999", "9999999999999999999999999999999"},
      {"0.12345678901234567890123456789012", "0.12345678901234567890123456789012"},
      {"0.123456789012345678901234567890129", "0.12345678901234567890123456789012"},
  };
  DecimalStack stack;
  for (const auto& c : cases) {
    stack.PushText(c.text);
    EXPECT_EQ(Text(stack), c.value) << '"' << c.text << '"';
  }
}

TEST(DecimalIntegers, PopLongTruncatesTowardZero) {
  const struct {
    const char* text;
    int32_t signed_value;
    uint32_t unsigned_value;
  } cases[] = {
      {"12.9", 12, 12},
      {"-7.9", -7, 7},
      {"2147483647", 2147483647, 2147483647u},
      {"-2147483648", std::numeric_limits<int32_t>::min(), 2147483648u},
      {"4294967296", 0, 0},  // the low 32 bits
      {"0.99", 0, 0},
      {"1200", 1200, 1200},
  };
  DecimalStack stack;
  for (const auto& c : cases) {
    stack.PushText(c.text);
    EXPECT_EQ(stack.PopLong(), c.signed_value) << c.text;
    stack.PushText(c.text);
    EXPECT_EQ(stack.PopUnsignedLong(), c.unsigned_value) << c.text;
  }
  stack.PushLong(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Text(stack), "-2147483648");
  stack.PushUnsignedLong(4294967295u);
  EXPECT_EQ(Text(stack), "4294967295");
  stack.PushLong(0);
  EXPECT_EQ(Text(stack), "0");
}

TEST(DecimalReals, PushAndPopKeepTheReal) {
  DecimalStack stack;
  // Values of at most 15 significant digits come back as the same real.
  for (double value : {1234.5678, 0.1, -1e-5, 3.0e20, -42.0, 0.333333333333333}) {
    stack.PushReal(value);
    EXPECT_EQ(stack.PopReal(), value);
  }
  stack.PushReal(0.1);
  EXPECT_EQ(Text(stack), "0.1");
  // 15 significant digits, rounded: 123456789012345678 becomes 1.23456789012346e17.
  stack.PushReal(123456789012345678.0);
  EXPECT_EQ(Text(stack), "123456789012346000");
  stack.PushReal(std::numeric_limits<double>::infinity());
  EXPECT_EQ(Text(stack), "0");
  stack.PushReal(1e-40);
  EXPECT_EQ(Text(stack), "0");
}

TEST(DecimalDigits, DigitStringKeepsTheUnitsDigit) {
  const struct {
    const char* text;
    const char* digits;
    int integer_digits;
    bool negative;
  } cases[] = {
      {"1200", "1200", 4, false},
      {"0.05", "005", 1, false},
      {"0", "0", 1, false},
      {"-3.5", "35", 1, true},
      {"0.00000000000000000000000000000001", "000000000000000000000000000000001", 1, false},
  };
  DecimalStack stack;
  DigitString digits;
  for (const auto& c : cases) {
    stack.PushText(c.text);
    stack.PopDigitString(&digits);
    EXPECT_EQ(digits.digits, c.digits) << c.text;
    EXPECT_EQ(digits.integer_digits, c.integer_digits) << c.text;
    EXPECT_EQ(digits.negative, c.negative) << c.text;
  }
}

std::vector<uint8_t> Stored(const char* text, size_t size, int places, bool packed) {
  DecimalStack stack;
  stack.PushText(text);
  std::vector<uint8_t> bytes(size, 0xAA);
  if (packed) {
    stack.PopPackedDecimal(bytes.data(), size, places);
  } else {
    stack.PopDecimal(bytes.data(), size, places);
  }
  return bytes;
}

std::string Loaded(const std::vector<uint8_t>& bytes, int places, bool packed) {
  DecimalStack stack;
  if (packed) {
    stack.PushPackedDecimal(bytes.data(), bytes.size(), places);
  } else {
    stack.PushDecimal(bytes.data(), bytes.size(), places);
  }
  return stack.PopText();
}

TEST(DecimalStoredForms, BytesOfDecimalAndPackedDecimal) {
  using Bytes = std::vector<uint8_t>;
  const struct {
    const char* text;
    size_t size;
    int places;
    Bytes decimal;
    Bytes packed;
    const char* read_back;
  } cases[] = {
      {"-12.34", 3, 2, {0xF0, 0x12, 0x34}, {0x01, 0x23, 0x4D}, "-12.34"},
      {"12.34", 3, 2, {0x00, 0x12, 0x34}, {0x01, 0x23, 0x4F}, "12.34"},
      // Rounding at the last place, halves away from zero, a carry adding a digit.
      {"1.005", 3, 2, {0x00, 0x01, 0x01}, {0x00, 0x10, 0x1F}, "1.01"},
      {"-1.005", 3, 2, {0xF0, 0x01, 0x01}, {0x00, 0x10, 0x1D}, "-1.01"},
      {"9.995", 3, 2, {0x00, 0x10, 0x00}, {0x01, 0x00, 0x0F}, "10"},
      {"12.344999", 3, 2, {0x00, 0x12, 0x34}, {0x01, 0x23, 0x4F}, "12.34"},
      // A value that rounds to zero is stored as a positive zero.
      {"-0.004", 3, 2, {0x00, 0x00, 0x00}, {0x00, 0x00, 0x0F}, "0"},
      {"7", 1, 0, {0x07}, {0x7F}, "7"},
  };
  for (const auto& c : cases) {
    const Bytes decimal = Stored(c.text, c.size, c.places, false);
    const Bytes packed = Stored(c.text, c.size, c.places, true);
    EXPECT_EQ(decimal, c.decimal) << c.text;
    EXPECT_EQ(packed, c.packed) << c.text;
    EXPECT_EQ(Loaded(decimal, c.places, false), c.read_back) << c.text;
    EXPECT_EQ(Loaded(packed, c.places, true), c.read_back) << c.text;
  }
  // Any non-zero sign nibble reads as negative in a DECIMAL; only D in a PDECIMAL.
  EXPECT_EQ(Loaded({0x10, 0x12, 0x34}, 2, false), "-12.34");
  EXPECT_EQ(Loaded({0x01, 0x23, 0x4C}, 2, true), "12.34");
}

TEST(DecimalStoredForms, WidestFieldsRoundTrip) {
  // 16 bytes hold 31 digits; 17 bytes with 32 places hold 1 + 32 digits.
  const struct {
    const char* text;
    size_t size;
    int places;
  } cases[] = {
      {"-9999999999999999999999999999999", 16, 0},
      {"1234567890123456789012345678901", 16, 0},
      {"9.99999999999999999999999999999999", 17, 32},
      {"-0.00000000000000000000000000000001", 17, 32},
      {"123456789012345.1234567890123456", 16, 16},
  };
  for (const auto& c : cases) {
    for (bool packed : {false, true}) {
      EXPECT_EQ(Loaded(Stored(c.text, c.size, c.places, packed), c.places, packed), c.text)
          << c.text << (packed ? " packed" : "");
    }
  }
}

TEST(DecimalStack, UnaryOperations) {
  DecimalStack stack;
  stack.PushText("-7.9");
  stack.TruncateFraction();
  EXPECT_EQ(Text(stack), "-7");
  stack.PushText("-0.25");
  stack.AbsoluteValue();
  EXPECT_EQ(Text(stack), "0.25");
  stack.PushText("3");
  stack.Negate();
  EXPECT_EQ(Text(stack), "-3");
  stack.PushText("0.000");
  EXPECT_EQ(stack.PopNonZero(), 0);
  stack.PushText("0.001");
  EXPECT_EQ(stack.PopNonZero(), 1);
}

TEST(DecimalStack, MisusedStackStaysInBounds) {
  DecimalStack stack;
  // Popping and operating on an empty stack work with zeros.
  EXPECT_EQ(stack.PopLong(), 0);
  stack.Add();
  stack.Divide();
  EXPECT_EQ(stack.depth(), 1);
  EXPECT_EQ(Text(stack), "0");
  // Pushes beyond the capacity are ignored.
  for (int i = 0; i < DecimalStack::kCapacity + 5; ++i) stack.PushLong(i);
  EXPECT_EQ(stack.depth(), DecimalStack::kCapacity);
  EXPECT_EQ(stack.PopLong(), DecimalStack::kCapacity - 1);
}

TEST(DecimalStack, SaveAndRestorePerThread) {
  DecimalStack& mine = ThreadDecimalStack();
  mine.RestoreStack(nullptr);
  EXPECT_EQ(mine.SaveStack(), nullptr);
  mine.PushLong(5);
  mine.PushText("2.5");
  auto saved = mine.SaveStack();
  ASSERT_NE(saved, nullptr);
  mine.RestoreStack(nullptr);
  EXPECT_EQ(mine.depth(), 0);

  std::thread other([] {
    DecimalStack& theirs = ThreadDecimalStack();
    EXPECT_EQ(theirs.depth(), 0);
    theirs.PushLong(1);
  });
  other.join();
  EXPECT_EQ(mine.depth(), 0);

  mine.RestoreStack(std::move(saved));
  mine.Multiply();
  EXPECT_EQ(Text(mine), "12.5");
}

}  // namespace
}  // namespace vaultara::data
