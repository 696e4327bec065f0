#include "store/key_component.h"

#include <algorithm>
#include <cstring>

namespace vaultara::store {

using data::FieldType;

namespace {

uint8_t Byte(char c) { return static_cast<uint8_t>(c); }

// The field's bytes most significant first (record images are little-endian).
std::string Reversed(const char* at, uint32_t size) {
  std::string bytes(at, size);
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

void Invert(std::string* bytes) {
  for (char& c : *bytes) c = static_cast<char>(~Byte(c));
}

// The text of a string component as the key sees it: its meaningful bytes,
// zero-filled to the field's size.
std::string TextOf(const KeyField& field, const char* at) {
  std::string text(at, field.size);
  if (field.type == FieldType::kCString) {
    const size_t end = text.find('\0');
    if (end != std::string::npos)
      std::fill(text.begin() + static_cast<long>(end), text.end(), '\0');
  } else if (field.type == FieldType::kPString) {
    // The length byte is not part of the value; the text cannot run past the
    // field however large the count claims to be.
    const size_t count = field.size == 0 ? 0 : std::min<size_t>(Byte(at[0]), field.size - 1);
    text.assign(at + (field.size == 0 ? 0 : 1), count);
    text.resize(field.size, '\0');
  }
  return text;
}

std::string CollatedText(const KeyField& field, const char* at, const KeyCollation& collation) {
  const data::CharacterTables& tables =
      collation.tables != nullptr ? *collation.tables : data::CurrentCharacterTables();
  std::string text = TextOf(field, at);
  if (collation.no_case) {
    for (char& c : text) {
      const uint8_t b = Byte(c);
      if ((tables.char_class[b] & data::kClassUpper) != 0 && tables.case_partner[b] != 0) {
        c = static_cast<char>(tables.case_partner[b]);
      }
    }
  }
  std::string key = data::CollationKey(
      text, tables, collation.oem ? data::KeyCharset::kOem : data::KeyCharset::kWindows,
      field.size);
  key.resize(field.size, '\0');  // expansion only lengthens; this is a guard
  return key;
}

}  // namespace

void EncodeComponent(const KeyField& field, bool descending, const char* record,
                     const KeyCollation& collation, std::string* out) {
  const char* at = record + field.offset;
  std::string bytes;
  bool invert = descending;
  switch (field.type) {
    case FieldType::kShort:
    case FieldType::kLong:
      bytes = Reversed(at, field.size);
      if (!bytes.empty()) bytes[0] = static_cast<char>(Byte(bytes[0]) ^ 0x80);
      break;
    case FieldType::kUShort:
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kULong:
      bytes = Reversed(at, field.size);
      break;
    case FieldType::kSReal:
    case FieldType::kReal:
      bytes = Reversed(at, field.size);
      if (!bytes.empty()) {
        if ((Byte(bytes[0]) & 0x80) != 0) {
          invert = !invert;
        } else {
          bytes[0] = static_cast<char>(Byte(bytes[0]) | 0x80);
        }
      }
      break;
    case FieldType::kDecimal:
      bytes.assign(at, field.size);
      if (!bytes.empty()) {
        uint8_t first = Byte(bytes[0]);
        if (first > 15) {
          first &= 0x0F;
          invert = !invert;
        }
        bytes[0] = static_cast<char>(first + 0x80);
      }
      break;
    case FieldType::kString:
    case FieldType::kGroup:
    case FieldType::kCString:
    case FieldType::kPString:
      bytes = CollatedText(field, at, collation);
      break;
    default:
      bytes.assign(at, field.size);
      break;
  }
  if (invert) Invert(&bytes);
  out->append(bytes);
}

bool IsBlankComponent(const KeyField& field, const char* record) {
  const char* at = record + field.offset;
  switch (field.type) {
    case FieldType::kString:
    case FieldType::kGroup:
      return std::all_of(at, at + field.size, [](char c) { return c == ' '; });
    case FieldType::kCString:
    case FieldType::kPString:
      return field.size == 0 || at[0] == '\0';
    default:
      return std::all_of(at, at + field.size, [](char c) { return c == '\0'; });
  }
}

bool IsKeyComponentType(data::FieldType type) {
  switch (type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
    case FieldType::kULong:
    case FieldType::kSReal:
    case FieldType::kReal:
    case FieldType::kDecimal:
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
    case FieldType::kGroup:
      return true;
    default:
      return false;
  }
}

}  // namespace vaultara::store
