#pragma once

#include <cstdint>

namespace vaultara::data {

// The type codes of record fields, shared by declarations, drivers, queues and
// views. The numbers are stored in files and must not change.
enum class FieldType : uint8_t {
  kByte = 1,
  kShort = 2,
  kUShort = 3,
  kDate = 4,
  kTime = 5,
  kLong = 6,
  kULong = 7,
  kSReal = 8,
  kReal = 9,
  kDecimal = 10,
  kPDecimal = 11,
  kString = 18,
  kCString = 19,
  kPString = 20,
  kMemo = 21,
  kGroup = 22,
  kArray = 24,
  kBlob = 27,
};

// Bytes of one element of a fixed-size numeric type; 0 for the types whose
// size is declared (decimals, strings, groups).
uint32_t FixedElementSize(FieldType type);

}  // namespace vaultara::data
