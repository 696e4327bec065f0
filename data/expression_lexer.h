#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vaultara::data {

// The tokens of an expression text.
//
//   name       a letter or "_", then letters, digits, "_" and ":"; one
//              trailing "#", "$" or '"' belongs to it. "?" and a letter
//              start a name too.
//   number     decimal: "123" (an integer up to 2147483647, a real above),
//              "1.5", ".5", "1e3", "2.5E-3" (reals); based, by a final
//              letter: "101b" binary, "17o" octal, "1Fh" hexadecimal (the
//              first character a digit). Binary numbers of 32 digits or more,
//              octal ones of more than 11 digits (or 11 with a first digit
//              above 3) and hexadecimal ones of more than 8 digits are reals.
//              Any other final letter, or a digit outside the base, makes the
//              number invalid; so does a decimal number too large for a real.
//              One too small for a real is 0.
//   string     between single quotes; two quotes inside stand for one.
//   picture    "@" and a picture: @K and @P run to the repeated letter (and
//              one "B" or "b" after it); the others to a blank, "," or ")",
//              except inside "~" marks of an @N picture.
//   ( ) [ ] , : ^ * / % + - & = < > ~   one character each.
// Blanks and tabs between tokens are skipped. Any other character, and an
// unterminated string, is an invalid token.
enum class TokenKind : uint8_t {
  kName,
  kInteger,
  kReal,
  kString,
  kPicture,
  kLeftParen,
  kRightParen,
  kLeftBracket,
  kRightBracket,
  kComma,
  kColon,
  kPower,
  kMultiply,
  kDivide,
  kModulus,
  kPlus,
  kMinus,
  kAmpersand,
  kEqual,
  kLess,
  kGreater,
  kTilde,
  kEnd,
  kInvalid,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  size_t start = 0;  // offset of the token's first character
  size_t end = 0;    // offset just past it
  std::string text;  // name, string value (quotes undone) or picture text
  int64_t integer = 0;
  double real = 0.0;
};

// The token at position (blanks before it skipped).
Token ScanToken(std::string_view text, size_t position);

// True for the characters that may continue a name: letters (by the current
// character tables, and ASCII), digits, "_" and ":".
bool IsNameCharacter(char c);
bool IsNameStart(char c);

// Reads expression text one token at a time, with one token of look-ahead.
class ExpressionLexer {
 public:
  ExpressionLexer(std::string_view text, size_t position);

  const Token& Current() const { return current_; }
  // The token after the current one.
  const Token& Next();
  void Advance();

  // The raw text from the current token up to the ")" that closes an already
  // consumed "(" (parentheses inside quotes do not count). On success the
  // lexer stands on that ")". False when the text ends first.
  bool TakeRaw(std::string* raw);

 private:
  std::string_view text_;
  Token current_;
  Token next_;
  bool has_next_ = false;
};

}  // namespace vaultara::data
