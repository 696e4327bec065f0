#include "data/field_compare.h"

#include <cmath>
#include <cstring>
#include <string>

#include "data/character_tables.h"
#include "data/decimal_arithmetic.h"
#include "data/decimal_conversions.h"

namespace vaultara::data {

namespace {

template <typename T>
int CompareAs(const char* a, const char* b) {
  const T x = LoadNumber<T>(a);
  const T y = LoadNumber<T>(b);
  if constexpr (std::is_floating_point_v<T>) {
    // NaN equals NaN and sorts last, so the order stays total.
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) - std::isnan(y);
  }
  return x < y ? -1 : (y < x ? 1 : 0);
}

bool IsText(FieldType type) {
  return type == FieldType::kString || type == FieldType::kCString || type == FieldType::kPString ||
         type == FieldType::kGroup;
}

int CompareElements(FieldType type, const char* a, const char* b, uint32_t size, uint8_t places) {
  int c = 0;
  if (VisitNumberType(type, [&](auto zero) { c = CompareAs<decltype(zero)>(a, b); })) return c;
  if (IsDecimalType(type)) {
    return CompareDecimals(ReadDecimalElement(type, a, size, places),
                           ReadDecimalElement(type, b, size, places));
  }
  if (IsText(type)) {
    return CompareBlankPadded(ElementText(type, a, size), ElementText(type, b, size));
  }
  return 0;  // memos and blobs live outside the record
}

constexpr uint32_t kFnvOffset = 2166136261u;
constexpr uint32_t kFnvPrime = 16777619u;

uint32_t HashBytes(std::string_view bytes, uint32_t h = kFnvOffset) {
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * kFnvPrime;
  return h;
}

uint32_t HashNumber(uint64_t bits) {
  bits ^= bits >> 33;
  bits *= 0xff51afd7ed558ccdULL;
  bits ^= bits >> 33;
  return static_cast<uint32_t>(bits);
}

template <typename T>
uint32_t HashAs(const char* at) {
  const T value = LoadNumber<T>(at);
  if constexpr (std::is_floating_point_v<T>) {
    double d = value;
    if (std::isnan(d)) return 1;
    if (d == 0) return 0;  // -0 equals 0
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return HashNumber(bits);
  } else {
    return HashNumber(static_cast<uint64_t>(static_cast<int64_t>(value)));
  }
}

// Texts equal under blank padding have collation keys that differ only in
// trailing blank weights.
uint32_t HashText(std::string_view text) {
  std::string key = CollationKey(text);
  const std::string blank = CollationKey(" ");
  while (!blank.empty() && key.size() >= blank.size() &&
         key.compare(key.size() - blank.size(), blank.size(), blank) == 0) {
    key.resize(key.size() - blank.size());
  }
  return HashBytes(key);
}

// Decimals that compare equal have the same text (zero of either sign is
// "0", and no text has leading or trailing zeros).
uint32_t HashElement(FieldType type, const char* at, uint32_t size, uint8_t places) {
  uint32_t h = 0;
  if (VisitNumberType(type, [&](auto zero) { h = HashAs<decltype(zero)>(at); })) return h;
  if (IsDecimalType(type)) {
    std::string text;
    TextFromDecimal(ReadDecimalElement(type, at, size, places), &text);
    return HashBytes(text);
  }
  return IsText(type) ? HashText(ElementText(type, at, size)) : 0;
}

}  // namespace

uint32_t HashFieldValue(const FieldDescriptor& field, const char* record) {
  const char* at = record + field.offset;
  if (field.type == FieldType::kGroup) return HashElement(field.type, at, field.size, 0);
  uint32_t h = 0;
  for (uint32_t i = 0; i < field.ElementCount(); ++i) {
    h = h * 31 + HashElement(field.type, at + i * field.element_size, field.element_size,
                             field.decimal_places);
  }
  return h;
}

int CompareFieldValues(const FieldDescriptor& field, const char* a, const char* b) {
  const char* x = a + field.offset;
  const char* y = b + field.offset;
  // A group is one text of all its elements' bytes.
  if (field.type == FieldType::kGroup) return CompareElements(field.type, x, y, field.size, 0);
  const uint32_t count = field.ElementCount();
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = i * field.element_size;
    int c = CompareElements(field.type, x + at, y + at, field.element_size, field.decimal_places);
    if (c != 0) return c;
  }
  return 0;
}

}  // namespace vaultara::data
