#pragma once

#include <cstdint>

#include "data/decimal_accumulator.h"

namespace vaultara::data {

// Exact decimal arithmetic on accumulators. None of these reports an error.
//
// Range: results keep at most 32 integer digits (10^0..10^31) and 32 fraction
// digits. A digit that would fall above 10^31 is lost (the value keeps its
// low places, as a binary integer keeps its low bits); one that would fall
// below 10^-32 is dropped.

// *a = *a + b.
void AddDecimals(DecimalAccumulator* a, const DecimalAccumulator& b);
// *a = *a - b.
void SubtractDecimals(DecimalAccumulator* a, const DecimalAccumulator& b);

// -1, 0 or 1: the sign of a - b. Zero of either sign compares equal to zero.
int CompareDecimals(const DecimalAccumulator& a, const DecimalAccumulator& b);

// *a = *a * b. Each partial product (a digit of b times a) is cut below
// 10^-32 before it is added, so the product is exact down to 10^-32 or
// slightly below the exact product when the exact one has more places.
void MultiplyDecimals(DecimalAccumulator* a, const DecimalAccumulator& b);

// *a = *a / b. A power-of-ten divisor shifts a (places that fall below
// 10^-32 are dropped). Otherwise the quotient is found to 10^-32 and rounded
// half up to 31 places: 1 / 3 is 0.333... (31 threes), 2 / 3 ends in 7.
// Division by zero, and zero divided by anything, give the positive zero.
void DivideDecimals(DecimalAccumulator* a, const DecimalAccumulator& b);

// *x = *x raised to the power n. n = 0 gives 1 (for a zero base too); n < 0
// gives 1 / x^|n|, so zero to a negative power is zero.
void RaiseDecimal(DecimalAccumulator* x, int32_t n);

}  // namespace vaultara::data
