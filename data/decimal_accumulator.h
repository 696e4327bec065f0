#pragma once

#include <array>
#include <cstdint>

namespace vaultara::data {

// Place numbering of an accumulator: place i weighs 10^(i - 32), so places
// 32..63 hold the integer digits 10^0..10^31 and places 0..31 the fraction
// digits 10^-32..10^-1.
inline constexpr int kDecimalPlaceCount = 64;
inline constexpr int kUnitsPlace = 32;
inline constexpr int kTopPlace = kDecimalPlaceCount - 1;

// A fixed-point decimal number of 64 places, one digit (0-9) per place. Only
// the places lowest..highest belong to the value; the digits outside that
// range are never read. Inside it leading and trailing zeros may stand until
// the value is normalised, and zero may carry the negative sign (every test
// treats it as zero).
struct DecimalAccumulator {
  std::array<uint8_t, kDecimalPlaceCount> digits{};
  uint8_t sign = 0;  // 0 positive, 1 negative
  uint8_t lowest = kUnitsPlace;
  uint8_t highest = kUnitsPlace;

  // The positive zero: the single digit 0 at the units place.
  static DecimalAccumulator Zero();
};

// Makes *value the positive zero.
void SetZero(DecimalAccumulator* value);

// -1, 0 or 1: 0 when every digit in range is 0, else by the sign.
int SignTest(const DecimalAccumulator& value);

// Drops leading and trailing zeros from the range; a value without a non-zero
// digit becomes the positive zero. Returns true when the value is now an exact
// power of ten (the single digit 1), and then sets *power_of_ten (when given)
// to its exponent.
bool Normalise(DecimalAccumulator* value, int* power_of_ten = nullptr);

// Rounds the magnitude half up to `places` fraction places (0..32); the sign
// stays, so -0.004 rounded to 2 places is a negative zero. A value that has no
// digit below 10^-places is left as it is.
void RoundToPlaces(DecimalAccumulator* value, int places);

// Drops the fraction places (toward zero); the sign stays.
void TruncateFractionPlaces(DecimalAccumulator* value);

}  // namespace vaultara::data
