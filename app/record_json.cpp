#include "app/record_json.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "data/decimal_conversions.h"
#include "data/statements.h"
#include "data/text_variable.h"
#include "platform/code_page.h"

namespace vaultara::app {

namespace {

using data::FieldType;

template <typename T>
T Load(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
void Store(char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

std::string Trimmed(std::string_view text) { return std::string(data::TrimRight(text)); }

// The text a text field holds, as the field's type keeps it.
std::string TextOf(FieldType type, const char* at, uint32_t length) {
  switch (type) {
    case FieldType::kCString: {
      const void* zero = std::memchr(at, 0, length);
      return Trimmed(std::string_view(at, zero ? static_cast<const char*>(zero) - at : length));
    }
    case FieldType::kPString: {
      const size_t count = std::min<size_t>(static_cast<uint8_t>(at[0]), length - 1);
      return Trimmed(std::string_view(at + 1, count));
    }
    default:
      return Trimmed(std::string_view(at, length));
  }
}

JsonValue ElementJson(const data::FieldDescriptor& f, const char* at) {
  switch (f.type) {
    case FieldType::kByte:
      return JsonValue::Number(static_cast<int64_t>(Load<uint8_t>(at)));
    case FieldType::kShort:
      return JsonValue::Number(static_cast<int64_t>(Load<int16_t>(at)));
    case FieldType::kUShort:
      return JsonValue::Number(static_cast<int64_t>(Load<uint16_t>(at)));
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return JsonValue::Number(static_cast<int64_t>(Load<int32_t>(at)));
    case FieldType::kULong:
      return JsonValue::Number(static_cast<int64_t>(Load<uint32_t>(at)));
    case FieldType::kSReal: {
      const float value = Load<float>(at);
      if (!std::isfinite(value)) return JsonValue();
      char buffer[32];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
      return JsonValue::NumberText(std::string(buffer, result.ptr));
    }
    case FieldType::kReal:
      return JsonValue::Number(Load<double>(at));
    case FieldType::kDecimal:
    case FieldType::kPDecimal: {
      const auto* bytes = reinterpret_cast<const uint8_t*>(at);
      const data::DecimalAccumulator value =
          f.type == FieldType::kDecimal
              ? data::DecimalFromStored(bytes, f.element_size, f.decimal_places)
              : data::DecimalFromPacked(bytes, f.element_size, f.decimal_places);
      std::string text;
      data::TextFromDecimal(value, &text);
      return JsonValue::String(text);
    }
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
      return JsonValue::String(platform::Utf8FromWindows1252(TextOf(f.type, at, f.element_size)));
    default:
      return JsonValue();
  }
}

// Whether a field has a value of its own in a record's JSON.
bool Shown(const data::FieldDescriptor& f) {
  return f.over < 0 && f.type != FieldType::kGroup && f.type != FieldType::kMemo &&
         f.type != FieldType::kBlob;
}

// The overlays the store knows of (a field declared before over the same
// bytes), so that they are left out like the declared ones.
bool IsOverlay(const TableLayout& table, size_t i) {
  const auto& fields = table.declaration().fields;
  return i < fields.size() && fields[i].overlay != 0;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

bool DecimalText(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  const size_t digits = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  bool any = i > digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    const size_t fraction = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    any = any || i > fraction;
  }
  return any && i == text.size();
}

// Stores one element; false with *error when the value does not fit.
bool StoreElement(const data::FieldDescriptor& f, const JsonValue& value, char* at,
                  std::string* error) {
  const std::string name = "\"" + platform::Utf8FromWindows1252(f.Name()) + "\"";
  auto integer = [&](int64_t low, int64_t high, int64_t* out) {
    const std::optional<int64_t> n = value.AsInteger();
    if (!value.is_number() || !n) {
      *error = name + " must be a whole number";
      return false;
    }
    if (*n < low || *n > high) {
      *error =
          name + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")";
      return false;
    }
    *out = *n;
    return true;
  };
  int64_t n = 0;
  switch (f.type) {
    case FieldType::kByte:
      if (!integer(0, 255, &n)) return false;
      Store(at, static_cast<uint8_t>(n));
      return true;
    case FieldType::kShort:
      if (!integer(-32768, 32767, &n)) return false;
      Store(at, static_cast<int16_t>(n));
      return true;
    case FieldType::kUShort:
      if (!integer(0, 65535, &n)) return false;
      Store(at, static_cast<uint16_t>(n));
      return true;
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      if (!integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), &n)) {
        return false;
      }
      Store(at, static_cast<int32_t>(n));
      return true;
    case FieldType::kULong:
      if (!integer(0, std::numeric_limits<uint32_t>::max(), &n)) return false;
      Store(at, static_cast<uint32_t>(n));
      return true;
    case FieldType::kSReal:
    case FieldType::kReal: {
      if (!value.is_number()) {
        *error = name + " must be a number";
        return false;
      }
      const double real = value.AsReal();
      if (f.type == FieldType::kSReal) {
        if (!std::isfinite(static_cast<float>(real))) {
          *error = name + " is out of range for SREAL";
          return false;
        }
        Store(at, static_cast<float>(real));
      } else {
        if (!std::isfinite(real)) {
          *error = name + " is out of range for REAL";
          return false;
        }
        Store(at, real);
      }
      return true;
    }
    case FieldType::kDecimal:
    case FieldType::kPDecimal: {
      if (!value.is_string() || !DecimalText(value.text())) {
        *error = name + " must be a decimal number in a text, such as \"-12.34\"";
        return false;
      }
      auto* bytes = reinterpret_cast<uint8_t*>(at);
      const data::DecimalAccumulator wanted = data::DecimalFromText(value.text());
      const int places = f.decimal_places;
      if (f.type == FieldType::kDecimal) {
        data::StoreDecimal(wanted, bytes, f.element_size, places);
      } else {
        data::StorePacked(wanted, bytes, f.element_size, places);
      }
      std::string want, got;
      data::TextFromDecimal(wanted, &want);
      data::TextFromDecimal(f.type == FieldType::kDecimal
                                ? data::DecimalFromStored(bytes, f.element_size, places)
                                : data::DecimalFromPacked(bytes, f.element_size, places),
                            &got);
      if (want != got) {
        *error = name + " does not fit in " + std::to_string(2 * f.element_size - 1) +
                 " digits with " + std::to_string(places) + " places";
        return false;
      }
      return true;
    }
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString: {
      if (!value.is_string()) {
        *error = name + " must be a text";
        return false;
      }
      const std::optional<std::string> text = platform::Windows1252FromUtf8(value.text());
      if (!text) {
        *error = name + " holds a character that Windows-1252 lacks";
        return false;
      }
      const uint32_t room = f.type == FieldType::kString ? f.element_size : f.element_size - 1;
      if (text->size() > room) {
        *error = name + " is too long (" + std::to_string(text->size()) + " characters, at most " +
                 std::to_string(room) + ")";
        return false;
      }
      if (f.type == FieldType::kPString) {
        at[0] = static_cast<char>(text->size());
        std::memcpy(at + 1, text->data(), text->size());
      } else {
        std::memcpy(at, text->data(), text->size());
        if (f.type == FieldType::kCString) at[text->size()] = '\0';
      }
      return true;
    }
    default:
      *error = name + " cannot be given a value";
      return false;
  }
}

bool StoreField(const data::FieldDescriptor& f, const JsonValue& value, char* record,
                std::string* error) {
  const uint32_t count = f.ElementCount();
  if (f.dimensions.empty()) return StoreElement(f, value, record + f.offset, error);
  if (!value.is_array() || value.items().size() > count) {
    *error = "\"" + platform::Utf8FromWindows1252(f.Name()) + "\" must be a list of at most " +
             std::to_string(count) + " values";
    return false;
  }
  for (size_t i = 0; i < value.items().size(); ++i) {
    if (!StoreElement(f, value.items()[i], record + f.offset + i * f.element_size, error)) {
      return false;
    }
  }
  return true;
}

// Blanks the text memos and empties the blobs.
void ClearMemos(data::FileControlBlock& file) {
  for (auto& memo : file.memos) {
    if (memo->flags & data::memo_flag::kBlob) {
      memo->buffer.clear();
    } else {
      std::fill(memo->buffer.begin(), memo->buffer.end(), ' ');
    }
  }
}

std::string MemoName(const data::MemoControlBlock& memo) {
  return memo.external_name.empty() ? memo.label : memo.external_name;
}

}  // namespace

JsonValue RecordToJson(TableLayout& table) {
  JsonValue json = JsonValue::Object();
  const auto& fields = table.record_declaration().fields;
  const char* record = table.record();
  for (size_t i = 0; i < fields.size(); ++i) {
    const data::FieldDescriptor& f = fields[i];
    if (!Shown(f) || IsOverlay(table, i)) continue;
    const std::string name = platform::Utf8FromWindows1252(f.Name());
    if (f.dimensions.empty()) {
      json.Add(name, ElementJson(f, record + f.offset));
      continue;
    }
    JsonValue items = JsonValue::Array();
    for (uint32_t e = 0; e < f.ElementCount(); ++e) {
      items.Append(ElementJson(f, record + f.offset + e * f.element_size));
    }
    json.Add(name, std::move(items));
  }
  data::FileControlBlock& file = table.file();
  for (size_t m = 0; m < file.memos.size(); ++m) {
    const data::MemoControlBlock& memo = *file.memos[m];
    std::string text;
    if (memo.flags & data::memo_flag::kBlob) {
      const auto number = static_cast<int32_t>(m + 1);
      const int32_t size = data::BlobSize(file, number);
      if (size > 0) text = data::BlobYield(file, number, 0, size - 1);
    } else {
      text = Trimmed(std::string_view(memo.buffer.data(), memo.buffer.size()));
    }
    json.Add(platform::Utf8FromWindows1252(MemoName(memo)),
             JsonValue::String(platform::Utf8FromWindows1252(text)));
  }
  return json;
}

bool RecordFromJson(const JsonValue& json, TableLayout& table, std::string* error) {
  data::FileControlBlock& file = table.file();
  const data::RecordDeclaration& declaration = table.record_declaration();
  ClearMemos(file);
  data::ClearRecord(declaration, table.record(), 0);
  if (!json.is_object()) {
    *error = "a record must be a JSON object";
    return false;
  }
  std::vector<std::pair<int32_t, std::string>> blobs;
  for (const JsonValue::Member& member : json.members()) {
    const std::optional<std::string> name = platform::Windows1252FromUtf8(member.first);
    const int32_t field = name ? declaration.Find(*name) : -1;
    if (field >= 0) {
      const data::FieldDescriptor& f = declaration.fields[static_cast<size_t>(field)];
      if (!Shown(f) || IsOverlay(table, static_cast<size_t>(field))) {
        *error = "\"" + member.first + "\" is a group or an overlay: give its fields instead";
      } else if (StoreField(f, member.second, table.record(), error)) {
        continue;
      }
      data::ClearRecord(declaration, table.record(), 0);
      return false;
    }
    auto memo = std::find_if(file.memos.begin(), file.memos.end(),
                             [&](const auto& m) { return name && SameName(MemoName(*m), *name); });
    if (memo == file.memos.end()) {
      *error = "no field or memo \"" + member.first + "\"";
      data::ClearRecord(declaration, table.record(), 0);
      return false;
    }
    const std::optional<std::string> text =
        member.second.is_string() ? platform::Windows1252FromUtf8(member.second.text())
                                  : std::nullopt;
    if (!text) {
      *error = "\"" + member.first + "\" must be a text Windows-1252 can hold";
    } else if (((*memo)->flags & data::memo_flag::kBlob) != 0) {
      blobs.emplace_back(static_cast<int32_t>(memo - file.memos.begin()) + 1, *text);
      continue;
    } else if (text->size() > (*memo)->buffer.size()) {
      *error = "\"" + member.first + "\" is too long (" + std::to_string(text->size()) +
               " characters, at most " + std::to_string((*memo)->buffer.size()) + ")";
    } else {
      std::copy(text->begin(), text->end(), (*memo)->buffer.begin());
      continue;
    }
    data::ClearRecord(declaration, table.record(), 0);
    ClearMemos(file);
    return false;
  }
  for (const auto& [number, bytes] : blobs) {
    if (data::BlobTake(file, number, 0, bytes) != 0) {
      *error = "a blob could not be written";
      return false;
    }
  }
  return true;
}

}  // namespace vaultara::app
