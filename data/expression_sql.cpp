#include "data/expression_sql.h"

#include "data/expression_functions.h"
#include "data/expression_value.h"

namespace vaultara::data {
namespace {

int LevelOf(const ExpressionNode& node) {
  switch (node.kind) {
    case NodeKind::kBinary:
      switch (node.op) {
        case ExpressionOperator::kOr:
        case ExpressionOperator::kXor:
          return 1;
        case ExpressionOperator::kAnd:
          return 2;
        case ExpressionOperator::kConcatenate:
          return 5;
        case ExpressionOperator::kAdd:
        case ExpressionOperator::kSubtract:
          return 6;
        case ExpressionOperator::kMultiply:
        case ExpressionOperator::kDivide:
        case ExpressionOperator::kModulus:
          return 7;
        case ExpressionOperator::kPower:
          return 8;
        default:
          return 4;  // comparisons
      }
    case NodeKind::kUnary:
      return node.op == ExpressionOperator::kNot ? 3 : 9;
    default:
      return 10;
  }
}

const char* OperatorText(ExpressionOperator op) {
  switch (op) {
    case ExpressionOperator::kOr:
      return " OR ";
    case ExpressionOperator::kXor:
      return " XOR ";
    case ExpressionOperator::kAnd:
      return " AND ";
    case ExpressionOperator::kEqual:
      return " = ";
    case ExpressionOperator::kNotEqual:
      return " <> ";
    case ExpressionOperator::kLess:
      return " < ";
    case ExpressionOperator::kGreater:
      return " > ";
    case ExpressionOperator::kLessEqual:
      return " <= ";
    case ExpressionOperator::kGreaterEqual:
      return " >= ";
    case ExpressionOperator::kConcatenate:
      return " & ";
    case ExpressionOperator::kAdd:
      return " + ";
    case ExpressionOperator::kSubtract:
      return " - ";
    case ExpressionOperator::kMultiply:
      return " * ";
    case ExpressionOperator::kDivide:
      return " / ";
    case ExpressionOperator::kModulus:
      return " % ";
    default:
      return " ^ ";
  }
}

void Quoted(const std::string& text, std::string* out) {
  for (char c : text) {
    if (c == '\'') out->push_back('\'');
    out->push_back(c);
  }
}

bool IsField(const ExpressionNode* node) {
  return node != nullptr && node->kind == NodeKind::kVariable && node->children.empty();
}

const std::string& ColumnOf(const ExpressionNode& field) {
  return field.variable.sql_name.empty() ? field.name : field.variable.sql_name;
}

bool IsInteger(const ExpressionNode* node, int64_t value) {
  return node != nullptr && node->kind == NodeKind::kConstant &&
         node->value_class == ValueClass::kInteger && node->integer == value;
}

bool IsText(const ExpressionNode* node) {
  return node != nullptr && node->kind == NodeKind::kConstant &&
         node->value_class == ValueClass::kString;
}

bool IsCall(const ExpressionNode& node, BuiltIn function) {
  return node.kind == NodeKind::kCall && node.function == function;
}

const ExpressionNode* Argument(const ExpressionNode& call, size_t i) {
  return i < call.children.size() ? call.children[i].get() : nullptr;
}

// The SQL forms of the patterns listed in expression_sql.h; false when the
// comparison is none of them.
bool RenderPattern(const ExpressionNode& node, std::string* out) {
  const ExpressionNode& left = *node.children[0];
  const ExpressionNode& right = *node.children[1];
  bool equal = node.op == ExpressionOperator::kEqual;
  bool not_equal = node.op == ExpressionOperator::kNotEqual;
  if (equal && IsCall(left, BuiltIn::kSub) && IsField(Argument(left, 0)) &&
      IsInteger(Argument(left, 1), 1) && IsText(&right) &&
      IsInteger(Argument(left, 2), static_cast<int64_t>(right.text.size()))) {
    *out += ColumnOf(*Argument(left, 0)) + " LIKE '";
    Quoted(right.text, out);
    *out += "%'";
    return true;
  }
  if (not_equal && IsCall(left, BuiltIn::kInString) && IsText(Argument(left, 0)) &&
      IsField(Argument(left, 1)) && IsInteger(Argument(left, 2), 1) &&
      IsInteger(Argument(left, 3), 1) && IsInteger(&right, 0)) {
    *out += ColumnOf(*Argument(left, 1)) + " LIKE '%";
    Quoted(Argument(left, 0)->text, out);
    *out += "%'";
    return true;
  }
  if ((equal || not_equal) && IsCall(left, BuiltIn::kNull) && IsField(Argument(left, 0)) &&
      (IsInteger(&right, 0) || IsInteger(&right, 1))) {
    bool is_null = (right.integer == 1) == equal;
    *out += ColumnOf(*Argument(left, 0)) + " IS " + (is_null ? "" : "NOT ") + "NULL ";
    return true;
  }
  return false;
}

void Render(const ExpressionNode& node, std::string* out);

void Operand(const ExpressionNode& child, bool parenthesize, std::string* out) {
  if (parenthesize) out->push_back('(');
  Render(child, out);
  if (parenthesize) out->push_back(')');
}

void Render(const ExpressionNode& node, std::string* out) {
  switch (node.kind) {
    case NodeKind::kConstant: {
      std::string text;
      if (node.value_class == ValueClass::kInteger) {
        TextFromInteger(node.integer, &text);
        *out += text;
      } else if (node.value_class == ValueClass::kReal) {
        TextFromReal(node.real, &text);
        *out += text;
      } else if (node.value_class == ValueClass::kPicture) {
        *out += node.text;
      } else {
        out->push_back('\'');
        Quoted(node.text, out);
        out->push_back('\'');
      }
      return;
    }
    case NodeKind::kVariable:
      *out += ColumnOf(node);
      if (!node.children.empty()) {
        out->push_back('[');
        for (size_t i = 0; i < node.children.size(); ++i) {
          if (i > 0) *out += ", ";
          Render(*node.children[i], out);
        }
        out->push_back(']');
      }
      return;
    case NodeKind::kSlice:
      Operand(*node.children[0], LevelOf(*node.children[0]) < 10, out);
      out->push_back('[');
      Render(*node.children[1], out);
      *out += " : ";
      Render(*node.children[node.children.size() > 2 ? 2 : 1], out);
      out->push_back(']');
      return;
    case NodeKind::kCall: {
      if (node.function == BuiltIn::kSql) {
        *out += "(" + node.text + ")";
        return;
      }
      *out += InfoOf(node.function).name;
      out->push_back('(');
      size_t used = node.children.size();
      while (used > 0 && !node.children[used - 1]) --used;
      for (size_t i = 0; i < used; ++i) {
        if (i > 0) *out += ", ";
        if (node.children[i]) Render(*node.children[i], out);
      }
      out->push_back(')');
      return;
    }
    case NodeKind::kUnary: {
      int level = LevelOf(node);
      *out += node.op == ExpressionOperator::kNot ? "NOT " : "-";
      Operand(*node.children[0], LevelOf(*node.children[0]) < level, out);
      return;
    }
    case NodeKind::kBinary: {
      if (RenderPattern(node, out)) return;
      int level = LevelOf(node);
      Operand(*node.children[0], LevelOf(*node.children[0]) < level, out);
      *out += OperatorText(node.op);
      Operand(*node.children[1], LevelOf(*node.children[1]) <= level, out);
      return;
    }
  }
}

}  // namespace

std::string RenderSql(const ExpressionNode& node, bool descending) {
  std::string out;
  Render(node, &out);
  if (descending) out += " DESC";
  return out;
}

std::string RenderSql(const Expression& expression, bool descending) {
  return RenderSql(expression.Root(), descending);
}

}  // namespace vaultara::data
