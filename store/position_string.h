#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vaultara::store {

// A position string names a place in a table or one of its keys: the record
// number (4 bytes, big-endian), followed for a key by the key value. Reading
// a key position back gives the entry with that value and record number.
std::string MakePosition(uint32_t record, std::string_view key_value = {});

// Splits a position string. The record number is read from its first four
// bytes (missing bytes count as zero); the key value is the next
// value_length bytes, zero-filled when the text is shorter, so that any text
// handed back by a caller names some position and never reads past itself.
void ReadPosition(std::string_view position, size_t value_length, uint32_t* record,
                  std::string* key_value);

}  // namespace vaultara::store
