#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/expression_node.h"
#include "data/expression_variable.h"
#include "data/record_declaration.h"

namespace vaultara::data {

// What a name in an expression stands for.
enum class SymbolKind : uint8_t { kVariable, kOperatorWord, kFunction };

struct Symbol {
  SymbolKind kind = SymbolKind::kVariable;
  std::string name;  // as bound (after cutting), original case
  ExpressionVariable variable;
  ExpressionOperator op = ExpressionOperator::kNone;  // AND, OR, XOR, NOT
  BuiltIn function = BuiltIn::kNone;
};

// Names longer than this are cut.
inline constexpr size_t kMaxSymbolName = 99;

// The name as Bind keeps it: cut at the first character that is not a
// letter, digit, "_" or ":", keeping one following "#", "$" or '"', and at
// kMaxSymbolName characters.
std::string_view CutSymbolName(std::string_view name);

// The names expressions can see: a current scope plus a chain of saved ones.
// Names are compared without regard to case. Every scope learns the operator
// words AND, OR, XOR, NOT and the built-in functions on its first
// compilation (a name the program bound there first keeps its binding), so a
// built-in name always resolves in the current scope unless it was bound
// there.
//
// A scope pushed with keep_outer false hides the scopes saved below it.
class ScopeStack {
 public:
  ScopeStack();

  // Binds the name (cut as CutSymbolName says) in the current scope,
  // replacing what it meant there. False, binding nothing, when the name is
  // empty after cutting or the variable cannot be read.
  bool Bind(std::string_view name, const ExpressionVariable& variable);
  // Binds every field of a record by its label (see ExpressionVariable::Field).
  void BindRecord(const RecordDeclaration& declaration, char* record, const void* table = nullptr);

  void PushScope(bool keep_outer);
  // Discards the current scope and restores the saved one. Without a saved
  // scope this is a program error: error 802 is posted with the text
  // "Mismatched POPSCOPE" and the fatal handler is called (by default it
  // prints the text and ends the process); a handler that returns leaves the
  // stack as it was.
  void PopScope();
  // Pops every saved scope and empties the current one.
  void ClearScopes();

  // Readies the current scope for a compilation (inserts the built-in names
  // on the first one).
  void PrepareCompilation();
  // The meaning of name in the visible scopes, or nullptr.
  const Symbol* Find(std::string_view name) const;

  // Number of saved scopes.
  size_t SavedScopes() const { return scopes_.size() - 1; }

 private:
  struct Scope {
    std::unordered_map<std::string, Symbol> symbols;  // keyed by the upper-case name
    bool built_ins = false;
    bool outer_visible = true;
  };
  std::vector<Scope> scopes_;  // back() is the current scope
};

// The process-wide stack that Bind, PushScope, PopScope and ClearScopes work
// on and that compilations use by default. It lives for the whole run.
ScopeStack& TheScopeStack();

bool Bind(std::string_view name, const ExpressionVariable& variable);
void PushScope(bool keep_outer);
void PopScope();
void ClearScopes();

// Called when PopScope finds no saved scope, with the error code and text.
using ScopeFatalHandler = void (*)(int32_t code, const char* text);
// Installs a handler (nullptr restores the default); returns the previous one.
ScopeFatalHandler SetScopeFatalHandler(ScopeFatalHandler handler);

}  // namespace vaultara::data
