#include "data/field_value.h"

#include <algorithm>
#include <type_traits>

#include "data/decimal_conversions.h"

namespace vaultara::data {

ValueClass ClassOfType(FieldType type) {
  if (IsDecimalType(type)) return ValueClass::kReal;
  ValueClass result = ValueClass::kString;
  VisitNumberType(type, [&](auto zero) {
    result = std::is_floating_point_v<decltype(zero)> ? ValueClass::kReal : ValueClass::kInteger;
  });
  return result;
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

DecimalAccumulator ReadDecimalElement(FieldType type, const char* at, uint32_t size,
                                      uint8_t places) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(at);
  return type == FieldType::kPDecimal ? DecimalFromPacked(bytes, size, places)
                                      : DecimalFromStored(bytes, size, places);
}

ExpressionValue ReadElement(FieldType type, const char* at, uint32_t size, uint8_t places) {
  ExpressionValue value;
  if (VisitNumberType(type, [&](auto zero) {
        using T = decltype(zero);
        if constexpr (std::is_floating_point_v<T>) {
          value = ExpressionValue::Real(LoadNumber<T>(at));
        } else {
          value = ExpressionValue::Integer(LoadNumber<T>(at));
        }
      })) {
    return value;
  }
  if (IsDecimalType(type)) {
    return ExpressionValue::Real(RealFromDecimal(ReadDecimalElement(type, at, size, places)));
  }
  return ExpressionValue::Text(ElementText(type, at, size));
}

void WriteIntegerElement(FieldType type, char* at, int64_t value) {
  VisitNumberType(type, [&](auto zero) {
    const auto stored = static_cast<decltype(zero)>(value);
    std::memcpy(at, &stored, sizeof stored);
  });
}

void WriteRealElement(FieldType type, char* at, double value) {
  VisitNumberType(type, [&](auto zero) {
    using T = decltype(zero);
    if constexpr (std::is_floating_point_v<T>) {
      const auto stored = static_cast<T>(value);
      std::memcpy(at, &stored, sizeof stored);
    }
  });
}

void WriteDecimalElement(FieldType type, char* at, uint32_t size, uint8_t places,
                         const DecimalAccumulator& value) {
  auto* bytes = reinterpret_cast<uint8_t*>(at);
  if (type == FieldType::kPDecimal) {
    StorePacked(value, bytes, size, places);
  } else if (type == FieldType::kDecimal) {
    StoreDecimal(value, bytes, size, places);
  }
}

void WriteTextElement(FieldType type, char* at, uint32_t size, std::string_view text) {
  if (size == 0) return;
  if (type == FieldType::kCString || type == FieldType::kPString) {
    std::memset(at, 0, size);
    size_t n = std::min<size_t>(text.size(), size - 1);
    if (type == FieldType::kPString) {
      n = std::min<size_t>(n, 255);
      at[0] = static_cast<char>(n);
      std::memcpy(at + 1, text.data(), n);
    } else {
      std::memcpy(at, text.data(), n);
    }
    return;
  }
  std::memset(at, ' ', size);
  std::memcpy(at, text.data(), std::min<size_t>(text.size(), size));
}

}  // namespace vaultara::data
