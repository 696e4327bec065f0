#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vaultara::data {

// The class of a value in an expression. Comparisons and logical operators
// give integers (0 or 1); arithmetic gives reals; a picture constant is a
// text that names a picture.
enum class ValueClass : uint8_t { kInteger, kReal, kPicture, kString };

// A value as a node of an expression produces it, in its own class. A text
// points into memory owned by the expression or by a bound variable; it stays
// valid until the expression is evaluated again.
struct ExpressionValue {
  ValueClass value_class = ValueClass::kInteger;
  int64_t integer = 0;
  double real = 0.0;
  std::string_view text;

  static ExpressionValue Integer(int64_t v) { return {ValueClass::kInteger, v, 0.0, {}}; }
  static ExpressionValue Real(double v) { return {ValueClass::kReal, 0, v, {}}; }
  static ExpressionValue Text(std::string_view v) { return {ValueClass::kString, 0, 0.0, v}; }
  bool IsText() const {
    return value_class == ValueClass::kString || value_class == ValueClass::kPicture;
  }
};

// The number a text spells: leading blanks, an optional sign, digits, an
// optional "." with more digits, and an optional exponent ("e" or "E", an
// optional sign and digits). Whatever follows the number is ignored; a text
// without a number is 0.
double RealFromText(std::string_view text);

// True when the text, apart from leading and trailing blanks, is exactly one
// number of that form.
bool IsNumericText(std::string_view text);

// The integer part of a real, truncated toward zero. Values beyond the 64-bit
// range are held at its ends; NaN gives 0.
int64_t IntegerFromReal(double value);

// The text of a number: integers in decimal, reals with up to 15 significant
// digits and no trailing zeros ("50", "0.1", "1e+20"); a non-finite real is
// "0". The text replaces *out.
void TextFromInteger(int64_t value, std::string* out);
void TextFromReal(double value, std::string* out);

// Natural value to another class. Texts go through RealFromText; reals to
// integers through IntegerFromReal. A text result goes into *scratch unless
// the value already is a text.
int64_t IntegerOf(const ExpressionValue& value);
double RealOf(const ExpressionValue& value);
std::string_view TextOf(const ExpressionValue& value, std::string* scratch);

// The truth of a value: a text is true when it is not blank, a number when it
// is not zero.
bool TruthOf(const ExpressionValue& value);

}  // namespace vaultara::data
