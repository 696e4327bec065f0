#include "data/decimal_arithmetic.h"

#include <algorithm>
#include <cstring>

namespace vaultara::data {
namespace {

// Widens a value's range to low..high with zeros in the new places.
void Widen(DecimalAccumulator* value, int low, int high) {
  for (int place = low; place < value->lowest; ++place) value->digits[place] = 0;
  for (int place = value->highest + 1; place <= high; ++place) value->digits[place] = 0;
  value->lowest = static_cast<uint8_t>(low);
  value->highest = static_cast<uint8_t>(high);
}

// Compares the magnitudes of two values aligned over low..high.
int CompareMagnitudes(const DecimalAccumulator& a, const DecimalAccumulator& b) {
  DecimalAccumulator x = a;
  DecimalAccumulator y = b;
  const int low = std::min(x.lowest, y.lowest);
  const int high = std::max(x.highest, y.highest);
  Widen(&x, low, high);
  Widen(&y, low, high);
  for (int place = high; place >= low; --place) {
    if (x.digits[place] != y.digits[place]) return x.digits[place] < y.digits[place] ? -1 : 1;
  }
  return 0;
}

// Unsigned decimal integers of up to kWide digits, least significant first,
// for the long division.
constexpr int kWide = 192;
struct WideNumber {
  uint8_t digit[kWide];
  int length;  // digits in use; no leading zeros except for zero itself (length 0)
};

void Trim(WideNumber* n) {
  while (n->length > 0 && n->digit[n->length - 1] == 0) --n->length;
}

int CompareWide(const WideNumber& a, const WideNumber& b) {
  if (a.length != b.length) return a.length < b.length ? -1 : 1;
  for (int i = a.length - 1; i >= 0; --i) {
    if (a.digit[i] != b.digit[i]) return a.digit[i] < b.digit[i] ? -1 : 1;
  }
  return 0;
}

// a -= b, where a >= b.
void SubtractWide(WideNumber* a, const WideNumber& b) {
  int borrow = 0;
  for (int i = 0; i < a->length; ++i) {
    int d = a->digit[i] - borrow - (i < b.length ? b.digit[i] : 0);
    borrow = d < 0;
    a->digit[i] = static_cast<uint8_t>(d + (borrow ? 10 : 0));
  }
  Trim(a);
}

// Loads a value's digits low..high, followed by `zeros` zero digits below.
void LoadWide(const DecimalAccumulator& value, int zeros, WideNumber* n) {
  n->length = 0;
  for (int i = 0; i < zeros; ++i) n->digit[n->length++] = 0;
  for (int place = value.lowest; place <= value.highest; ++place) {
    n->digit[n->length++] = value.digits[place];
  }
  Trim(n);
}

}  // namespace

void AddDecimals(DecimalAccumulator* a, const DecimalAccumulator& b_in) {
  DecimalAccumulator b = b_in;
  const int low = std::min(a->lowest, b.lowest);
  const int high = std::min(std::max(a->highest, b.highest) + 1, kTopPlace);
  Widen(a, low, high);
  Widen(&b, low, high);
  if (a->sign == b.sign) {
    int carry = 0;
    for (int place = low; place <= high; ++place) {
      const int sum = a->digits[place] + b.digits[place] + carry;
      carry = sum >= 10;
      a->digits[place] = static_cast<uint8_t>(sum - (carry ? 10 : 0));
    }
    return;  // a carry out of 10^31 is lost
  }
  int borrow = 0;
  for (int place = low; place <= high; ++place) {
    int d = a->digits[place] - b.digits[place] - borrow;
    borrow = d < 0;
    a->digits[place] = static_cast<uint8_t>(d + (borrow ? 10 : 0));
  }
  if (borrow) {
    // The digits hold 10^n + (a - b); its ten's complement is b - a.
    int carry = 1;
    for (int place = low; place <= high; ++place) {
      const int d = 9 - a->digits[place] + carry;
      carry = d >= 10;
      a->digits[place] = static_cast<uint8_t>(d - (carry ? 10 : 0));
    }
    a->sign ^= 1;
  }
  if (SignTest(*a) == 0) a->sign = 0;
}

void SubtractDecimals(DecimalAccumulator* a, const DecimalAccumulator& b) {
  DecimalAccumulator negated = b;
  negated.sign ^= 1;
  AddDecimals(a, negated);
}

int CompareDecimals(const DecimalAccumulator& a, const DecimalAccumulator& b) {
  const int sa = SignTest(a);
  const int sb = SignTest(b);
  if (sa != sb) return sa < sb ? -1 : 1;
  if (sa == 0) return 0;
  const int magnitude = CompareMagnitudes(a, b);
  return sa < 0 ? -magnitude : magnitude;
}

void MultiplyDecimals(DecimalAccumulator* a, const DecimalAccumulator& b_in) {
  DecimalAccumulator b = b_in;
  Normalise(a);
  Normalise(&b);
  const uint8_t sign = a->sign ^ b.sign;
  const int low = a->lowest + b.lowest - kUnitsPlace;
  if (low > kTopPlace) {
    SetZero(a);
    return;
  }
  // Sums by place; a partial product reaches at most place 63 + 63 - 32 + 1.
  int sum[2 * kDecimalPlaceCount] = {};
  // The multiples 1 x a .. 9 x a, each made once when b first needs it.
  uint8_t multiple[10][kDecimalPlaceCount + 1];
  bool made[10] = {};
  const int width = a->highest - a->lowest + 2;  // one more digit for the carry
  for (int place = b.lowest; place <= b.highest; ++place) {
    const int d = b.digits[place];
    if (d == 0) continue;
    if (!made[d]) {
      int carry = 0;
      for (int i = 0; i < width; ++i) {
        const int p = a->lowest + i;
        const int product = (p <= a->highest ? a->digits[p] * d : 0) + carry;
        multiple[d][i] = static_cast<uint8_t>(product % 10);
        carry = product / 10;
      }
      made[d] = true;
    }
    const int offset = a->lowest + place - kUnitsPlace;
    for (int i = 0; i < width; ++i) {
      if (offset + i >= 0) sum[offset + i] += multiple[d][i];  // places below 0 are dropped
    }
  }
  int carry = 0;
  int top = std::max(low, 0);
  for (int p = 0; p < 2 * kDecimalPlaceCount; ++p) {
    const int v = sum[p] + carry;
    sum[p] = v % 10;
    carry = v / 10;
    if (sum[p] != 0) top = p;
  }
  a->sign = sign;
  a->lowest = static_cast<uint8_t>(std::max(low, 0));
  a->highest = static_cast<uint8_t>(std::min(std::max<int>(top, a->lowest), kTopPlace));
  for (int p = a->lowest; p <= a->highest; ++p) a->digits[p] = static_cast<uint8_t>(sum[p]);
  Normalise(a);
}

void DivideDecimals(DecimalAccumulator* a, const DecimalAccumulator& b_in) {
  DecimalAccumulator b = b_in;
  int power = 0;
  const bool power_of_ten = Normalise(&b, &power);
  if (SignTest(*a) == 0 || SignTest(b) == 0) {
    SetZero(a);
    return;
  }
  Normalise(a);
  const uint8_t sign = a->sign ^ b.sign;
  if (power_of_ten) {
    const int low = a->lowest - power;
    const int high = std::min(a->highest - power, kTopPlace);
    if (high <= 0 || low > kTopPlace) {
      SetZero(a);
      return;
    }
    DecimalAccumulator shifted;
    shifted.sign = sign;
    shifted.lowest = static_cast<uint8_t>(std::max(low, 0));
    shifted.highest = static_cast<uint8_t>(high);
    for (int p = shifted.lowest; p <= high; ++p) shifted.digits[p] = a->digits[p + power];
    *a = shifted;
    return;
  }
  // A very long divisor loses its lowest three places.
  if (b.highest - b.lowest + 1 > 60 && b.lowest < 3) {
    b.lowest = 3;
    Normalise(&b);
  }
  // The quotient scaled by 10^32 is floor(A * 10^e / B) with A and B the
  // digit strings of a and b and e = la - lb + 32.
  static_assert(2 * kDecimalPlaceCount + kUnitsPlace < kWide);
  const int e = a->lowest - b.lowest + kUnitsPlace;
  WideNumber dividend, divisor;
  LoadWide(*a, std::max(e, 0), &dividend);
  LoadWide(b, std::max(-e, 0), &divisor);
  WideNumber remainder{{}, 0};
  uint8_t quotient[kWide] = {};
  for (int i = dividend.length - 1; i >= 0; --i) {
    // remainder = remainder * 10 + next digit
    std::memmove(remainder.digit + 1, remainder.digit, static_cast<size_t>(remainder.length));
    remainder.digit[0] = dividend.digit[i];
    ++remainder.length;
    Trim(&remainder);
    int q = 0;
    while (CompareWide(remainder, divisor) >= 0) {
      SubtractWide(&remainder, divisor);
      ++q;
    }
    quotient[i] = static_cast<uint8_t>(q);
  }
  DecimalAccumulator result;
  result.sign = sign;
  result.lowest = 0;
  result.highest = 0;
  for (int p = 0; p <= kTopPlace; ++p) {
    result.digits[p] = quotient[p];
    if (quotient[p] != 0) result.highest = static_cast<uint8_t>(p);
  }
  RoundToPlaces(&result, kUnitsPlace - 1);
  *a = result;
}

void RaiseDecimal(DecimalAccumulator* x, int32_t n) {
  DecimalAccumulator result;
  result.digits[kUnitsPlace] = 1;
  if (n == 0) {
    *x = result;
    return;
  }
  const uint8_t sign = (x->sign && (n & 1)) ? 1 : 0;
  DecimalAccumulator base = *x;
  base.sign = 0;
  uint32_t bits = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
  while (true) {
    if (bits & 1) MultiplyDecimals(&result, base);
    bits >>= 1;
    if (bits == 0) break;
    DecimalAccumulator square = base;
    MultiplyDecimals(&square, base);
    base = square;
  }
  if (n < 0) {
    DecimalAccumulator one;
    one.digits[kUnitsPlace] = 1;
    DivideDecimals(&one, result);
    result = one;
  }
  result.sign = SignTest(result) == 0 ? 0 : sign;
  *x = result;
}

}  // namespace vaultara::data
