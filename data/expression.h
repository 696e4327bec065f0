#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "data/expression_evaluator.h"
#include "data/expression_node.h"

namespace vaultara::data {

// A compiled expression: a tree of nodes over bound variables, ready to be
// evaluated as often as wanted (a filter is compiled once and evaluated per
// record). It reads the variables' memory at each evaluation, so the
// variables must outlive it. One tree is evaluated by one thread at a time.
// Its owner (a view, a record store) destroys it.
class Expression {
 public:
  explicit Expression(std::unique_ptr<ExpressionNode> root) : root_(std::move(root)) {}

  const ExpressionNode& Root() const { return *root_; }
  // The class of the value it produces.
  ValueClass Class() const { return root_->value_class; }

  bool Truth() const { return EvaluateTruth(*root_); }
  int64_t Integer() const { return EvaluateInteger(*root_); }
  double Real() const { return EvaluateReal(*root_); }
  // Valid until the expression is evaluated again.
  std::string_view Text() const { return EvaluateText(*root_); }

 private:
  std::unique_ptr<ExpressionNode> root_;
};

}  // namespace vaultara::data
