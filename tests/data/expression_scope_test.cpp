#include "data/expression_scope.h"

#include <gtest/gtest.h>

#include "data/error_state.h"
#include "data/expression_compiler.h"
#include "data/record_declaration.h"
#include "tests/data/expression_eval.h"

namespace vaultara::data {
namespace {

using testing::EvalText;

TEST(ExpressionScope, OuterNamesAreSeenOnlyThroughKeepingScopes) {
  ScopeStack scopes;
  int32_t outer = 1, inner = 2;
  scopes.Bind("Outer", ExpressionVariable::Long(&outer));
  scopes.PushScope(true);
  scopes.Bind("Inner", ExpressionVariable::Long(&inner));
  EXPECT_EQ(EvalText("OUTER + inner", scopes), "3");
  scopes.PushScope(false);
  ClearErrors();
  EXPECT_FALSE(EvalText("Outer", scopes));
  EXPECT_EQ(ErrorCode(), 801);
  EXPECT_FALSE(EvalText("Inner", scopes));
  EXPECT_EQ(EvalText("LEN('abc')", scopes), "3");  // built-ins come with every scope
  scopes.PopScope();
  scopes.PopScope();
  EXPECT_FALSE(EvalText("Inner", scopes));  // gone with its scope
  EXPECT_EQ(EvalText("Outer", scopes), "1");
  EXPECT_EQ(scopes.SavedScopes(), 0u);
}

TEST(ExpressionScope, RebindingReplacesAndCuttingKeepsTheSuffix) {
  ScopeStack scopes;
  int32_t first = 1, second = 2;
  EXPECT_TRUE(scopes.Bind("Count# extra", ExpressionVariable::Long(&first)));
  EXPECT_EQ(EvalText("count#", scopes), "1");
  scopes.Bind("COUNT#", ExpressionVariable::Long(&second));
  EXPECT_EQ(EvalText("Count#", scopes), "2");
  EXPECT_FALSE(scopes.Bind(" leading blank", ExpressionVariable::Long(&first)));
  // A program name bound before the first compilation wins over a built-in.
  ScopeStack fresh;
  fresh.Bind("LEN", ExpressionVariable::Long(&second));
  EXPECT_EQ(EvalText("LEN + 1", fresh), "3");
  EXPECT_EQ(CutSymbolName(std::string(150, 'x')).size(), kMaxSymbolName);
}

TEST(ExpressionScope, ClearScopesForgetsEverything) {
  ScopeStack scopes;
  int32_t value = 7;
  scopes.Bind("v", ExpressionVariable::Long(&value));
  scopes.PushScope(true);
  scopes.PushScope(true);
  scopes.ClearScopes();
  EXPECT_EQ(scopes.SavedScopes(), 0u);
  EXPECT_FALSE(EvalText("v", scopes));
}

int32_t fatal_code = 0;
std::string fatal_text;
void RecordFatal(int32_t code, const char* text) {
  fatal_code = code;
  fatal_text = text;
}

TEST(ExpressionScope, PopWithoutSavedScopeIsFatal) {
  ScopeFatalHandler previous = SetScopeFatalHandler(RecordFatal);
  ScopeStack scopes;
  int32_t value = 7;
  scopes.Bind("v", ExpressionVariable::Long(&value));
  scopes.PopScope();
  EXPECT_EQ(fatal_code, 802);
  EXPECT_EQ(fatal_text, "Mismatched POPSCOPE");
  EXPECT_EQ(ErrorCode(), 802);
  EXPECT_EQ(ErrorMessage(), "Mismatched POPSCOPE");
  EXPECT_EQ(EvalText("v", scopes), "7");  // the current scope survived
  SetScopeFatalHandler(previous);
  EXPECT_EXIT(scopes.PopScope(), ::testing::ExitedWithCode(EXIT_FAILURE), "Mismatched POPSCOPE");
}

TEST(ExpressionScope, TheProcessStackServesTheFreeFunctions) {
  int32_t value = 9;
  PushScope(true);
  Bind("ProcessWide", ExpressionVariable::Long(&value));
  EXPECT_EQ(EvalText("ProcessWide", TheScopeStack()), "9");
  PopScope();
  EXPECT_FALSE(EvalText("ProcessWide", TheScopeStack()));
  ClearScopes();
}

}  // namespace
}  // namespace vaultara::data
