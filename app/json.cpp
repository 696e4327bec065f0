#include "app/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vaultara::app {

// ---- Values ------------------------------------------------------------

JsonValue JsonValue::Bool(bool value) {
  JsonValue v;
  v.kind_ = Kind::kBool;
  v.bool_ = value;
  return v;
}

JsonValue JsonValue::Number(int64_t value) { return NumberText(std::to_string(value)); }
JsonValue JsonValue::Number(uint64_t value) { return NumberText(std::to_string(value)); }

JsonValue JsonValue::Number(double value) {
  if (!std::isfinite(value)) return JsonValue();
  char buffer[40];
  // The shortest text that reads back as the same double.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return NumberText(std::string(buffer, result.ptr));
}

JsonValue JsonValue::NumberText(std::string text) {
  JsonValue v;
  v.kind_ = Kind::kNumber;
  v.text_ = std::move(text);
  return v;
}

JsonValue JsonValue::String(std::string text) {
  JsonValue v;
  v.kind_ = Kind::kString;
  v.text_ = std::move(text);
  return v;
}

JsonValue JsonValue::Array(std::vector<JsonValue> items) {
  JsonValue v;
  v.kind_ = Kind::kArray;
  v.items_ = std::move(items);
  return v;
}

JsonValue JsonValue::Object(std::vector<Member> members) {
  JsonValue v;
  v.kind_ = Kind::kObject;
  v.members_ = std::move(members);
  return v;
}

std::optional<int64_t> JsonValue::AsInteger() const {
  if (kind_ != Kind::kNumber) return std::nullopt;
  int64_t value = 0;
  const char* begin = text_.data();
  const char* end = begin + text_.size();
  const auto result = std::from_chars(begin, end, value);
  if (result.ec == std::errc() && result.ptr == end) return value;
  // 1e3 or 5.0 are integers too, when exact.
  const double real = AsReal();
  if (std::isfinite(real) && std::trunc(real) == real && std::fabs(real) < 9.0e15) {
    return static_cast<int64_t>(real);
  }
  return std::nullopt;
}

double JsonValue::AsReal() const {
  double value = 0;
  std::from_chars(text_.data(), text_.data() + text_.size(), value);
  return value;
}

const JsonValue* JsonValue::Find(std::string_view name) const {
  for (const Member& member : members_) {
    if (member.first == name) return &member.second;
  }
  return nullptr;
}

// ---- Reading -----------------------------------------------------------

namespace {

constexpr int kMaxDepth = 200;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<JsonValue> Document(std::string* error) {
    SkipSpace();
    std::optional<JsonValue> value = Value(0);
    if (value) {
      SkipSpace();
      if (at_ != text_.size()) {
        Fail("unexpected text after the value");
        value.reset();
      }
    }
    if (!value && error != nullptr) *error = error_;
    return value;
  }

 private:
  void Fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at column " + std::to_string(at_ + 1);
  }
  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  std::optional<JsonValue> Value(int depth) {
    if (depth > kMaxDepth) {
      Fail("nesting too deep");
      return std::nullopt;
    }
    switch (Peek()) {
      case '{':
        return ObjectValue(depth);
      case '[':
        return ArrayValue(depth);
      case '"': {
        std::string text;
        if (!StringValue(&text)) return std::nullopt;
        return JsonValue::String(std::move(text));
      }
      case 't':
        if (Literal("true")) return JsonValue::Bool(true);
        break;
      case 'f':
        if (Literal("false")) return JsonValue::Bool(false);
        break;
      case 'n':
        if (Literal("null")) return JsonValue();
        break;
      default:
        if (Peek() == '-' || (Peek() >= '0' && Peek() <= '9')) return NumberValue();
        break;
    }
    Fail(AtEnd() ? "unexpected end" : "unexpected character");
    return std::nullopt;
  }

  std::optional<JsonValue> ObjectValue(int depth) {
    ++at_;
    JsonValue object = JsonValue::Object();
    SkipSpace();
    if (Peek() == '}') {
      ++at_;
      return object;
    }
    while (true) {
      SkipSpace();
      std::string name;
      if (Peek() != '"') {
        Fail("expected a member name");
        return std::nullopt;
      }
      if (!StringValue(&name)) return std::nullopt;
      SkipSpace();
      if (Peek() != ':') {
        Fail("expected ':'");
        return std::nullopt;
      }
      ++at_;
      SkipSpace();
      std::optional<JsonValue> value = Value(depth + 1);
      if (!value) return std::nullopt;
      object.Add(std::move(name), std::move(*value));
      SkipSpace();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      if (Peek() == '}') {
        ++at_;
        return object;
      }
      Fail("expected ',' or '}'");
      return std::nullopt;
    }
  }

  std::optional<JsonValue> ArrayValue(int depth) {
    ++at_;
    JsonValue array = JsonValue::Array();
    SkipSpace();
    if (Peek() == ']') {
      ++at_;
      return array;
    }
    while (true) {
      SkipSpace();
      std::optional<JsonValue> value = Value(depth + 1);
      if (!value) return std::nullopt;
      array.Append(std::move(*value));
      SkipSpace();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      if (Peek() == ']') {
        ++at_;
        return array;
      }
      Fail("expected ',' or ']'");
      return std::nullopt;
    }
  }

  std::optional<JsonValue> NumberValue() {
    const size_t start = at_;
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    } else {
      Fail("bad number");
      return std::nullopt;
    }
    if (Peek() == '.') {
      ++at_;
      if (!(Peek() >= '0' && Peek() <= '9')) {
        Fail("bad number");
        return std::nullopt;
      }
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!(Peek() >= '0' && Peek() <= '9')) {
        Fail("bad number");
        return std::nullopt;
      }
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    }
    return JsonValue::NumberText(std::string(text_.substr(start, at_ - start)));
  }

  bool Hex4(uint32_t* value) {
    if (at_ + 4 > text_.size()) return false;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      v <<= 4;
      if (c >= '0' && c <= '9') {
        v |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        v |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        v |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    *value = v;
    return true;
  }

  static void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | (code >> 6));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | (code >> 12));
      *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (code >> 18));
      *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool StringValue(std::string* out) {
    ++at_;
    while (true) {
      if (AtEnd()) {
        Fail("unterminated text");
        return false;
      }
      const char c = text_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        Fail("control character in text");
        return false;
      }
      if (c != '\\') {
        *out += c;
        ++at_;
        continue;
      }
      ++at_;
      const char e = Peek();
      ++at_;
      switch (e) {
        case '"':
        case '\\':
        case '/':
          *out += e;
          break;
        case 'b':
          *out += '\b';
          break;
        case 'f':
          *out += '\f';
          break;
        case 'n':
          *out += '\n';
          break;
        case 'r':
          *out += '\r';
          break;
        case 't':
          *out += '\t';
          break;
        case 'u': {
          uint32_t code = 0;
          if (!Hex4(&code)) {
            Fail("bad \\u escape");
            return false;
          }
          if (code >= 0xD800 && code < 0xDC00) {
            uint32_t low = 0;
            if (!Literal("\\u") || !Hex4(&low) || low < 0xDC00 || low >= 0xE000) {
              Fail("lone surrogate in \\u escape");
              return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code < 0xE000) {
            Fail("lone surrogate in \\u escape");
            return false;
          }
          AppendUtf8(code, out);
          break;
        }
        default:
          --at_;
          Fail("bad escape");
          return false;
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  std::string error_;
};

void Write(const JsonValue& value, std::string* out) {
  switch (value.kind()) {
    case JsonValue::Kind::kNull:
      *out += "null";
      break;
    case JsonValue::Kind::kBool:
      *out += value.bool_value() ? "true" : "false";
      break;
    case JsonValue::Kind::kNumber:
      *out += value.text();
      break;
    case JsonValue::Kind::kString:
      WriteJsonString(value.text(), out);
      break;
    case JsonValue::Kind::kArray: {
      *out += '[';
      bool first = true;
      for (const JsonValue& item : value.items()) {
        if (!first) *out += ", ";
        first = false;
        Write(item, out);
      }
      *out += ']';
      break;
    }
    case JsonValue::Kind::kObject: {
      *out += '{';
      bool first = true;
      for (const JsonValue::Member& member : value.members()) {
        if (!first) *out += ", ";
        first = false;
        WriteJsonString(member.first, out);
        *out += ": ";
        Write(member.second, out);
      }
      *out += '}';
      break;
    }
  }
}

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
  return Parser(text).Document(error);
}

void WriteJsonString(std::string_view text, std::string* out) {
  *out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        *out += "\\\"";
        break;
      case '\\':
        *out += "\\\\";
        break;
      case '\n':
        *out += "\\n";
        break;
      case '\r':
        *out += "\\r";
        break;
      case '\t':
        *out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
          *out += escape;
        } else {
          *out += c;
        }
        break;
    }
  }
  *out += '"';
}

std::string WriteJson(const JsonValue& value) {
  std::string out;
  Write(value, &out);
  return out;
}

}  // namespace vaultara::app
