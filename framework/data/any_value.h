#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/decimal_accumulator.h"
#include "data/expression_value.h"
#include "data/record_declaration.h"

namespace vaultara::framework {

// The class a value takes part in comparisons with: the evaluator's classes
// (an AnyValue is never a picture).
using ValueClass = data::ValueClass;

// An any-value: a reference to a typed value that the caller keeps (a field
// of a record buffer, a program variable), or a private value that this
// object holds itself. Copying an AnyValue copies the reference, or the
// private value.
//
// Values follow the runtime's value rules:
// - a value's class is that of its type in expressions (ClassOfType in
//   data/field_value.h): integers, reals (decimals among them) and texts
//   (groups among them);
// - two values compare as an expression compares them (CompareValues in
//   data/expression_evaluator.h): as integers when both are integers, as
//   texts when both are texts (the shorter padded with blanks, by the
//   collation order), and as reals otherwise, a text then read as a number
//   by the rule below, so that a value compares equal to what it stores;
// - a text read as a number gives the number the decimal engine reads in it
//   (DecimalFromText in data/decimal_conversions.h): leading blanks skipped,
//   an optional "-", digits, a "." or "," and fraction digits, and after a
//   fraction an exponent ("1.5E3"); anything else ends it, and a text without
//   digits is 0. A number is truncated toward zero where an integer is
//   needed (IntegerFromReal);
// - a number read as text is written without blanks, exponent or trailing
//   fraction zeros (12, -0.5), so that the text reads back as the number: a
//   decimal with all its digits, a real with the fewest digits that give it
//   back;
// - storing wraps integers to the field's width, rounds decimals half away
//   from zero to their places (a value too wide for the field becomes the
//   field's largest), and cuts texts to the field (a STRING padded with
//   blanks, a CSTRING kept zero-terminated, a PSTRING with its length byte).
//
// A decimal stored into a decimal keeps every digit the destination has room
// for; comparisons and conversions to other types take decimals as reals, so
// about 15 significant digits of them count there.
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
  // The value in its own class; a text points into this value's bytes.
  data::ExpressionValue Natural() const;
  // The exact value of a decimal, or the decimal a number or text gives.
  data::DecimalAccumulator AsDecimal() const;
  // Rounds value to this decimal's places and stores it; a value too wide
  // for the field (or too_wide) stores the field's largest, negative when
  // the value is (or, for a zero, when negative is set).
  void StoreDecimal(data::DecimalAccumulator value, bool too_wide, bool negative);

  data::FieldType type_ = data::FieldType::kString;
  uint32_t size_ = 0;
  uint8_t places_ = 0;
  bool private_ = false;
  char* address_ = nullptr;
  std::vector<char> own_;
};

}  // namespace vaultara::framework
