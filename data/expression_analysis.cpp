#include "data/expression_analysis.h"

#include <algorithm>

#include "data/expression_evaluator.h"

namespace vaultara::data {

int DependsOn(const ExpressionNode& node, const LevelResolver& level_of) {
  int level = 0;
  if (node.kind == NodeKind::kVariable && node.variable.table != nullptr) {
    level = level_of(node.variable.table);
  }
  for (const auto& child : node.children) {
    if (child) level = std::max(level, DependsOn(*child, level_of));
  }
  return level;
}

int DependsOn(const Expression& expression, const LevelResolver& level_of) {
  return DependsOn(expression.Root(), level_of);
}

int PartialTruth(const ExpressionNode& node, int level, const LevelResolver& level_of) {
  if (node.kind == NodeKind::kBinary) {
    const ExpressionNode& left = *node.children[0];
    const ExpressionNode& right = *node.children[1];
    switch (node.op) {
      case ExpressionOperator::kAnd: {
        int a = PartialTruth(left, level, level_of);
        int b = PartialTruth(right, level, level_of);
        if (a == kPartialFalse || b == kPartialFalse) return kPartialFalse;
        return a == kPartialTrue && b == kPartialTrue ? kPartialTrue : kPartialUndecided;
      }
      case ExpressionOperator::kOr: {
        int a = PartialTruth(left, level, level_of);
        int b = PartialTruth(right, level, level_of);
        if (a == kPartialTrue || b == kPartialTrue) return kPartialTrue;
        return a == kPartialFalse && b == kPartialFalse ? kPartialFalse : kPartialUndecided;
      }
      default:
        break;
    }
  }
  if (node.kind == NodeKind::kUnary && node.op == ExpressionOperator::kNot) {
    int a = PartialTruth(*node.children[0], level, level_of);
    return a == kPartialUndecided ? a : kPartialTrue - a;
  }
  if (DependsOn(node, level_of) > level) return kPartialUndecided;
  return EvaluateTruth(node) ? kPartialTrue : kPartialFalse;
}

int PartialTruth(const Expression& expression, int level, const LevelResolver& level_of) {
  return PartialTruth(expression.Root(), level, level_of);
}

}  // namespace vaultara::data
