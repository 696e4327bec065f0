#include "data/expression_scope.h"

#include <cstdio>
#include <cstdlib>

#include "data/character_tables.h"
#include "data/error_texts.h"
#include "data/expression_errors.h"
#include "data/expression_functions.h"
#include "data/expression_lexer.h"

namespace vaultara::data {
namespace {

constexpr const char* kMismatchedPop = "Mismatched POPSCOPE";

void DefaultFatal(int32_t code, const char* text) {
  std::fprintf(stderr, "Error %d: %s\n", static_cast<int>(code), text);
  std::exit(EXIT_FAILURE);
}

ScopeFatalHandler& FatalHandler() {
  static ScopeFatalHandler handler = DefaultFatal;
  return handler;
}

std::string Key(std::string_view name) { return ToUpper(name); }

struct OperatorWord {
  const char* name;
  ExpressionOperator op;
};
constexpr OperatorWord kOperatorWords[] = {
    {"AND", ExpressionOperator::kAnd},
    {"OR", ExpressionOperator::kOr},
    {"XOR", ExpressionOperator::kXor},
    {"NOT", ExpressionOperator::kNot},
};

}  // namespace

std::string_view CutSymbolName(std::string_view name) {
  size_t i = 0;
  while (i < name.size() && IsNameCharacter(name[i])) ++i;
  if (i < name.size() && (name[i] == '#' || name[i] == '$' || name[i] == '"')) ++i;
  if (i > kMaxSymbolName) i = kMaxSymbolName;
  return name.substr(0, i);
}

ScopeStack::ScopeStack() : scopes_(1) {}

bool ScopeStack::Bind(std::string_view name, const ExpressionVariable& variable) {
  name = CutSymbolName(name);
  if (name.empty() || !variable.Readable()) return false;
  Symbol symbol;
  symbol.kind = SymbolKind::kVariable;
  symbol.name.assign(name);
  symbol.variable = variable;
  scopes_.back().symbols[Key(name)] = std::move(symbol);
  return true;
}

void ScopeStack::BindRecord(const RecordDeclaration& declaration, char* record, const void* table) {
  for (const FieldDescriptor& field : declaration.fields) {
    Bind(field.label, ExpressionVariable::Field(field, record, table));
  }
}

void ScopeStack::PushScope(bool keep_outer) {
  scopes_.emplace_back();
  scopes_.back().outer_visible = keep_outer;
}

void ScopeStack::PopScope() {
  if (scopes_.size() <= 1) {
    PostExpressionError(err::kMismatchedScope, kMismatchedPop);
    FatalHandler()(err::kMismatchedScope, kMismatchedPop);
    return;
  }
  scopes_.pop_back();
}

void ScopeStack::ClearScopes() {
  scopes_.clear();
  scopes_.emplace_back();
}

void ScopeStack::PrepareCompilation() {
  Scope& scope = scopes_.back();
  if (scope.built_ins) return;
  scope.built_ins = true;
  for (const OperatorWord& word : kOperatorWords) {
    Symbol symbol;
    symbol.kind = SymbolKind::kOperatorWord;
    symbol.name = word.name;
    symbol.op = word.op;
    scope.symbols.try_emplace(word.name, std::move(symbol));
  }
  for (const BuiltInInfo& info : BuiltIns()) {
    Symbol symbol;
    symbol.kind = SymbolKind::kFunction;
    symbol.name = info.name;
    symbol.function = info.id;
    scope.symbols.try_emplace(info.name, std::move(symbol));
  }
}

const Symbol* ScopeStack::Find(std::string_view name) const {
  std::string key = Key(name.substr(0, kMaxSymbolName));
  for (size_t i = scopes_.size(); i-- > 0;) {
    const Scope& scope = scopes_[i];
    auto it = scope.symbols.find(key);
    if (it != scope.symbols.end()) return &it->second;
    if (!scope.outer_visible) break;
  }
  return nullptr;
}

ScopeStack& TheScopeStack() {
  static ScopeStack stack;
  return stack;
}

bool Bind(std::string_view name, const ExpressionVariable& variable) {
  return TheScopeStack().Bind(name, variable);
}
void PushScope(bool keep_outer) { TheScopeStack().PushScope(keep_outer); }
void PopScope() { TheScopeStack().PopScope(); }
void ClearScopes() { TheScopeStack().ClearScopes(); }

ScopeFatalHandler SetScopeFatalHandler(ScopeFatalHandler handler) {
  ScopeFatalHandler previous = FatalHandler();
  FatalHandler() = handler == nullptr ? DefaultFatal : handler;
  return previous;
}

}  // namespace vaultara::data
