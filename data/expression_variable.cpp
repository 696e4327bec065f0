#include "data/expression_variable.h"

#include "data/field_value.h"

namespace vaultara::data {

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

ValueClass ExpressionVariable::Class() const { return ClassOfType(type); }

uint32_t ExpressionVariable::ElementCount() const {
  uint32_t n = 1;
  for (uint32_t d : dimensions) n *= d;
  return n;
}

ExpressionValue ExpressionVariable::Read(uint32_t element, std::string* scratch) const {
  (void)scratch;
  const char* at = address + static_cast<size_t>(element) * element_size;
  return ReadElement(type, at, element_size, decimal_places);
}

}  // namespace vaultara::data
