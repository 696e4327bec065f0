#include "data/expression_evaluator.h"

#include <cmath>
#include <cstring>

#include "data/character_tables.h"
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/expression_functions.h"

namespace vaultara::data {
namespace {

ExpressionValue Failed(ValueClass value_class) {
  PostError(err::kInvalidExpression);
  if (value_class == ValueClass::kReal) return ExpressionValue::Real(0.0);
  if (value_class == ValueClass::kInteger) return ExpressionValue::Integer(0);
  return ExpressionValue::Text({});
}

ExpressionValue RealResult(double value) {
  if (!std::isfinite(value)) return Failed(ValueClass::kReal);
  return ExpressionValue::Real(value);
}

ExpressionValue Constant(const ExpressionNode& node) {
  switch (node.value_class) {
    case ValueClass::kInteger:
      return ExpressionValue::Integer(node.integer);
    case ValueClass::kReal:
      return ExpressionValue::Real(node.real);
    default:
      return {node.value_class, 0, 0.0, node.text};
  }
}

ExpressionValue Variable(const ExpressionNode& node) {
  const ExpressionVariable& v = node.variable;
  uint32_t element = 0;
  if (!node.children.empty()) {
    // Row-major over the dimensions, each subscript 1-based.
    uint64_t index = 0;
    for (size_t i = 0; i < node.children.size(); ++i) {
      int64_t s = EvaluateInteger(*node.children[i]);
      if (s < 1 || s > v.dimensions[i]) return Failed(v.Class());
      index = index * v.dimensions[i] + static_cast<uint64_t>(s - 1);
    }
    element = static_cast<uint32_t>(index);
  }
  return v.Read(element, &node.scratch);
}

bool Compare(ExpressionOperator op, int c) {
  switch (op) {
    case ExpressionOperator::kEqual:
      return c == 0;
    case ExpressionOperator::kNotEqual:
      return c != 0;
    case ExpressionOperator::kLess:
      return c < 0;
    case ExpressionOperator::kGreater:
      return c > 0;
    case ExpressionOperator::kLessEqual:
      return c <= 0;
    default:
      return c >= 0;
  }
}

bool IsLogical(ExpressionOperator op) {
  switch (op) {
    case ExpressionOperator::kOr:
    case ExpressionOperator::kAnd:
    case ExpressionOperator::kXor:
    case ExpressionOperator::kEqual:
    case ExpressionOperator::kNotEqual:
    case ExpressionOperator::kLess:
    case ExpressionOperator::kGreater:
    case ExpressionOperator::kLessEqual:
    case ExpressionOperator::kGreaterEqual:
      return true;
    default:
      return false;
  }
}

// A logical operator or comparison (IsLogical), straight to its truth.
bool LogicalTruth(const ExpressionNode& node) {
  const ExpressionNode& left = *node.children[0];
  const ExpressionNode& right = *node.children[1];
  switch (node.op) {
    case ExpressionOperator::kOr: {
      bool a = EvaluateTruth(left);
      bool b = EvaluateTruth(right);
      return a || b;
    }
    case ExpressionOperator::kAnd: {
      bool a = EvaluateTruth(left);
      bool b = EvaluateTruth(right);
      return a && b;
    }
    case ExpressionOperator::kXor: {
      bool a = EvaluateTruth(left);
      bool b = EvaluateTruth(right);
      return a != b;
    }
    default: {
      ExpressionValue a = EvaluateNode(left);
      ExpressionValue b = EvaluateNode(right);
      return Compare(node.op, CompareValues(a, b));
    }
  }
}

ExpressionValue Binary(const ExpressionNode& node) {
  if (IsLogical(node.op)) return ExpressionValue::Integer(LogicalTruth(node));
  const ExpressionNode& left = *node.children[0];
  const ExpressionNode& right = *node.children[1];
  switch (node.op) {
    case ExpressionOperator::kConcatenate: {
      std::string_view a = EvaluateText(left);
      std::string_view b = EvaluateText(right);
      node.scratch.assign(a);
      node.scratch.append(b);
      return ExpressionValue::Text(node.scratch);
    }
    default:
      break;
  }
  double a = EvaluateReal(left);
  double b = EvaluateReal(right);
  switch (node.op) {
    case ExpressionOperator::kAdd:
      return RealResult(a + b);
    case ExpressionOperator::kSubtract:
      return RealResult(a - b);
    case ExpressionOperator::kMultiply:
      return RealResult(a * b);
    case ExpressionOperator::kDivide:
      if (b == 0.0) return Failed(ValueClass::kReal);
      return RealResult(a / b);
    case ExpressionOperator::kModulus:
      if (b == 0.0) return Failed(ValueClass::kReal);
      return RealResult(std::fmod(a, b));
    default:
      return RealResult(std::pow(a, b));
  }
}

ExpressionValue Slice(const ExpressionNode& node) {
  std::string_view text = EvaluateText(*node.children[0]);
  int64_t start = EvaluateInteger(*node.children[1]);
  // [position] alone stands for one character.
  int64_t end = node.children.size() > 2 ? EvaluateInteger(*node.children[2]) : start;
  // end - start + 1 without overflow: both are clamped to the text's reach.
  auto clamp = [](int64_t v) {
    return v < -(1LL << 40) ? -(1LL << 40) : v > (1LL << 40) ? (1LL << 40) : v;
  };
  int64_t length = clamp(end) - clamp(start) + 1;
  return ExpressionValue::Text(SubText(text, start, length < 0 ? 0 : length));
}

}  // namespace

int CompareValues(const ExpressionValue& a, const ExpressionValue& b) {
  if (a.value_class == ValueClass::kInteger && b.value_class == ValueClass::kInteger) {
    return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
  }
  if (a.IsText() && b.IsText()) return CompareBlankPadded(a.text, b.text);
  double x = RealOf(a);
  double y = RealOf(b);
  // NaN equals NaN and sorts after every number, as in field comparisons,
  // rather than equalling everything.
  if (std::isnan(x) || std::isnan(y)) return std::isnan(x) - std::isnan(y);
  return x < y ? -1 : x > y ? 1 : 0;
}

ExpressionValue EvaluateNode(const ExpressionNode& node) {
  switch (node.kind) {
    case NodeKind::kConstant:
      return Constant(node);
    case NodeKind::kVariable:
      return Variable(node);
    case NodeKind::kUnary:
      if (node.op == ExpressionOperator::kNot) {
        return ExpressionValue::Integer(!EvaluateTruth(*node.children[0]));
      }
      return ExpressionValue::Real(-EvaluateReal(*node.children[0]));
    case NodeKind::kBinary:
      return Binary(node);
    case NodeKind::kSlice:
      return Slice(node);
    case NodeKind::kCall:
      return CallBuiltIn(node);
  }
  return ExpressionValue::Integer(0);
}

bool EvaluateTruth(const ExpressionNode& node) {
  if (node.kind == NodeKind::kBinary && IsLogical(node.op)) return LogicalTruth(node);
  return TruthOf(EvaluateNode(node));
}

int64_t EvaluateInteger(const ExpressionNode& node) {
  if (node.kind == NodeKind::kConstant && node.value_class == ValueClass::kInteger) {
    return node.integer;
  }
  return IntegerOf(EvaluateNode(node));
}

double EvaluateReal(const ExpressionNode& node) { return RealOf(EvaluateNode(node)); }

std::string_view EvaluateText(const ExpressionNode& node) {
  return TextOf(EvaluateNode(node), &node.scratch2);
}

}  // namespace vaultara::data
