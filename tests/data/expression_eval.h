#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/expression_compiler.h"
#include "data/expression_scope.h"

namespace vaultara::data::testing {

// The text of an expression's value, or nullopt when it does not compile.
inline std::optional<std::string> EvalText(std::string_view text, ScopeStack& scopes) {
  std::unique_ptr<Expression> e = CompileExpression(text, scopes);
  if (!e) return std::nullopt;
  return std::string(e->Text());
}

}  // namespace vaultara::data::testing
