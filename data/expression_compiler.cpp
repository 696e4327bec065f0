#include "data/expression_compiler.h"

#include <optional>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/expression_errors.h"
#include "data/expression_functions.h"
#include "data/expression_lexer.h"

namespace vaultara::data {
namespace {

using NodePtr = std::unique_ptr<ExpressionNode>;

// Limits that keep the parser's and the evaluator's recursion well inside
// the stack whatever the text: nested parentheses and arguments, and the
// height of the tree (a long chain "1+1+...+1" is as deep as it is long).
constexpr int kMaxNesting = 100;
constexpr uint32_t kMaxHeight = 400;

uint32_t HeightOf(const ExpressionNode& node) {
  uint32_t height = 0;
  for (const NodePtr& child : node.children) {
    if (child && child->height > height) height = child->height;
  }
  return height + 1;
}

// Recursive descent over the grammar in expression_compiler.h; each level is
// one method. A method returns null on failure and the parse stops there.
class Parser {
 public:
  Parser(std::string_view text, size_t position, ScopeStack& scopes)
      : lexer_(text, position), scopes_(scopes) {}

  NodePtr Parse() {
    NodePtr root = ParseOr();
    if (!root) Fail();
    return root;
  }
  const Token& Current() const { return lexer_.Current(); }
  void Fail() {
    if (!posted_) PostError(err::kInvalidExpression);
    posted_ = true;
  }

 private:
  // The operator word a name token stands for, if any.
  ExpressionOperator WordOf(const Token& token) const {
    if (token.kind != TokenKind::kName) return ExpressionOperator::kNone;
    const Symbol* symbol = scopes_.Find(token.text);
    if (symbol == nullptr || symbol->kind != SymbolKind::kOperatorWord) {
      return ExpressionOperator::kNone;
    }
    return symbol->op;
  }

  static NodePtr Make(NodeKind kind, ValueClass value_class, ExpressionOperator op) {
    auto node = std::make_unique<ExpressionNode>();
    node->kind = kind;
    node->value_class = value_class;
    node->op = op;
    return node;
  }

  static NodePtr MakeBinary(ExpressionOperator op, ValueClass value_class, NodePtr left,
                            NodePtr right) {
    NodePtr node = Make(NodeKind::kBinary, value_class, op);
    node->children.push_back(std::move(left));
    node->children.push_back(std::move(right));
    return Checked(std::move(node));
  }

  // The node with its height set; null when the tree grows too high.
  static NodePtr Checked(NodePtr node) {
    node->height = HeightOf(*node);
    if (node->height > kMaxHeight) return nullptr;
    return node;
  }

  // An expression nested in parentheses, brackets or arguments.
  NodePtr ParseNested() {
    if (++nesting_ > kMaxNesting) return nullptr;
    NodePtr node = ParseOr();
    --nesting_;
    return node;
  }

  NodePtr ParseOr() {
    NodePtr left = ParseAnd();
    while (left) {
      ExpressionOperator op = WordOf(Current());
      if (op != ExpressionOperator::kOr && op != ExpressionOperator::kXor) break;
      lexer_.Advance();
      NodePtr right = ParseAnd();
      if (!right) return nullptr;
      left = MakeBinary(op, ValueClass::kInteger, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseAnd() {
    NodePtr left = ParseNot();
    while (left && WordOf(Current()) == ExpressionOperator::kAnd) {
      lexer_.Advance();
      NodePtr right = ParseNot();
      if (!right) return nullptr;
      left = MakeBinary(ExpressionOperator::kAnd, ValueClass::kInteger, std::move(left),
                        std::move(right));
    }
    return left;
  }

  bool AtNot() const {
    return Current().kind == TokenKind::kTilde || WordOf(Current()) == ExpressionOperator::kNot;
  }

  NodePtr ParseNot() {
    bool negate = false;
    while (AtNot()) {
      negate = !negate;
      lexer_.Advance();
    }
    NodePtr operand = ParseComparison();
    if (!operand || !negate) return operand;
    NodePtr node = Make(NodeKind::kUnary, ValueClass::kInteger, ExpressionOperator::kNot);
    node->children.push_back(std::move(operand));
    return Checked(std::move(node));
  }

  static bool IsComparisonToken(TokenKind kind) {
    return kind == TokenKind::kEqual || kind == TokenKind::kLess || kind == TokenKind::kGreater;
  }

  static ExpressionOperator Negated(ExpressionOperator op) {
    switch (op) {
      case ExpressionOperator::kEqual:
        return ExpressionOperator::kNotEqual;
      case ExpressionOperator::kNotEqual:
        return ExpressionOperator::kEqual;
      case ExpressionOperator::kLess:
        return ExpressionOperator::kGreaterEqual;
      case ExpressionOperator::kGreaterEqual:
        return ExpressionOperator::kLess;
      case ExpressionOperator::kGreater:
        return ExpressionOperator::kLessEqual;
      default:
        return ExpressionOperator::kGreater;  // of <=
    }
  }

  // The comparison operator at the current token, consumed; kNone (nothing
  // consumed) when there is none.
  ExpressionOperator TakeComparison() {
    bool negate = false;
    if (AtNot()) {
      if (!IsComparisonToken(lexer_.Next().kind)) return ExpressionOperator::kNone;
      negate = true;
      lexer_.Advance();
    }
    TokenKind first = Current().kind;
    if (!IsComparisonToken(first)) return ExpressionOperator::kNone;
    lexer_.Advance();
    TokenKind second = Current().kind;
    ExpressionOperator op = ExpressionOperator::kNone;
    bool pair = true;
    if (first == TokenKind::kLess) {
      op = second == TokenKind::kGreater ? ExpressionOperator::kNotEqual
           : second == TokenKind::kEqual ? ExpressionOperator::kLessEqual
                                         : (pair = false, ExpressionOperator::kLess);
    } else if (first == TokenKind::kGreater) {
      op = second == TokenKind::kEqual ? ExpressionOperator::kGreaterEqual
                                       : (pair = false, ExpressionOperator::kGreater);
    } else {
      op = second == TokenKind::kLess      ? ExpressionOperator::kLessEqual
           : second == TokenKind::kGreater ? ExpressionOperator::kGreaterEqual
                                           : (pair = false, ExpressionOperator::kEqual);
    }
    if (pair) lexer_.Advance();
    return negate ? Negated(op) : op;
  }

  NodePtr ParseComparison() {
    NodePtr left = ParseConcatenation();
    while (left) {
      ExpressionOperator op = TakeComparison();
      if (op == ExpressionOperator::kNone) break;
      NodePtr right = ParseConcatenation();
      if (!right) return nullptr;
      left = MakeBinary(op, ValueClass::kInteger, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseConcatenation() {
    NodePtr left = ParseAdditive();
    while (left && Current().kind == TokenKind::kAmpersand) {
      lexer_.Advance();
      NodePtr right = ParseAdditive();
      if (!right) return nullptr;
      left = MakeBinary(ExpressionOperator::kConcatenate, ValueClass::kString, std::move(left),
                        std::move(right));
    }
    return left;
  }

  NodePtr ParseAdditive() {
    NodePtr left = ParseMultiplicative();
    while (left) {
      TokenKind kind = Current().kind;
      if (kind != TokenKind::kPlus && kind != TokenKind::kMinus) break;
      lexer_.Advance();
      NodePtr right = ParseMultiplicative();
      if (!right) return nullptr;
      ExpressionOperator op =
          kind == TokenKind::kPlus ? ExpressionOperator::kAdd : ExpressionOperator::kSubtract;
      left = MakeBinary(op, ValueClass::kReal, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParseMultiplicative() {
    NodePtr left = ParsePower();
    while (left) {
      ExpressionOperator op;
      switch (Current().kind) {
        case TokenKind::kMultiply:
          op = ExpressionOperator::kMultiply;
          break;
        case TokenKind::kDivide:
          op = ExpressionOperator::kDivide;
          break;
        case TokenKind::kModulus:
          op = ExpressionOperator::kModulus;
          break;
        default:
          return left;
      }
      lexer_.Advance();
      NodePtr right = ParsePower();
      if (!right) return nullptr;
      left = MakeBinary(op, ValueClass::kReal, std::move(left), std::move(right));
    }
    return left;
  }

  NodePtr ParsePower() {
    NodePtr left = ParseSign();
    while (left && Current().kind == TokenKind::kPower) {
      lexer_.Advance();
      NodePtr right = ParseSign();
      if (!right) return nullptr;
      left = MakeBinary(ExpressionOperator::kPower, ValueClass::kReal, std::move(left),
                        std::move(right));
    }
    return left;
  }

  NodePtr ParseSign() {
    bool negate = false;
    while (Current().kind == TokenKind::kPlus || Current().kind == TokenKind::kMinus) {
      if (Current().kind == TokenKind::kMinus) negate = !negate;
      lexer_.Advance();
    }
    NodePtr operand = ParsePrimary();
    if (!operand || !negate) return operand;
    NodePtr node = Make(NodeKind::kUnary, ValueClass::kReal, ExpressionOperator::kNegate);
    node->children.push_back(std::move(operand));
    return Checked(std::move(node));
  }

  bool Expect(TokenKind kind) {
    if (Current().kind != kind) return false;
    lexer_.Advance();
    return true;
  }

  NodePtr ParsePrimary() {
    const Token& token = Current();
    switch (token.kind) {
      case TokenKind::kLeftParen: {
        lexer_.Advance();
        NodePtr inner = ParseNested();
        if (!inner || !Expect(TokenKind::kRightParen)) return nullptr;
        return inner;
      }
      case TokenKind::kInteger: {
        NodePtr node = Make(NodeKind::kConstant, ValueClass::kInteger, ExpressionOperator::kNone);
        node->integer = token.integer;
        lexer_.Advance();
        return node;
      }
      case TokenKind::kReal: {
        NodePtr node = Make(NodeKind::kConstant, ValueClass::kReal, ExpressionOperator::kNone);
        node->real = token.real;
        lexer_.Advance();
        return node;
      }
      case TokenKind::kString:
      case TokenKind::kPicture: {
        ValueClass value_class =
            token.kind == TokenKind::kString ? ValueClass::kString : ValueClass::kPicture;
        NodePtr node = Make(NodeKind::kConstant, value_class, ExpressionOperator::kNone);
        node->text = token.text;
        lexer_.Advance();
        return node;
      }
      case TokenKind::kName:
        return ParseName();
      default:
        return nullptr;
    }
  }

  NodePtr ParseName() {
    std::string name = Current().text;
    const Symbol* symbol = scopes_.Find(name);
    if (symbol == nullptr) {
      PostNoBind(name);
      posted_ = true;
      return nullptr;
    }
    if (symbol->kind == SymbolKind::kOperatorWord) return nullptr;
    lexer_.Advance();
    if (symbol->kind == SymbolKind::kFunction) return ParseCall(symbol->function);
    NodePtr node = Make(NodeKind::kVariable, symbol->variable.Class(), ExpressionOperator::kNone);
    node->name = symbol->name;
    node->variable = symbol->variable;
    if (Current().kind != TokenKind::kLeftBracket) return node;
    lexer_.Advance();
    return ParseSubscripts(std::move(node));
  }

  // After "[": subscripts of an array, or a slice of a text.
  NodePtr ParseSubscripts(NodePtr variable) {
    std::vector<NodePtr> items;
    NodePtr first = ParseNested();
    if (!first) return nullptr;
    if (Current().kind == TokenKind::kColon) {
      lexer_.Advance();
      NodePtr end = ParseNested();
      if (!end || !Expect(TokenKind::kRightBracket)) return nullptr;
      return MakeSlice(std::move(variable), std::move(first), std::move(end));
    }
    items.push_back(std::move(first));
    while (Current().kind == TokenKind::kComma) {
      lexer_.Advance();
      NodePtr item = ParseNested();
      if (!item) return nullptr;
      items.push_back(std::move(item));
    }
    if (!Expect(TokenKind::kRightBracket)) return nullptr;
    const std::vector<uint32_t>& dimensions = variable->variable.dimensions;
    if (dimensions.empty() && items.size() == 1) {
      // One character of a text: a slice from the position to itself.
      return MakeSlice(std::move(variable), std::move(items[0]), nullptr);
    }
    if (items.size() != dimensions.size()) return nullptr;
    variable->children = std::move(items);
    return Checked(std::move(variable));
  }

  static NodePtr MakeSlice(NodePtr text, NodePtr start, NodePtr end) {
    NodePtr node = Make(NodeKind::kSlice, ValueClass::kString, ExpressionOperator::kNone);
    node->children.push_back(std::move(text));
    node->children.push_back(std::move(start));
    if (end) node->children.push_back(std::move(end));
    return Checked(std::move(node));
  }

  NodePtr ParseCall(BuiltIn function) {
    const BuiltInInfo& info = InfoOf(function);
    if (!Expect(TokenKind::kLeftParen)) return nullptr;
    NodePtr node = Make(NodeKind::kCall, info.result, ExpressionOperator::kNone);
    node->function = function;
    node->children.resize(info.max_args);
    if (function == BuiltIn::kSql) {
      if (!lexer_.TakeRaw(&node->text) || !Expect(TokenKind::kRightParen)) return nullptr;
      return node;
    }
    if (Expect(TokenKind::kRightParen)) return node;
    size_t count = 0;
    while (true) {
      if (count >= info.max_args) return nullptr;
      if (Current().kind != TokenKind::kComma && Current().kind != TokenKind::kRightParen) {
        NodePtr argument = ParseNested();
        if (!argument) return nullptr;
        node->children[count] = std::move(argument);
      }
      ++count;
      if (Expect(TokenKind::kRightParen)) return Checked(std::move(node));
      if (!Expect(TokenKind::kComma)) return nullptr;
    }
  }

  ExpressionLexer lexer_;
  ScopeStack& scopes_;
  bool posted_ = false;
  int nesting_ = 0;
};

}  // namespace

std::unique_ptr<Expression> CompilePrefix(std::string_view text, size_t* position,
                                          ScopeStack& scopes) {
  scopes.PrepareCompilation();
  Parser parser(text, *position, scopes);
  NodePtr root = parser.Parse();
  if (!root) return nullptr;
  *position = parser.Current().start;
  return std::make_unique<Expression>(std::move(root));
}

std::unique_ptr<Expression> CompileExpression(std::string_view text, ScopeStack& scopes) {
  scopes.PrepareCompilation();
  Parser parser(text, 0, scopes);
  NodePtr root = parser.Parse();
  if (!root) return nullptr;
  if (parser.Current().kind != TokenKind::kEnd) {
    parser.Fail();
    return nullptr;
  }
  return std::make_unique<Expression>(std::move(root));
}

}  // namespace vaultara::data
