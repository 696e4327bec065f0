#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/record_declaration.h"

namespace vaultara::framework {

// The class a value takes part in comparisons with.
enum class ValueClass : uint8_t { kInteger, kReal, kString };

// An any-value: a reference to a typed value that the caller keeps (a field
// of a record buffer, a program variable), or a private value that this
// object holds itself. Copying an AnyValue copies the reference, or the
// private value.
//
// Values follow the runtime's value rules:
// - the integer class holds BYTE, SHORT, USHORT, LONG, ULONG, DATE and TIME;
//   the real class SREAL, REAL, DECIMAL and PDECIMAL; the string class the
//   texts and groups;
// - two values compare as integers when both are integers, as texts when both
//   are texts (the shorter padded with blanks, by the collation order), and
//   as reals otherwise;
// - a text read as a number gives the number it starts with: leading blanks
//   skipped, an optional "-", digits, a "." or "," and fraction digits, and
//   after a fraction an exponent ("1.5E3"); anything else ends it, and a text
//   without digits is 0. A number is truncated toward zero where an integer
//   is needed;
// - a number read as text is written without blanks, exponent or trailing
//   fraction zeros (12, -0.5);
// - storing wraps integers to the field's width, rounds decimals to their
//   places (a value too wide for the field becomes the field's largest), and
//   cuts texts to the field (a STRING padded with blanks, a CSTRING kept
//   zero-terminated, a PSTRING with its length byte).
//
// Decimals are converted through 64-bit reals, so about 15 significant
// digits of them take part in comparisons and assignments.
class AnyValue {
 public:
  // Refers to nothing: reads as an empty text; storing into it does nothing.
  AnyValue() = default;

  // Refers to size bytes at address holding a value of type (places for the
  // decimals). address must outlive every use of the reference.
  static AnyValue Refer(data::FieldType type, void* address, uint32_t size, uint8_t places = 0);
  // Refers to field in record: its first element when it is an array; a
  // group is one text of all its bytes.
  static AnyValue Refer(const data::FieldDescriptor& field, char* record);
  static AnyValue Refer(int32_t& variable);
  static AnyValue Refer(double& variable);

  // A private value of this one's type and size, holding its blank value
  // (PrivateBlank) or a copy of its current value (PrivateCopy).
  AnyValue PrivateBlank() const;
  AnyValue PrivateCopy() const;

  bool IsEmpty() const { return size_ == 0; }
  bool IsPrivate() const { return private_; }
  data::FieldType Type() const { return type_; }
  ValueClass Class() const;

  int64_t AsInteger() const;
  double AsReal() const;
  std::string AsText() const;

  // Stores the value of from, converted to this value's type.
  void Assign(const AnyValue& from);
  // Stores this type's blank value: blanks in a STRING, an empty text,
  // zero in a number.
  void Clear();
  // True when the two values are equal by the comparison rules above.
  bool Equals(const AnyValue& other) const;

 private:
  char* data() { return private_ ? own_.data() : address_; }
  const char* data() const { return private_ ? own_.data() : address_; }
  void StoreText(const std::string& text);
  void StoreDecimal(double value);

  data::FieldType type_ = data::FieldType::kString;
  uint32_t size_ = 0;
  uint8_t places_ = 0;
  bool private_ = false;
  char* address_ = nullptr;
  std::vector<char> own_;
};

}  // namespace vaultara::framework
