#include <gtest/gtest.h>

#include "data/error_state.h"
#include "data/expression_compiler.h"
#include "tests/data/expression_eval.h"

namespace vaultara::data {
namespace {

using testing::EvalText;

class ExpressionGrammar : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearErrors();
    scopes.Bind("a", ExpressionVariable::Long(&a));
    scopes.Bind("b", ExpressionVariable::Long(&b));
  }
  std::optional<std::string> Eval(std::string_view text) { return EvalText(text, scopes); }

  int32_t a = 3;
  int32_t b = 5;
  ScopeStack scopes;
};

TEST_F(ExpressionGrammar, TwoTokenComparisonsMeanTheirOneOperator) {
  struct Case {
    const char* spelled;
    const char* meant;
  };
  const Case cases[] = {
      {"a < > b", "a <> b"}, {"a <> b", "a <> b"},    {"a => b", "a >= b"}, {"a > = b", "a >= b"},
      {"a =< b", "a <= b"},  {"a < = b", "a <= b"},   {"a ~= b", "a <> b"}, {"a NOT = b", "a <> b"},
      {"a ~< b", "a >= b"},  {"a NOT < b", "a >= b"}, {"a ~> b", "a <= b"}, {"a not > b", "a <= b"},
  };
  // Over values below, equal to and above b, each spelling gives what its
  // meaning gives.
  for (int32_t value : {4, 5, 6}) {
    a = value;
    for (const Case& c : cases) {
      std::optional<std::string> spelled = Eval(c.spelled);
      ASSERT_TRUE(spelled) << c.spelled;
      EXPECT_EQ(spelled, Eval(c.meant)) << c.spelled << " with a = " << value;
    }
  }
  a = 5;
  EXPECT_EQ(Eval("~ a = b"), "0");
  EXPECT_EQ(Eval("~ a = 4"), "1");
  EXPECT_EQ(Eval("NOT NOT a"), "5");  // repeated NOT cancels out
}

TEST_F(ExpressionGrammar, PrecedenceAndAssociativity) {
  const std::pair<const char*, const char*> cases[] = {
      {"2 + 3 * 4 ^ 2", "50"}, {"- - 5", "5"},
      {"-2 ^ 2", "4"},  // the sign binds tighter than ^
      {"2 ^ 3 ^ 2", "64"},     {"10 - 4 - 3", "3"},
      {"2 * (3 + 4)", "14"},   {"7 % 4 * 2", "6"},
      {"1 + 2 & 3", "33"},     {"1 = 1 AND 2 = 3 OR 1", "1"},
      {"1 OR 0 AND 0", "1"},   {"1 XOR 1", "0"},
      {"NOT 1 = 2", "1"},      {"'a' & 'b' = 'ab'", "1"},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(Eval(text), value) << text;
}

TEST_F(ExpressionGrammar, RejectedTextsAndTheirErrors) {
  const char* syntax_errors[] = {
      "CLOCK", "TODAY", "1 +", "(1", "1 2", "SUB('a',1,2,3)", "a[1, 2]",   "'open", "1Gh",
      "102b",  "1.5.5", "AND", "#",  "",    "SUB(",           "a < > = b",
  };
  for (const char* text : syntax_errors) {
    ClearErrors();
    EXPECT_FALSE(Eval(text)) << text;
    EXPECT_EQ(ErrorCode(), 800) << text;
    EXPECT_EQ(ErrorMessage(), "Invalid expression for EVALUATE") << text;
  }
  ClearErrors();
  EXPECT_FALSE(Eval("a + Missing:Name * 2"));
  EXPECT_EQ(ErrorCode(), 801);
  EXPECT_EQ(ErrorMessage(), "No BIND on variable (Missing:Name)");
  ClearErrors();
  EXPECT_TRUE(Eval("CLOCK() > 0 AND TODAY() > 4"));
  EXPECT_EQ(ErrorCode(), 0);  // success leaves the error state alone
}

TEST_F(ExpressionGrammar, PrefixStopsAtTheFirstUnusedToken) {
  const char* text = "a + 1 , -b, SUB('x,y', 1, 2)";
  size_t position = 0;
  std::unique_ptr<Expression> first = CompilePrefix(text, &position, scopes);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Integer(), 4);
  EXPECT_EQ(text[position], ',');
  position += 1;
  std::unique_ptr<Expression> second = CompilePrefix(text, &position, scopes);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Integer(), -5);
  position += 1;
  std::unique_ptr<Expression> third = CompilePrefix(text, &position, scopes);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->Text(), "x,");
  EXPECT_EQ(position, std::string_view(text).size());
  size_t bad = 0;
  EXPECT_FALSE(CompilePrefix(") a", &bad, scopes));
  EXPECT_EQ(bad, 0u);
}

TEST_F(ExpressionGrammar, DeepTextsFailInsteadOfOverflowingTheStack) {
  std::string nested(5000, '(');
  nested += "1" + std::string(5000, ')');
  EXPECT_FALSE(Eval(nested));
  std::string chain = "1";
  for (int i = 0; i < 5000; ++i) chain += "+1";
  EXPECT_FALSE(Eval(chain));
  std::string moderate = "1";
  for (int i = 0; i < 100; ++i) moderate += "+1";
  EXPECT_EQ(Eval(moderate), "101");
}

}  // namespace
}  // namespace vaultara::data
