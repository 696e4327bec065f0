#pragma once

#include <cstdint>
#include <string>

#include "data/field_type.h"

namespace vaultara::data {

// The digits and sign of a packed binary-coded decimal field. A field of s
// bytes holds 2s - 1 digits, most significant first; the field's decimal
// places say how many of the last ones are the fraction.
//
// DECIMAL keeps its sign in the high nibble of the first byte (any non-zero
// nibble reads as negative, 0xF is written for negative); PDECIMAL in the low
// nibble of the last byte (0xD negative, 0xF written for positive).
struct UnpackedDecimal {
  std::string digits;  // '0'-'9', 2s - 1 of them
  bool negative = false;

  // True when every digit is 0 (a zero may carry the negative sign).
  bool IsZero() const;
};

// Reads a DECIMAL or PDECIMAL field of size bytes. A nibble above 9 reads as
// 9, so any byte pattern gives a number.
UnpackedDecimal UnpackDecimal(FieldType type, const unsigned char* bytes, uint32_t size);
// Writes value into a field of size bytes. value.digits must hold 2s - 1
// digits; a zero is written positive.
void PackDecimal(FieldType type, const UnpackedDecimal& value, unsigned char* bytes, uint32_t size);

// Compares two decimals of the same width by value (-0 equals 0).
int CompareDecimals(const UnpackedDecimal& a, const UnpackedDecimal& b);

}  // namespace vaultara::data
