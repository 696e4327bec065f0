#include "data/packed_digits.h"

namespace vaultara::data {

bool UnpackedDecimal::IsZero() const {
  for (char c : digits) {
    if (c != '0') return false;
  }
  return true;
}

namespace {

char DigitOf(unsigned nibble) { return static_cast<char>('0' + (nibble > 9 ? 9 : nibble)); }

unsigned NibbleOf(char digit) {
  return (digit >= '0' && digit <= '9') ? static_cast<unsigned>(digit - '0') : 0;
}

}  // namespace

// DECIMAL: [sign|d1][d2|d3]...; PDECIMAL: [d1|d2]...[dn|sign]. Either way the
// 2s nibbles are the sign plus 2s - 1 digits; only the sign's place differs.
UnpackedDecimal UnpackDecimal(FieldType type, const unsigned char* bytes, uint32_t size) {
  UnpackedDecimal value;
  if (size == 0) return value;
  const uint32_t nibbles = 2 * size;
  const bool sign_first = type == FieldType::kDecimal;
  value.digits.reserve(nibbles - 1);
  for (uint32_t i = 0; i < nibbles; ++i) {
    unsigned nibble = (i % 2 == 0) ? (bytes[i / 2] >> 4) : (bytes[i / 2] & 0x0F);
    bool is_sign = sign_first ? i == 0 : i == nibbles - 1;
    if (is_sign) {
      value.negative = sign_first ? nibble != 0 : nibble == 0x0D;
    } else {
      value.digits.push_back(DigitOf(nibble));
    }
  }
  return value;
}

void PackDecimal(FieldType type, const UnpackedDecimal& value, unsigned char* bytes,
                 uint32_t size) {
  if (size == 0) return;
  const uint32_t nibbles = 2 * size;
  const bool sign_first = type == FieldType::kDecimal;
  const bool negative = value.negative && !value.IsZero();
  unsigned sign = sign_first ? (negative ? 0x0F : 0x00) : (negative ? 0x0D : 0x0F);
  size_t next_digit = 0;
  for (uint32_t i = 0; i < nibbles; ++i) {
    bool is_sign = sign_first ? i == 0 : i == nibbles - 1;
    unsigned nibble = sign;
    if (!is_sign) {
      nibble = next_digit < value.digits.size() ? NibbleOf(value.digits[next_digit]) : 0;
      ++next_digit;
    }
    if (i % 2 == 0) {
      bytes[i / 2] = static_cast<unsigned char>(nibble << 4);
    } else {
      bytes[i / 2] = static_cast<unsigned char>(bytes[i / 2] | nibble);
    }
  }
}

int CompareDecimals(const UnpackedDecimal& a, const UnpackedDecimal& b) {
  const bool a_negative = a.negative && !a.IsZero();
  const bool b_negative = b.negative && !b.IsZero();
  if (a_negative != b_negative) return a_negative ? -1 : 1;
  int magnitude = a.digits.compare(b.digits);
  magnitude = magnitude < 0 ? -1 : (magnitude > 0 ? 1 : 0);
  return a_negative ? -magnitude : magnitude;
}

}  // namespace vaultara::data
