#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vaultara::app {

// A JSON value: null, true or false, a number, a text, an array or an
// object. Texts are UTF-8. A number keeps the text it was written with, so
// that integers of any size are read back exactly; objects keep their
// members in the order written (a name given twice keeps both).
class JsonValue {
 public:
  enum class Kind : uint8_t { kNull, kBool, kNumber, kString, kArray, kObject };
  using Member = std::pair<std::string, JsonValue>;

  JsonValue() = default;
  static JsonValue Bool(bool value);
  static JsonValue Number(int64_t value);
  static JsonValue Number(uint64_t value);
  // A finite real, written with as many digits as reading it back needs.
  static JsonValue Number(double value);
  // A number as written; the text must be a JSON number.
  static JsonValue NumberText(std::string text);
  static JsonValue String(std::string text);
  static JsonValue Array(std::vector<JsonValue> items = {});
  static JsonValue Object(std::vector<Member> members = {});

  Kind kind() const { return kind_; }
  bool is_null() const { return kind_ == Kind::kNull; }
  bool is_bool() const { return kind_ == Kind::kBool; }
  bool is_number() const { return kind_ == Kind::kNumber; }
  bool is_string() const { return kind_ == Kind::kString; }
  bool is_array() const { return kind_ == Kind::kArray; }
  bool is_object() const { return kind_ == Kind::kObject; }

  bool bool_value() const { return bool_; }
  // The number's text (numbers) or the text (strings).
  const std::string& text() const { return text_; }
  // The number as an integer when it is one (no fraction, no exponent
  // giving one, within range); nullopt otherwise.
  std::optional<int64_t> AsInteger() const;
  // The number as a real.
  double AsReal() const;

  const std::vector<JsonValue>& items() const { return items_; }
  const std::vector<Member>& members() const { return members_; }
  // The first member of that name, or nullptr.
  const JsonValue* Find(std::string_view name) const;

  void Append(JsonValue item) { items_.push_back(std::move(item)); }
  void Add(std::string name, JsonValue value) {
    members_.emplace_back(std::move(name), std::move(value));
  }

 private:
  Kind kind_ = Kind::kNull;
  bool bool_ = false;
  std::string text_;
  std::vector<JsonValue> items_;
  std::vector<Member> members_;
};

// Reads one JSON value that makes up the whole of text (white space around
// it allowed). On failure returns nullopt and sets *error to what is wrong
// and where ("unexpected character at column 7"). Nesting deeper than 200
// levels is refused.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error);

// Writes value on one line, members and items separated by ", " and names
// by ": ". Texts are written as UTF-8 with ", \ and control characters
// escaped.
std::string WriteJson(const JsonValue& value);
// Appends the quoted, escaped form of text.
void WriteJsonString(std::string_view text, std::string* out);

}  // namespace vaultara::app
