#include "data/expression_variable.h"

#include <cstring>

#include "data/decimal_conversions.h"

namespace vaultara::data {
namespace {

template <typename T>
T Load(const char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

ExpressionVariable ExpressionVariable::Long(int32_t* value) {
  ExpressionVariable v;
  v.type = FieldType::kLong;
  v.address = reinterpret_cast<char*>(value);
  v.element_size = 4;
  return v;
}

ExpressionVariable ExpressionVariable::Real(double* value) {
  ExpressionVariable v;
  v.type = FieldType::kReal;
  v.address = reinterpret_cast<char*>(value);
  v.element_size = 8;
  return v;
}

ExpressionVariable ExpressionVariable::String(char* text, uint32_t length) {
  ExpressionVariable v;
  v.type = FieldType::kString;
  v.address = text;
  v.element_size = length;
  return v;
}

ExpressionVariable ExpressionVariable::Field(const FieldDescriptor& field, char* record,
                                             const void* table) {
  ExpressionVariable v;
  v.type = field.type;
  v.address = record == nullptr ? nullptr : record + field.offset;
  v.element_size = field.dimensions.empty() ? field.size : field.element_size;
  if (v.element_size == 0) v.element_size = field.size;
  v.dimensions = field.dimensions;
  v.decimal_places = field.decimal_places;
  v.table = table;
  v.sql_name = field.Name();
  return v;
}

bool ExpressionVariable::Readable() const {
  if (address == nullptr) return false;
  switch (type) {
    case FieldType::kBlob:
    case FieldType::kArray:
      return false;
    default:
      return FixedElementSize(type) == 0 || element_size >= FixedElementSize(type);
  }
}

ValueClass ExpressionVariable::Class() const {
  switch (type) {
    case FieldType::kByte:
    case FieldType::kShort:
    case FieldType::kUShort:
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
    case FieldType::kULong:
      return ValueClass::kInteger;
    case FieldType::kSReal:
    case FieldType::kReal:
    case FieldType::kDecimal:
    case FieldType::kPDecimal:
      return ValueClass::kReal;
    default:
      return ValueClass::kString;
  }
}

uint32_t ExpressionVariable::ElementCount() const {
  uint32_t n = 1;
  for (uint32_t d : dimensions) n *= d;
  return n;
}

ExpressionValue ExpressionVariable::Read(uint32_t element, std::string* scratch) const {
  (void)scratch;
  const char* at = address + static_cast<size_t>(element) * element_size;
  switch (type) {
    case FieldType::kByte:
      return ExpressionValue::Integer(Load<uint8_t>(at));
    case FieldType::kShort:
      return ExpressionValue::Integer(Load<int16_t>(at));
    case FieldType::kUShort:
      return ExpressionValue::Integer(Load<uint16_t>(at));
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
      return ExpressionValue::Integer(Load<int32_t>(at));
    case FieldType::kULong:
      return ExpressionValue::Integer(Load<uint32_t>(at));
    case FieldType::kSReal:
      return ExpressionValue::Real(Load<float>(at));
    case FieldType::kReal:
      return ExpressionValue::Real(Load<double>(at));
    case FieldType::kDecimal:
      return ExpressionValue::Real(RealFromDecimal(
          DecimalFromStored(reinterpret_cast<const uint8_t*>(at), element_size, decimal_places)));
    case FieldType::kPDecimal:
      return ExpressionValue::Real(RealFromDecimal(
          DecimalFromPacked(reinterpret_cast<const uint8_t*>(at), element_size, decimal_places)));
    case FieldType::kCString: {
      const void* zero = std::memchr(at, 0, element_size);
      size_t n = zero == nullptr ? element_size : static_cast<const char*>(zero) - at;
      return ExpressionValue::Text({at, n});
    }
    case FieldType::kPString: {
      if (element_size == 0) return ExpressionValue::Text({});
      size_t n = static_cast<uint8_t>(at[0]);
      if (n > element_size - 1) n = element_size - 1;
      return ExpressionValue::Text({at + 1, n});
    }
    default:
      return ExpressionValue::Text({at, element_size});
  }
}

}  // namespace vaultara::data
