#include "data/expression_value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vaultara::data {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the number at the start of text (after the caller has skipped
// blanks); 0 when there is none.
size_t NumberLength(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t point = i++;
    size_t fraction = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++fraction;
    if (digits == 0 && fraction == 0) i = point;
    digits += fraction;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

size_t SkipBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

}  // namespace

double RealFromText(std::string_view text) {
  text.remove_prefix(SkipBlanks(text));
  size_t length = NumberLength(text);
  if (length == 0) return 0.0;
  bool negative = text[0] == '-';
  size_t from = (text[0] == '+' || text[0] == '-') ? 1 : 0;
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + from, text.data() + length, value);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone: tell overflow from underflow by the
    // exponent's sign and the size of the integer part.
    size_t e = text.substr(0, length).find_first_of("eE");
    bool tiny = e != std::string_view::npos && text[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  }
  return negative ? -value : value;
}

bool IsNumericText(std::string_view text) {
  text.remove_prefix(SkipBlanks(text));
  size_t length = NumberLength(text);
  if (length == 0) return false;
  text.remove_prefix(length);
  return SkipBlanks(text) == text.size();
}

int64_t IntegerFromReal(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9223372036854775807.0;  // rounds to 2^63
  if (value >= kLimit) return std::numeric_limits<int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

void TextFromInteger(int64_t value, std::string* out) {
  char buffer[24];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)error;
  out->assign(buffer, end);
}

void TextFromReal(double value, std::string* out) {
  if (!std::isfinite(value) || value == 0.0) {
    out->assign(1, '0');
    return;
  }
  char buffer[32];
  int n = std::snprintf(buffer, sizeof buffer, "%.15g", value);
  out->assign(buffer, static_cast<size_t>(n));
}

int64_t IntegerOf(const ExpressionValue& value) {
  switch (value.value_class) {
    case ValueClass::kInteger:
      return value.integer;
    case ValueClass::kReal:
      return IntegerFromReal(value.real);
    default:
      return IntegerFromReal(RealFromText(value.text));
  }
}

double RealOf(const ExpressionValue& value) {
  switch (value.value_class) {
    case ValueClass::kInteger:
      return static_cast<double>(value.integer);
    case ValueClass::kReal:
      return value.real;
    default:
      return RealFromText(value.text);
  }
}

std::string_view TextOf(const ExpressionValue& value, std::string* scratch) {
  switch (value.value_class) {
    case ValueClass::kInteger:
      TextFromInteger(value.integer, scratch);
      return *scratch;
    case ValueClass::kReal:
      TextFromReal(value.real, scratch);
      return *scratch;
    default:
      return value.text;
  }
}

bool TruthOf(const ExpressionValue& value) {
  switch (value.value_class) {
    case ValueClass::kInteger:
      return value.integer != 0;
    case ValueClass::kReal:
      return value.real != 0.0;
    default:
      return value.text.find_first_not_of(' ') != std::string_view::npos;
  }
}

}  // namespace vaultara::data
