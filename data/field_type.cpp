#include "data/field_type.h"

namespace vaultara::data {

uint32_t FixedElementSize(FieldType type) {
  switch (type) {
    case FieldType::kByte:
      return 1;
    case FieldType::kShort:
    case FieldType::kUShort:
      return 2;
    case FieldType::kDate:
    case FieldType::kTime:
    case FieldType::kLong:
    case FieldType::kULong:
    case FieldType::kSReal:
      return 4;
    case FieldType::kReal:
      return 8;
    default:
      return 0;
  }
}

}  // namespace vaultara::data
