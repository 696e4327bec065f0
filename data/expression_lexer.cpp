#include "data/expression_lexer.h"

#include <cmath>

#include "data/character_tables.h"
#include "data/expression_value.h"

namespace vaultara::data {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsLetter(char c) { return IsAsciiLetter(c) || IsLetterChar(c); }

bool IsAlphanumeric(char c) { return IsDigit(c) || IsAsciiLetter(c); }

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

Token Invalid(size_t start, size_t end) {
  Token t;
  t.kind = TokenKind::kInvalid;
  t.start = start;
  t.end = end;
  return t;
}

// A number in base 2, 8 or 16 from its digits (the base letter removed).
Token BasedNumber(std::string_view digits, int base, size_t start, size_t end) {
  Token t;
  t.start = start;
  t.end = end;
  double value = 0.0;
  for (char c : digits) {
    int d = DigitValue(c);
    if (d >= base) return Invalid(start, end);
    value = value * base + d;
  }
  bool real = false;
  if (base == 2) real = digits.size() >= 32;
  if (base == 8) real = digits.size() > 11 || (digits.size() == 11 && digits[0] > '3');
  if (base == 16) real = digits.size() > 8;
  if (real) {
    t.kind = TokenKind::kReal;
    t.real = value;
  } else {
    t.kind = TokenKind::kInteger;
    t.integer = static_cast<int64_t>(value);  // below 2^32 here, so exact
  }
  return t;
}

// A decimal number text ("12", "1.5", ".5e-3") already known to be well formed.
Token DecimalNumber(std::string_view text, bool real, size_t start, size_t end) {
  Token t;
  t.start = start;
  t.end = end;
  double value = RealFromText(text);
  if (!std::isfinite(value) || value >= 1.7976931348623157e308) return Invalid(start, end);
  if (!real && value <= 2147483647.0) {
    t.kind = TokenKind::kInteger;
    t.integer = static_cast<int64_t>(value);
  } else {
    t.kind = TokenKind::kReal;
    t.real = value;
  }
  return t;
}

size_t SkipDigits(std::string_view text, size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

// Past an exponent ("e", optional sign, digits) at i, or i when there is none.
size_t SkipExponent(std::string_view text, size_t i) {
  if (i >= text.size() || (text[i] != 'e' && text[i] != 'E')) return i;
  size_t j = i + 1;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
  if (j >= text.size() || !IsDigit(text[j])) return i;
  return SkipDigits(text, j);
}

Token ScanNumber(std::string_view text, size_t start) {
  size_t i = SkipDigits(text, start);
  bool leading_digits = i > start;
  if (i < text.size() && text[i] == '.') {
    size_t after = SkipDigits(text, i + 1);
    if (!leading_digits && after == i + 1) return Invalid(start, i + 1);
    size_t end = SkipExponent(text, after);
    if (end < text.size() && IsAlphanumeric(text[end])) {
      size_t bad = end;
      while (bad < text.size() && IsAlphanumeric(text[bad])) ++bad;
      return Invalid(start, bad);
    }
    return DecimalNumber(text.substr(start, end - start), true, start, end);
  }
  // Digits and letters together: a based number, an exponent or an error.
  size_t run = i;
  while (run < text.size() && IsAlphanumeric(text[run])) ++run;
  if (run == i) return DecimalNumber(text.substr(start, i - start), false, start, i);
  size_t exponent = SkipExponent(text, i);
  if (exponent > i && (exponent >= text.size() || !IsAlphanumeric(text[exponent]))) {
    return DecimalNumber(text.substr(start, exponent - start), true, start, exponent);
  }
  std::string_view body = text.substr(start, run - start - 1);
  switch (AsciiUpper(text[run - 1])) {
    case 'B':
      return BasedNumber(body, 2, start, run);
    case 'O':
      return BasedNumber(body, 8, start, run);
    case 'H':
      return BasedNumber(body, 16, start, run);
    default:
      return Invalid(start, run);
  }
}

Token ScanString(std::string_view text, size_t start) {
  Token t;
  t.kind = TokenKind::kString;
  t.start = start;
  size_t i = start + 1;
  while (true) {
    if (i >= text.size()) return Invalid(start, text.size());
    if (text[i] == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        t.text += '\'';
        i += 2;
        continue;
      }
      t.end = i + 1;
      return t;
    }
    t.text += text[i++];
  }
}

Token ScanPicture(std::string_view text, size_t start) {
  Token t;
  t.kind = TokenKind::kPicture;
  t.start = start;
  size_t i = start + 1;
  char kind = i < text.size() ? AsciiUpper(text[i]) : '\0';
  if (kind == 'K' || kind == 'P') {
    size_t j = i + 1;
    while (j < text.size() && AsciiUpper(text[j]) != kind) ++j;
    if (j >= text.size()) return Invalid(start, text.size());
    ++j;
    if (j < text.size() && AsciiUpper(text[j]) == 'B') ++j;
    i = j;
  } else {
    bool quoted = false;
    while (i < text.size()) {
      char c = text[i];
      if (kind == 'N' && c == '~') quoted = !quoted;
      if (!quoted && (c == ' ' || c == '\t' || c == ',' || c == ')')) break;
      ++i;
    }
  }
  t.end = i;
  t.text.assign(text.substr(start, i - start));
  return t;
}

Token Single(TokenKind kind, size_t start) {
  Token t;
  t.kind = kind;
  t.start = start;
  t.end = start + 1;
  return t;
}

}  // namespace

bool IsNameStart(char c) { return c == '_' || IsLetter(c); }

bool IsNameCharacter(char c) { return IsNameStart(c) || IsDigit(c) || c == ':'; }

Token ScanToken(std::string_view text, size_t position) {
  size_t i = position;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i >= text.size()) {
    Token t;
    t.start = t.end = text.size();
    return t;
  }
  char c = text[i];
  if (IsNameStart(c) || (c == '?' && i + 1 < text.size() && IsNameStart(text[i + 1]))) {
    Token t;
    t.kind = TokenKind::kName;
    t.start = i;
    size_t j = i + 1;
    while (j < text.size() && IsNameCharacter(text[j])) ++j;
    if (j < text.size() && (text[j] == '#' || text[j] == '$' || text[j] == '"')) ++j;
    t.end = j;
    t.text.assign(text.substr(i, j - i));
    return t;
  }
  if (IsDigit(c) || c == '.') return ScanNumber(text, i);
  switch (c) {
    case '\'':
      return ScanString(text, i);
    case '@':
      return ScanPicture(text, i);
    case '(':
      return Single(TokenKind::kLeftParen, i);
    case ')':
      return Single(TokenKind::kRightParen, i);
    case '[':
      return Single(TokenKind::kLeftBracket, i);
    case ']':
      return Single(TokenKind::kRightBracket, i);
    case ',':
      return Single(TokenKind::kComma, i);
    case ':':
      return Single(TokenKind::kColon, i);
    case '^':
      return Single(TokenKind::kPower, i);
    case '*':
      return Single(TokenKind::kMultiply, i);
    case '/':
      return Single(TokenKind::kDivide, i);
    case '%':
      return Single(TokenKind::kModulus, i);
    case '+':
      return Single(TokenKind::kPlus, i);
    case '-':
      return Single(TokenKind::kMinus, i);
    case '&':
      return Single(TokenKind::kAmpersand, i);
    case '=':
      return Single(TokenKind::kEqual, i);
    case '<':
      return Single(TokenKind::kLess, i);
    case '>':
      return Single(TokenKind::kGreater, i);
    case '~':
      return Single(TokenKind::kTilde, i);
    default:
      return Invalid(i, i + 1);
  }
}

ExpressionLexer::ExpressionLexer(std::string_view text, size_t position)
    : text_(text), current_(ScanToken(text, position)) {}

const Token& ExpressionLexer::Next() {
  if (!has_next_) {
    next_ = current_.kind == TokenKind::kEnd ? current_ : ScanToken(text_, current_.end);
    has_next_ = true;
  }
  return next_;
}

void ExpressionLexer::Advance() {
  if (current_.kind == TokenKind::kEnd) return;
  if (has_next_) {
    current_ = std::move(next_);
    has_next_ = false;
  } else {
    current_ = ScanToken(text_, current_.end);
  }
}

bool ExpressionLexer::TakeRaw(std::string* raw) {
  size_t begin = current_.start;
  // current_.start is past skipped blanks; the raw text starts right after
  // the "(" the caller consumed, which ends where the blanks begin.
  while (begin > 0 && (text_[begin - 1] == ' ' || text_[begin - 1] == '\t')) --begin;
  int depth = 0;
  bool quoted = false;
  for (size_t i = begin; i < text_.size(); ++i) {
    char c = text_[i];
    if (c == '\'') quoted = !quoted;
    if (quoted) continue;
    if (c == '(') ++depth;
    if (c == ')' && depth-- == 0) {
      raw->assign(text_.substr(begin, i - begin));
      current_ = ScanToken(text_, i);
      has_next_ = false;
      return true;
    }
  }
  return false;
}

}  // namespace vaultara::data
