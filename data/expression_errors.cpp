#include "data/expression_errors.h"

#include <string>

#include "data/error_state.h"
#include "data/error_texts.h"

namespace vaultara::data {
namespace {

// The error state keeps messages of at most this many characters.
constexpr size_t kMessageLength = 79;

}  // namespace

void PostExpressionError(int32_t code, std::string_view text) {
  PostError(code);
  if (text.empty()) return;
  ErrorStateValues values = CurrentErrorState();
  values.message.assign(text.substr(0, kMessageLength));
  RestoreErrorState(values);
}

void PostNoBind(std::string_view name) {
  std::string text = ErrorText(err::kNoBindOnVariable);
  text += " (";
  text += name;
  text += ")";
  PostExpressionError(err::kNoBindOnVariable, text);
}

}  // namespace vaultara::data
