#include "data/expression_functions.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data/error_state.h"
#include "tests/data/expression_eval.h"

namespace vaultara::data {
namespace {

using testing::EvalText;

class ExpressionFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(name, ' ', sizeof name);
    std::memcpy(name, "Smith", 5);
    scopes.Bind("Name", ExpressionVariable::String(name, sizeof name));
    scopes.Bind("Ten", ExpressionVariable::Long(&ten));
  }
  void ExpectAll(std::initializer_list<std::pair<const char*, const char*>> cases) {
    for (const auto& [text, value] : cases) {
      ClearErrors();
      EXPECT_EQ(EvalText(text, scopes), value) << text;
      EXPECT_EQ(ErrorCode(), 0) << text;
    }
  }

  char name[10];
  int32_t ten = 10;
  ScopeStack scopes;
};

TEST_F(ExpressionFunctions, ComparisonsPadTextsWithBlanks) {
  ExpectAll({
      {"'abc' = 'abc  '", "1"},
      {"'abc  ' = 'abc'", "1"},
      {"Name = 'Smith'", "1"},
      {"'abc' < 'abd'", "1"},
      {"'ab' < 'ab!'", "1"},  // the pad blank sorts before "!"
      {"'10' = 10", "1"},     // text and number compare as reals
      {"'9' < 10", "1"},
      {"'9' < '10'", "0"},  // two texts compare as texts
      {"Ten = 10.0", "1"},
  });
}

TEST_F(ExpressionFunctions, SubAndSlices) {
  ExpectAll({
      {"SUB('abcdef', 2, 3)", "bcd"},
      {"SUB('abcdef', 0, 2)", "ab"},
      {"SUB('abcdef', -1, 1)", "f"},
      {"SUB('abcdef', -3)", "def"},
      {"SUB('abcdef', -9, 2)", "ab"},
      {"SUB('abcdef', 7, 2)", ""},
      {"SUB('abcdef', 5, 9)", "ef"},
      {"SUB('abcdef', 2, 0)", ""},
      {"SUB('abcdef', 2, -1)", ""},
      {"Name[2:4]", "mit"},
      {"Name[2 : 1]", ""},
      {"Name[1]", "S"},
      {"Ten[2:2]", "0"},
  });
}

TEST_F(ExpressionFunctions, InstringSteps) {
  ExpectAll({
      {"INSTRING('b', 'abcabc')", "2"},
      {"INSTRING('bc', 'xbc')", "0"},  // default step 2 tries only position 1
      {"INSTRING('bc', 'xbc', 1)", "2"},
      {"INSTRING('bc', 'abcabc', 1, 3)", "5"},
      {"INSTRING('c', 'abcabc', -1, 6)", "6"},
      {"INSTRING('c', 'abcabc', -1, 5)", "3"},
      {"INSTRING('a', 'abcabc', -1, 99)", "4"},
      {"INSTRING('', 'abc')", "0"},
      {"INSTRING('abcd', 'abc')", "0"},
      {"INSTRING('a', 'abc', 1, 0)", "0"},
      {"INSTRING('a', 'abc', 0, 1)", "0"},
      {"INSTRING('abc', 'xxabcx', 3, 0)", "0"},
  });
}

TEST_F(ExpressionFunctions, FormatAndDeformatGoThroughPictures) {
  ExpectAll({
      {"FORMAT(1234.5, @n10.2)", "  1,234.50"},
      {"FORMAT(-5, @n-6)", "    -5"},
      {"FORMAT(4, @d2)", " 1/01/1801"},
      {"FORMAT('abc', @s5)", "abc  "},
      {"FORMAT(1234.5, '@n10.2')", "  1,234.50"},
      {"DEFORMAT('1,234.50', @n10.2)", "1234.50"},
      {"DEFORMAT(' 1/01/1801', @d2)", "4"},
      {"FORMAT(DEFORMAT('-12', @n-6), @n-6)", "   -12"},
      {"FORMAT(1, @x9)", ""},
  });
}

TEST_F(ExpressionFunctions, TextFunctions) {
  ExpectAll({
      {"UPPER('abc') & LOWER('DeF')", "ABCdef"},
      {"CLIP(Name) & '!'", "Smith!"},
      {"LEN(Name)", "10"},
      {"LEN(CLIP(Name))", "5"},
      {"LEFT('  ab', 4) & '|'", "ab  |"},
      {"RIGHT('ab  ', 4)", "  ab"},
      {"RIGHT('abcdef', 3)", "def"},
      {"CENTER(' ab ', 5) & '|'", " ab  |"},
      {"ALL('ab', 5)", "ababa"},
      {"CHR(65) & VAL('a')", "A97"},
      {"CHOOSE(2, 'x', 'y', 'z')", "y"},
      {"CHOOSE(9, 'x', 'y', 'z')", "z"},
      {"CHOOSE(1 = 2, 'yes', 'no')", "no"},
      {"MATCH('Hello', 'H*l?')", "1"},
      {"MATCH('Hello', 'h*')", "0"},
      {"MATCH('Hello', 'h*', 1)", "1"},
      {"NUMERIC(' -1.5e3 ') & NUMERIC('1x') & NUMERIC('')", "100"},
  });
}

TEST_F(ExpressionFunctions, NumberAndDateFunctions) {
  ExpectAll({
      {"ABS(-2.5)", "2.5"},
      {"INT(-7.9)", "-7"},
      {"ROUND(3.14159, .01)", "3.14"},
      {"ROUND(2.5)", "3"},
      {"SQRT(16) + LOG10(100)", "6"},
      {"BAND(0Ch, 0Ah) & BOR(0Ch, 0Ah) & BXOR(0Ch, 0Ah)", "8146"},
      {"BSHIFT(1, 4) & ',' & BSHIFT(256, -4) & ',' & BSHIFT(1, 40)", "16,16,0"},
      {"BSHIFT(1, 31)", "-2147483648"},
      {"INLIST('b', 'a', 'b', 'c') & INLIST('q', 'a')", "20"},
      {"INRANGE(5, 1, 10) & INRANGE(11, 1, 10)", "10"},
      {"INRANGE(RANDOM(3, 1), 1, 3)", "1"},
      {"DATE(1, 1, 1801)", "4"},
      {"DATE(13, 1, 1801) - DATE(1, 1, 1802)", "0"},
      {"DATE(2, 30, 2024) - DATE(3, 1, 2024)", "0"},
      {"DATE(1, 1, 1700)", "0"},
      {"DAY(DATE(7, 14, 2021)) & MONTH(DATE(7, 14, 2021)) & YEAR(DATE(7, 14, 2021))", "1472021"},
      {"MONTH(1)", "0"},
      {"AGE(DATE(1, 1, 2000), DATE(1, 20, 2000))", "19 DAYS"},
      {"AGE(DATE(1, 1, 2000), DATE(6, 1, 2001))", "17 MOS"},
      {"AGE(DATE(5, 2, 1990), DATE(5, 1, 2020))", "29 YRS"},
      {"AGE(DATE(1, 2, 2000), DATE(1, 1, 2000))", ""},
      {"NULL(Name) & MEMORY()", "00"},
      {"SQL(a = ')' AND b)", "1"},
  });
}

TEST_F(ExpressionFunctions, FailuresPost800AndGiveZero) {
  const char* failing[] = {"DATE(1, 2)", "SUB()",    "1 / 0",    "5 % 0",
                           "SQRT(-1)",   "LOG10(0)", "10 ^ 400", "Ten[1, 1] + 1"};
  for (const char* text : failing) {
    ClearErrors();
    std::unique_ptr<Expression> e = CompileExpression(text, scopes);
    if (e == nullptr) {
      EXPECT_EQ(ErrorCode(), 800) << text;
      continue;
    }
    EXPECT_EQ(e->Real(), 0.0) << text;
    EXPECT_EQ(ErrorCode(), 800) << text;
  }
}

}  // namespace
}  // namespace vaultara::data
