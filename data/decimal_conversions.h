#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/decimal_accumulator.h"
#include "data/digit_string.h"

namespace vaultara::data {

// Conversions between accumulators and the forms values are kept in.
//
// Stored forms are packed decimal, two digits a byte, most significant first;
// a field of `size` bytes holds 2 * size - 1 digits of which the last
// `places` are the fraction:
//   DECIMAL:  the first byte's high nibble is the sign (read: non-zero is
//             negative; written: 0xF negative, 0 positive), then the digits.
//   PDECIMAL: the digits from the first byte's high nibble; the last byte's
//             low nibble is the sign (read: 0xD negative; written: 0xD
//             negative, 0xF positive).
// So -12.34 in 3 bytes with 2 places is F0 12 34 as DECIMAL and 01 23 4D as
// PDECIMAL. Fields may have up to 32 places and 32 integer digits; digits
// beyond those are not read. A nibble above 9 reads as 0.

DecimalAccumulator DecimalFromStored(const uint8_t* bytes, size_t size, int places);
DecimalAccumulator DecimalFromPacked(const uint8_t* bytes, size_t size, int places);

// Rounds to the field's places and writes its digits; integer digits the
// field cannot hold are lost. A value that rounds to zero is written as a
// positive zero, so that equal values have equal bytes.
void StoreDecimal(DecimalAccumulator value, uint8_t* bytes, size_t size, int places);
void StorePacked(DecimalAccumulator value, uint8_t* bytes, size_t size, int places);

DecimalAccumulator DecimalFromLong(int32_t value);
DecimalAccumulator DecimalFromUnsignedLong(uint32_t value);

// The real's 15 most significant digits, rounded to nearest; 0.1 becomes
// exactly 0.1. Infinities and NaN give zero.
DecimalAccumulator DecimalFromReal(double value);

// The number a text spells: leading blanks, an optional "-", integer digits,
// then after a "." or "," the fraction digits, and after the fraction an "E"
// or "e" with an optional sign and exponent digits (only after a decimal
// point: "1E3" is 1, "1.E3" is 1000). Any other character ends the number; a
// text without a number (a leading "+" too) gives zero. At most 32 fraction
// digits are read.
DecimalAccumulator DecimalFromText(std::string_view text);

// The integer part, truncated toward zero, accumulated in 32-bit arithmetic
// (a value outside the range keeps the low 32 bits).
int32_t LongFromDecimal(const DecimalAccumulator& value);
// The same without the sign.
uint32_t UnsignedLongFromDecimal(const DecimalAccumulator& value);

// At most the 16 leading digits (the rest dropped, not rounded), scaled.
double RealFromDecimal(DecimalAccumulator value);

// "-" when negative, the integer digits ("0" when none), and "." with the
// fraction digits down to the last non-zero one; zero is "0". At most 66
// characters. *text is reused, so a caller that keeps it allocates once.
void TextFromDecimal(DecimalAccumulator value, std::string* text);

// The digit string for picture formatting: the digits from the higher of the
// highest place and the units place down to the lower of the lowest place and
// the units place, so the units digit is always there.
void DigitsFromDecimal(DecimalAccumulator value, DigitString* digits);

}  // namespace vaultara::data
