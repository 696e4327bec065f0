#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/expression_node.h"
#include "data/expression_value.h"

namespace vaultara::data {

// Evaluation of compiled expression nodes against the current values of the
// variables they name.
//
// Arithmetic (+, -, *, /, %, ^, sign) is done in reals. & joins the texts of
// its operands. A comparison compares two integers as integers, two texts as
// texts (the shorter one padded with blanks, characters by the collation
// order of the current character tables) and anything else as reals; it gives
// 1 or 0. AND, OR and XOR evaluate both operands; NOT negates a truth value.
// Division or modulus by zero, a subscript outside its array and a real
// result that is not finite post error 800 and give 0. Nothing else touches
// the error state, so a filter evaluated once per record costs no more than
// its own work.
//
// Texts returned point into the tree or into bound variables and stay valid
// until the same tree is evaluated again.

// The value in the node's natural class.
ExpressionValue EvaluateNode(const ExpressionNode& node);

bool EvaluateTruth(const ExpressionNode& node);
int64_t EvaluateInteger(const ExpressionNode& node);
double EvaluateReal(const ExpressionNode& node);
std::string_view EvaluateText(const ExpressionNode& node);

// <0, 0 or >0 as a comparison in an expression compares the two values
// (texts by CompareBlankPadded of character_tables.h; a real NaN equals NaN
// and sorts after every number).
int CompareValues(const ExpressionValue& a, const ExpressionValue& b);

}  // namespace vaultara::data
