#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/expression_value.h"
#include "data/expression_variable.h"

namespace vaultara::data {

// The operators of expressions, in no particular order.
enum class ExpressionOperator : uint8_t {
  kNone,
  kOr,
  kXor,
  kAnd,
  kNot,
  kEqual,
  kNotEqual,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kConcatenate,
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kModulus,
  kPower,
  kNegate,
};

// The built-in functions (see expression_functions.h for what each does).
enum class BuiltIn : uint8_t {
  kNone,
  kAbs,
  kAcos,
  kAge,
  kAll,
  kAsin,
  kAtan,
  kBand,
  kBor,
  kBshift,
  kBxor,
  kCenter,
  kChoose,
  kChr,
  kClip,
  kClock,
  kCos,
  kDate,
  kDay,
  kDeformat,
  kFormat,
  kGetIni,
  kInList,
  kInRange,
  kInString,
  kInt,
  kLeft,
  kLen,
  kLog10,
  kLogE,
  kLower,
  kMatch,
  kMemory,
  kMonth,
  kNull,
  kNumeric,
  kRandom,
  kRight,
  kRound,
  kSin,
  kSql,
  kSqrt,
  kSub,
  kTan,
  kToday,
  kUpper,
  kVal,
  kYear,
};

enum class NodeKind : uint8_t { kConstant, kVariable, kUnary, kBinary, kSlice, kCall };

struct CompiledPicture;

// One node of a compiled expression.
//
//   constant   value holds it (a text in `text`)
//   variable   `variable`, with one child per subscript when it is an array
//   unary      NOT or sign: one child
//   binary     two children
//   slice      children: the text, the start and the end
//   call       `function`, children sized to the function's maximum number
//              of arguments, a missing argument left null; SQL keeps its raw
//              text in `text`
//
// A node keeps scratch space for the text it produces, so one tree is
// evaluated by one thread at a time.
struct ExpressionNode {
  NodeKind kind = NodeKind::kConstant;
  ValueClass value_class = ValueClass::kInteger;
  ExpressionOperator op = ExpressionOperator::kNone;
  BuiltIn function = BuiltIn::kNone;
  std::vector<std::unique_ptr<ExpressionNode>> children;
  uint32_t height = 1;  // levels of nodes from this one down

  int64_t integer = 0;
  double real = 0.0;
  std::string text;  // text constant, picture constant, SQL raw text

  std::string name;  // the variable's name as bound
  ExpressionVariable variable;

  mutable std::string scratch;
  mutable std::string scratch2;
  // FORMAT and DEFORMAT keep the last picture they compiled.
  mutable std::shared_ptr<CompiledPicture> picture;
};

}  // namespace vaultara::data
