#include "data/expression_sql.h"

#include <gtest/gtest.h>

#include "data/expression_compiler.h"

namespace vaultara::data {
namespace {

TEST(ExpressionSql, OperatorsParenthesesAndPatterns) {
  ScopeStack scopes;
  char name[20] = {};
  int32_t id = 0;
  ExpressionVariable column = ExpressionVariable::String(name, sizeof name);
  column.sql_name = "NAME";
  scopes.Bind("PRO:NAME", column);
  scopes.Bind("PRO:ID", ExpressionVariable::Long(&id));
  const std::pair<const char*, const char*> cases[] = {
      {"PRO:ID=1 AND (PRO:ID<2 OR PRO:ID>=3)", "PRO:ID = 1 AND (PRO:ID < 2 OR PRO:ID >= 3)"},
      {"(1 + 2) * 3 - (4 - 5)", "(1 + 2) * 3 - (4 - 5)"},
      {"1 + 2 * 3", "1 + 2 * 3"},
      {"-(PRO:ID + 1)", "-(PRO:ID + 1)"},
      {"~ PRO:ID = 2", "NOT PRO:ID = 2"},
      {"NOT (PRO:ID = 2 OR 1)", "NOT (PRO:ID = 2 OR 1)"},
      {"PRO:NAME & 'it''s'", "NAME & 'it''s'"},
      {"SUB(PRO:NAME, 1, 3) = 'abc'", "NAME LIKE 'abc%'"},
      {"SUB(PRO:NAME, 1, 2) = 'abc'", "SUB(NAME, 1, 2) = 'abc'"},
      {"SUB(PRO:NAME, 1, 2) = 'o''k'", "SUB(NAME, 1, 2) = 'o''k'"},
      {"SUB(PRO:NAME, 1, 3) = 'o''k'", "NAME LIKE 'o''k%'"},
      {"INSTRING('bc', PRO:NAME, 1, 1) <> 0", "NAME LIKE '%bc%'"},
      {"NULL(PRO:NAME) = 0", "NAME IS NOT NULL "},
      {"NULL(PRO:NAME) <> 1", "NAME IS NOT NULL "},
      {"NULL(PRO:NAME) = 1", "NAME IS NULL "},
      {"NULL(PRO:NAME) <> 0", "NAME IS NULL "},
      {"INSTRING('a', PRO:NAME,, 2)", "INSTRING('a', NAME, , 2)"},
      {"PRO:NAME[2:3]", "NAME[2 : 3]"},
      {"FORMAT(1.5, @n6.2)", "FORMAT(1.5, @n6.2)"},
      {"SQL(a IN ('x', ')'))", "(a IN ('x', ')'))"},
  };
  for (const auto& [text, sql] : cases) {
    std::unique_ptr<Expression> e = CompileExpression(text, scopes);
    ASSERT_TRUE(e) << text;
    EXPECT_EQ(RenderSql(*e), sql) << text;
  }
  std::unique_ptr<Expression> order = CompileExpression("PRO:NAME", scopes);
  EXPECT_EQ(RenderSql(*order, true), "NAME DESC");
}

}  // namespace
}  // namespace vaultara::data
