#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "data/error_state.h"
#include "data/expression_analysis.h"
#include "data/expression_compiler.h"
#include "data/expression_functions.h"
#include "data/expression_sql.h"

namespace vaultara::data {
namespace {

// Random texts built from the language's own pieces (and some noise) must
// compile or fail cleanly, and every compiled tree must evaluate in all four
// ways, render as SQL and answer the analyses without a fault the sanitizers
// would see.
TEST(ExpressionFuzz, RandomTextsNeverCrash) {
  ScopeStack scopes;
  char text[12];
  std::memset(text, 'x', sizeof text);
  int32_t number = -7;
  double real = 1e300;
  int16_t array[4] = {1, 2, 3, 4};
  scopes.Bind("T", ExpressionVariable::String(text, sizeof text));
  scopes.Bind("N", ExpressionVariable::Long(&number));
  scopes.Bind("R", ExpressionVariable::Real(&real));
  ExpressionVariable list;
  list.type = FieldType::kShort;
  list.address = reinterpret_cast<char*>(array);
  list.element_size = 2;
  list.dimensions = {2, 2};
  list.table = &array;
  scopes.Bind("A", list);

  const char* pieces[] = {
      "T",      "N",       "R",    "A[", "]", "[",   ":",          ",",     "(",
      ")",      "'x''y'",  "''",   "1",  "0", "-1",  "2147483648", "1e308", "1Fh",
      "@n10.2", "@p#p",    "@s3",  "+",  "-", "*",   "/",          "%",     "^",
      "&",      "=",       "<",    ">",  "~", "AND", "OR",         "XOR",   "NOT",
      "CLOCK",  "TODAY()", "SQL(", "?x", "#", " ",   "9999999999", ".5",    "-2147483648",
  };
  std::vector<std::string> functions;
  for (const BuiltInInfo& info : BuiltIns()) {
    if (info.id != BuiltIn::kRandom && info.id != BuiltIn::kGetIni) functions.push_back(info.name);
  }
  std::mt19937 random(20240601);
  LevelResolver level_of = [&](const void* table) { return table == &array ? 1 : 0; };
  int compiled = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string expression;
    int count = 1 + static_cast<int>(random() % 14);
    for (int i = 0; i < count; ++i) {
      switch (random() % 8) {
        case 0:
          expression += functions[random() % functions.size()] + "(";
          break;
        case 1:
          expression += static_cast<char>(random() % 256);
          break;
        default:
          expression += pieces[random() % std::size(pieces)];
          break;
      }
      if (random() % 3 == 0) expression += ' ';
    }
    ClearErrors();
    std::unique_ptr<Expression> e = CompileExpression(expression, scopes);
    if (!e) {
      EXPECT_NE(ErrorCode(), 0) << expression;
      continue;
    }
    ++compiled;
    (void)e->Truth();
    (void)e->Integer();
    (void)e->Real();
    std::string value(e->Text());
    (void)RenderSql(*e);
    EXPECT_LE(DependsOn(*e, level_of), 1);
    EXPECT_LE(PartialTruth(*e, 0, level_of), kPartialUndecided);
    size_t position = 0;
    (void)CompilePrefix(expression, &position, scopes);
  }
  EXPECT_GT(compiled, 300);
}

}  // namespace
}  // namespace vaultara::data
