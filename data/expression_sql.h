#pragma once

#include <string>

#include "data/expression.h"
#include "data/expression_node.h"

namespace vaultara::data {

// The tree as SQL text, for drivers that take SQL. Operators are written
// " = ", " <> ", " < ", " > ", " <= ", " >= ", " + ", " - ", " * ", " / ",
// " % ", " ^ ", " & ", " AND ", " OR ", " XOR "; arguments are separated by
// ", " and slice bounds by " : "; a sign is "-" and NOT is "NOT ".
// Parentheses are added where an operand binds weaker than its operator (and
// on the right of an operator of its own level, which keeps a - (b - c)).
// Fields are written by their column name (ExpressionVariable::sql_name),
// texts in single quotes with inner quotes doubled, SQL(...) as its raw text
// in parentheses. These patterns become SQL's own:
//   SUB(field, 1, n) = 'text', n the length of text   field LIKE 'text%'
//   INSTRING('text', field, 1, 1) <> 0                 field LIKE '%text%'
//   NULL(field) = 0, NULL(field) <> 1                  field IS NOT NULL
//   NULL(field) = 1, NULL(field) <> 0                  field IS NULL
// (the last two with a trailing blank). A descending order item gets " DESC".
std::string RenderSql(const ExpressionNode& node, bool descending = false);
std::string RenderSql(const Expression& expression, bool descending = false);

}  // namespace vaultara::data
