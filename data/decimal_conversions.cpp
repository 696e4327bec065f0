#include "data/decimal_conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/decimal_arithmetic.h"

namespace vaultara::data {
namespace {

uint8_t DigitOf(unsigned nibble) { return nibble <= 9 ? static_cast<uint8_t>(nibble) : 0; }

// Reads `count` digits, the k-th (from 0) taken by nibble(k), into places
// highest..highest - count + 1; places outside 0..63 are not read.
template <typename Nibble>
DecimalAccumulator LoadPacked(size_t size, int places, bool negative, Nibble nibble) {
  if (size == 0) return DecimalAccumulator::Zero();
  const int count = static_cast<int>(2 * size - 1);
  const int lowest = kUnitsPlace - std::clamp(places, 0, kUnitsPlace);
  const int highest = std::min(lowest + count - 1, kTopPlace);
  DecimalAccumulator value;
  value.sign = negative ? 1 : 0;
  value.lowest = static_cast<uint8_t>(lowest);
  value.highest = static_cast<uint8_t>(highest);
  for (int place = highest; place >= lowest; --place) {
    value.digits[place] = DigitOf(nibble(lowest + count - 1 - place));
  }
  return value;
}

// Writes the field's digits after rounding; digit(k, d) receives the k-th
// digit from the most significant one.
template <typename Put>
void WritePacked(DecimalAccumulator* value, size_t size, int places, Put put) {
  places = std::clamp(places, 0, kUnitsPlace);
  RoundToPlaces(value, places);
  const int count = static_cast<int>(2 * size - 1);
  const int lowest = kUnitsPlace - places;
  for (int k = 0; k < count; ++k) {
    const int place = lowest + count - 1 - k;
    const bool held = place >= value->lowest && place <= value->highest;
    put(k, held ? value->digits[place] : 0);
  }
}

DecimalAccumulator FromDigits(const char* digits, int count, int first_place, bool negative) {
  // Places the digits so that the first one stands at first_place; digits
  // outside 0..63 are dropped.
  DecimalAccumulator value;
  int low = kDecimalPlaceCount;
  int high = -1;
  for (int i = 0; i < count; ++i) {
    const int place = first_place - i;
    if (place < 0 || place > kTopPlace) continue;
    value.digits[place] = static_cast<uint8_t>(digits[i] - '0');
    low = std::min(low, place);
    high = std::max(high, place);
  }
  if (high < 0) return DecimalAccumulator::Zero();
  value.lowest = static_cast<uint8_t>(low);
  value.highest = static_cast<uint8_t>(high);
  value.sign = negative ? 1 : 0;
  return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

DecimalAccumulator DecimalFromStored(const uint8_t* bytes, size_t size, int places) {
  const bool negative = size > 0 && (bytes[0] >> 4) != 0;
  return LoadPacked(size, places, negative, [bytes](int k) {
    const int n = k + 1;  // the sign takes the first nibble
    return (n % 2 == 0) ? bytes[n / 2] >> 4 : bytes[n / 2] & 0x0F;
  });
}

DecimalAccumulator DecimalFromPacked(const uint8_t* bytes, size_t size, int places) {
  const bool negative = size > 0 && (bytes[size - 1] & 0x0F) == 0x0D;
  return LoadPacked(size, places, negative, [bytes](int k) {
    return (k % 2 == 0) ? bytes[k / 2] >> 4 : bytes[k / 2] & 0x0F;
  });
}

void StoreDecimal(DecimalAccumulator value, uint8_t* bytes, size_t size, int places) {
  if (size == 0) return;
  std::fill(bytes, bytes + size, 0);
  WritePacked(&value, size, places, [bytes](int k, uint8_t d) {
    const int n = k + 1;
    bytes[n / 2] |= (n % 2 == 0) ? static_cast<uint8_t>(d << 4) : d;
  });
  if (SignTest(value) < 0) bytes[0] |= 0xF0;
}

void StorePacked(DecimalAccumulator value, uint8_t* bytes, size_t size, int places) {
  if (size == 0) return;
  std::fill(bytes, bytes + size, 0);
  WritePacked(&value, size, places, [bytes](int k, uint8_t d) {
    bytes[k / 2] |= (k % 2 == 0) ? static_cast<uint8_t>(d << 4) : d;
  });
  bytes[size - 1] |= SignTest(value) < 0 ? 0x0D : 0x0F;
}

DecimalAccumulator DecimalFromUnsignedLong(uint32_t value) {
  DecimalAccumulator result = DecimalAccumulator::Zero();
  int place = kUnitsPlace;
  do {
    result.digits[place] = static_cast<uint8_t>(value % 10);
    result.highest = static_cast<uint8_t>(place++);
    value /= 10;
  } while (value != 0);
  return result;
}

DecimalAccumulator DecimalFromLong(int32_t value) {
  const uint32_t magnitude =
      value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  DecimalAccumulator result = DecimalFromUnsignedLong(magnitude);
  result.sign = value < 0 ? 1 : 0;
  return result;
}

DecimalAccumulator DecimalFromReal(double value) {
  if (!std::isfinite(value) || value == 0) return DecimalAccumulator::Zero();
  // d.dddddddddddddde+XX: 15 significant digits, rounded to nearest.
  char text[32];
  const auto end =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific, 14)
          .ptr;
  char digits[15];
  int count = 0;
  const char* p = text;
  for (; p < end && *p != 'e'; ++p) {
    if (IsDigit(*p)) digits[count++] = *p;
  }
  int exponent = 0;
  std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
  return FromDigits(digits, count, kUnitsPlace + exponent, value < 0);
}

DecimalAccumulator DecimalFromText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  // Integer digits, without leading zeros; only the low 32 are kept.
  char digits[kDecimalPlaceCount];
  int integer_count = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (integer_count > 0 || text[i] != '0') {
      if (integer_count == kUnitsPlace) {
        std::copy(digits + 1, digits + kUnitsPlace, digits);
        --integer_count;
      }
      digits[integer_count++] = text[i];
    }
    ++i;
  }
  int fraction_count = 0;
  bool point = false;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    point = true;
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      if (fraction_count < kUnitsPlace) digits[integer_count + fraction_count++] = text[i];
      ++i;
    }
  }
  DecimalAccumulator value =
      FromDigits(digits, integer_count + fraction_count, kUnitsPlace - 1 + integer_count, negative);
  if (integer_count + fraction_count == 0) value = DecimalAccumulator::Zero();
  if (point && i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool negative_exponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative_exponent = text[i++] == '-';
    int32_t exponent = 0;
    while (i < text.size() && IsDigit(text[i])) {
      // Beyond a few hundred the result is zero or lost either way.
      exponent = std::min(exponent * 10 + (text[i] - '0'), 100000);
      ++i;
    }
    DecimalAccumulator scale = DecimalFromLong(10);
    RaiseDecimal(&scale, negative_exponent ? -exponent : exponent);
    MultiplyDecimals(&value, scale);
  }
  return value;
}

uint32_t UnsignedLongFromDecimal(const DecimalAccumulator& value) {
  if (value.highest < kUnitsPlace) return 0;
  uint32_t result = 0;
  const int stop = std::max<int>(value.lowest, kUnitsPlace);
  for (int place = value.highest; place >= stop; --place)
    result = result * 10 + value.digits[place];
  for (int place = kUnitsPlace; place < value.lowest; ++place) result *= 10;
  return result;
}

int32_t LongFromDecimal(const DecimalAccumulator& value) {
  uint32_t result = UnsignedLongFromDecimal(value);
  if (value.sign) result = 0u - result;
  return static_cast<int32_t>(result);
}

double RealFromDecimal(DecimalAccumulator value) {
  Normalise(&value);
  const int last = std::max<int>(value.lowest, value.highest - 15);
  double result = 0;
  for (int place = value.highest; place >= last; --place)
    result = result * 10 + value.digits[place];
  static constexpr double kPowers[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7, 1e8,
                                       1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};
  int power = last - kUnitsPlace;
  const bool up = power > 0;
  power = std::abs(power);
  if (power > 15) {
    result = up ? result * kPowers[16] : result / kPowers[16];
    power -= 16;
  }
  result = up ? result * kPowers[power] : result / kPowers[power];
  return value.sign ? -result : result;
}

void TextFromDecimal(DecimalAccumulator value, std::string* text) {
  Normalise(&value);
  text->clear();
  if (value.sign) text->push_back('-');
  if (value.highest < kUnitsPlace) text->push_back('0');
  for (int place = value.highest; place >= kUnitsPlace; --place) {
    if (place >= value.lowest) {
      text->push_back(static_cast<char>('0' + value.digits[place]));
    } else {
      text->push_back('0');  // 1200: the range ends at the hundreds
    }
  }
  if (value.lowest < kUnitsPlace) {
    text->push_back('.');
    for (int place = kUnitsPlace - 1; place >= value.lowest; --place) {
      const bool held = place <= value.highest;
      text->push_back(static_cast<char>('0' + (held ? value.digits[place] : 0)));
    }
  }
}

void DigitsFromDecimal(DecimalAccumulator value, DigitString* digits) {
  Normalise(&value);
  const int high = std::max<int>(value.highest, kUnitsPlace);
  const int low = std::min<int>(value.lowest, kUnitsPlace);
  digits->digits.clear();
  for (int place = high; place >= low; --place) {
    const bool held = place >= value.lowest && place <= value.highest;
    digits->digits.push_back(static_cast<char>('0' + (held ? value.digits[place] : 0)));
  }
  digits->integer_digits = value.highest >= kUnitsPlace ? value.highest - (kUnitsPlace - 1) : 1;
  digits->negative = value.sign != 0;
}

}  // namespace vaultara::data
