#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "data/decimal_accumulator.h"
#include "data/expression_value.h"
#include "data/field_type.h"

namespace vaultara::data {

// How one element of a typed field lies in memory, read and written in one
// place for the expression evaluator, the field pairs and the comparisons of
// queues and keys. Numbers are kept in the machine's byte order; DECIMAL and
// PDECIMAL in the packed forms of decimal_conversions.h; texts as fixed-length
// STRING (blank-padded), zero-terminated CSTRING or length-prefixed PSTRING.

// Calls visit with a zero of the C++ type that holds one element of a
// fixed-size number type (BYTE uint8_t, SHORT int16_t, USHORT uint16_t,
// DATE, TIME and LONG int32_t, ULONG uint32_t, SREAL float, REAL double) and
// returns true; false, without calling it, for every other type.
template <typename Visit>
bool VisitNumberType(FieldType type, Visit&& visit) {
  switch (type) {
    case FieldType::kByte:
      visit(uint8_t{});
      return true;
    case FieldType::kShort:
      visit(int16_t{});
      return true;
    case FieldType::kUShort:
      visit(uint16_t{});
      return true;
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      visit(int32_t{});
      return true;
    case FieldType::kULong:
      visit(uint32_t{});
      return true;
    case FieldType::kSReal:
      visit(float{});
      return true;
    case FieldType::kReal:
      visit(double{});
      return true;
    default:
      return false;
  }
}

// The value of type T at `at`, which need not be aligned.
template <typename T>
T LoadNumber(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

inline bool IsDecimalType(FieldType type) {
  return type == FieldType::kDecimal || type == FieldType::kPDecimal;
}

// The class a value of the type takes part in expressions and comparisons:
// BYTE, SHORT, USHORT, DATE, TIME, LONG and ULONG are integers; SREAL, REAL,
// DECIMAL and PDECIMAL reals; every other type a text.
ValueClass ClassOfType(FieldType type);

// The text that one text element holds: a STRING or a group all its bytes, a
// CSTRING the characters before its terminator, a PSTRING the characters its
// length byte counts. Never reaches beyond the element's size bytes.
std::string_view ElementText(FieldType type, const char* element, uint32_t size);

// The exact value of a DECIMAL or PDECIMAL element of size bytes with places
// fraction digits.
DecimalAccumulator ReadDecimalElement(FieldType type, const char* at, uint32_t size,
                                      uint8_t places);

// The value of one element in its type's class: a number as it is (a
// decimal as the real RealFromDecimal makes of it), a text as ElementText,
// pointing into the element.
ExpressionValue ReadElement(FieldType type, const char* at, uint32_t size, uint8_t places);

// Stores into one element of a number type: an integer type takes value
// wrapped to its width, SREAL and REAL the real. Other types are left alone.
void WriteIntegerElement(FieldType type, char* at, int64_t value);
void WriteRealElement(FieldType type, char* at, double value);

// Rounds value to the element's places and writes it (see StoreDecimal and
// StorePacked in decimal_conversions.h).
void WriteDecimalElement(FieldType type, char* at, uint32_t size, uint8_t places,
                         const DecimalAccumulator& value);

// Stores text cut to one text element: a STRING (or group) padded with
// blanks, a CSTRING zero-filled behind the text and always terminated, a
// PSTRING with its length byte (at most 255) and zeros behind the text.
void WriteTextElement(FieldType type, char* at, uint32_t size, std::string_view text);

}  // namespace vaultara::data
