// vaultara-eval: evaluates expressions the way filters and orders do, to try
// one out before it goes into a program.
//
//   vaultara-eval [--string NAME=TEXT] [--long NAME=N] [--real NAME=X] EXPRESSION...
//
// The options bind variables first; then each expression is printed as text,
// one line each. An expression that does not compile prints its error code
// and text on standard error and ends with exit code 1. Texts are UTF-8
// outside and Windows-1252 inside.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "data/error_state.h"
#include "data/expression_compiler.h"
#include "data/expression_scope.h"
#include "platform/code_page.h"

namespace {

using namespace vaultara;

int Usage() {
  std::fprintf(stderr,
               "usage: vaultara-eval [--string NAME=TEXT] [--long NAME=N] [--real NAME=X] "
               "EXPRESSION...\n");
  return 2;
}

std::optional<std::string> Inside(const char* text) { return platform::Windows1252FromUtf8(text); }

// The variables bound from the command line; a deque keeps their addresses.
struct Variables {
  std::deque<std::string> texts;
  std::deque<int32_t> longs;
  std::deque<double> reals;
};

// Binds one --string/--long/--real option; false when it is malformed.
bool BindOption(std::string_view option, const std::string& assignment, Variables* variables) {
  size_t equals = assignment.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  std::string name = assignment.substr(0, equals);
  std::string value = assignment.substr(equals + 1);
  if (option == "--string") {
    std::string& text = variables->texts.emplace_back(value);
    return data::Bind(
        name, data::ExpressionVariable::String(text.data(), static_cast<uint32_t>(text.size())));
  }
  char* end = nullptr;
  if (option == "--long") {
    long long n = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < INT32_MIN || n > INT32_MAX) return false;
    return data::Bind(name, data::ExpressionVariable::Long(
                                &variables->longs.emplace_back(static_cast<int32_t>(n))));
  }
  if (option == "--real") {
    double x = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0') return false;
    return data::Bind(name, data::ExpressionVariable::Real(&variables->reals.emplace_back(x)));
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Variables variables;
  int i = 1;
  for (; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg != "--string" && arg != "--long" && arg != "--real") break;
    if (i + 1 >= argc) return Usage();
    std::optional<std::string> assignment = Inside(argv[++i]);
    if (!assignment || !BindOption(arg, *assignment, &variables)) {
      std::fprintf(stderr, "vaultara-eval: cannot bind %s %s\n", argv[i - 1], argv[i]);
      return 2;
    }
  }
  if (i >= argc) return Usage();
  for (; i < argc; ++i) {
    std::optional<std::string> text = Inside(argv[i]);
    if (!text) {
      std::fprintf(stderr, "vaultara-eval: the expression holds a character that cannot be used\n");
      return 1;
    }
    std::unique_ptr<data::Expression> expression = data::CompileExpression(*text);
    if (!expression) {
      std::fprintf(stderr, "%d %s\n", data::ErrorCode(),
                   platform::Utf8FromWindows1252(data::ErrorMessage()).c_str());
      return 1;
    }
    std::printf("%s\n", platform::Utf8FromWindows1252(expression->Text()).c_str());
  }
  return 0;
}
