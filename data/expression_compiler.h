#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "data/expression.h"
#include "data/expression_scope.h"

namespace vaultara::data {

// Compiles expression texts into trees, resolving names in a scope stack.
//
// Grammar, lowest precedence first; binary operators associate to the left:
//   1. OR, XOR
//   2. AND
//   3. NOT or ~ in front (NOT NOT x is x)
//   4. = <> < > <= >=, also written in two tokens, with blanks between them
//      allowed: "< >" is <>, "< =" and "= <" are <=, "> =" and "= >" are >=;
//      NOT or ~ just before an operator negates it (NOT = is <>, ~< is >=,
//      NOT > is <=)
//   5. &
//   6. + -
//   7. * / %
//   8. ^
//   9. + and - in front (each - changes the sign)
//  10. ( expression ), a number, text or picture constant, a variable (an
//      array one with [subscripts separated by ","]; any text one with
//      [start:end] for a slice, or [position] for one character), or a
//      function name with its arguments in parentheses (required even when
//      there are none). SQL keeps the raw text up to its closing ")".
// A slice written with a name right before the ":" needs a blank between
// them ("s[i :j]"), since ":" continues a name.
//
// A name that is neither bound nor built in posts error 801 with the name;
// any other fault of syntax posts error 800. In both cases nothing is
// returned. A successful compilation leaves the error state alone.

// The whole text as one expression.
std::unique_ptr<Expression> CompileExpression(std::string_view text,
                                              ScopeStack& scopes = TheScopeStack());

// The longest expression at *position; on success *position moves to the
// first token not used (the text's length at its end). On failure *position
// is unchanged.
std::unique_ptr<Expression> CompilePrefix(std::string_view text, size_t* position,
                                          ScopeStack& scopes = TheScopeStack());

}  // namespace vaultara::data
