#include "data/field_compare.h"

#include <cmath>
#include <cstring>
#include <string>

#include "data/character_tables.h"
#include "data/packed_digits.h"

namespace vaultara::data {

int CompareBlankPadded(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) return CompareText(a, b);
  std::string padded(a.size() < b.size() ? a : b);
  padded.resize(std::max(a.size(), b.size()), ' ');
  return a.size() < b.size() ? CompareText(padded, b) : CompareText(a, padded);
}

std::string_view ElementText(FieldType type, const char* element, uint32_t size) {
  switch (type) {
    case FieldType::kCString: {
      const void* end = std::memchr(element, 0, size);
      return {element, end ? static_cast<size_t>(static_cast<const char*>(end) - element) : size};
    }
    case FieldType::kPString: {
      if (size == 0) return {};
      uint32_t length = static_cast<unsigned char>(element[0]);
      return {element + 1, std::min(length, size - 1)};
    }
    default:
      return {element, size};
  }
}

namespace {

template <typename T>
int CompareAs(const char* a, const char* b) {
  T x;
  T y;
  std::memcpy(&x, a, sizeof(T));
  std::memcpy(&y, b, sizeof(T));
  if constexpr (std::is_floating_point_v<T>) {
    // NaN equals NaN and sorts last, so the order stays total.
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) - std::isnan(y);
  }
  return x < y ? -1 : (y < x ? 1 : 0);
}

int CompareElements(FieldType type, const char* a, const char* b, uint32_t size) {
  switch (type) {
    case FieldType::kByte:
      return CompareAs<uint8_t>(a, b);
    case FieldType::kShort:
      return CompareAs<int16_t>(a, b);
    case FieldType::kUShort:
      return CompareAs<uint16_t>(a, b);
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return CompareAs<int32_t>(a, b);
    case FieldType::kULong:
      return CompareAs<uint32_t>(a, b);
    case FieldType::kSReal:
      return CompareAs<float>(a, b);
    case FieldType::kReal:
      return CompareAs<double>(a, b);
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return CompareDecimals(UnpackDecimal(type, reinterpret_cast<const unsigned char*>(a), size),
                             UnpackDecimal(type, reinterpret_cast<const unsigned char*>(b), size));
    case FieldType::kString:
    case FieldType::kCString:
    case FieldType::kPString:
    case FieldType::kGroup:
      return CompareBlankPadded(ElementText(type, a, size), ElementText(type, b, size));
    default:
      return 0;
  }
}

}  // namespace

int CompareFieldValues(const FieldDescriptor& field, const char* a, const char* b) {
  const char* x = a + field.offset;
  const char* y = b + field.offset;
  // A group is one text of all its elements' bytes.
  if (field.type == FieldType::kGroup) return CompareElements(field.type, x, y, field.size);
  const uint32_t count = field.ElementCount();
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = i * field.element_size;
    int c = CompareElements(field.type, x + at, y + at, field.element_size);
    if (c != 0) return c;
  }
  return 0;
}

}  // namespace vaultara::data
