#pragma once

#include <cstdint>
#include <string>

#include "data/character_tables.h"
#include "data/field_type.h"

namespace vaultara::store {

// How the string components of one table's keys are turned into bytes: the
// table's own character tables (its stored locale block, or the current ones
// when it has none), whether the table is in OEM mode, and whether the key
// ignores case.
struct KeyCollation {
  const data::CharacterTables* tables = nullptr;
  bool oem = false;
  bool no_case = false;
};

// Where a key component lies in the record and what it holds.
struct KeyField {
  data::FieldType type = data::FieldType::kByte;
  uint32_t offset = 0;
  uint32_t size = 0;
};

// Appends the order-preserving form of one field of record to out: exactly
// field.size bytes, such that plain unsigned byte comparison of two encoded
// values gives the field's order (reversed when descending).
//
//   SHORT, LONG             big-endian with the top bit flipped
//   USHORT, DATE, TIME,     big-endian
//   ULONG
//   SREAL, REAL             big-endian; negative values inverted, others
//                           with the sign bit set
//   DECIMAL                 sign nibble cleared and 0x80 added to the first
//                           byte; negative values inverted
//   STRING, GROUP, CSTRING, the text (a CSTRING up to its zero byte, a
//   PSTRING                 PSTRING over its length byte's count, zero
//                           filled) case-folded and mapped to collation
//                           weights, digraphs expanded within the length
//   others (BYTE)           the bytes themselves
//
// A descending component is inverted as a whole after that; for a negative
// floating or decimal value the two inversions cancel.
void EncodeComponent(const KeyField& field, bool descending, const char* record,
                     const KeyCollation& collation, std::string* out);

// True when the field holds a blank value: spaces for STRING and GROUP, a zero
// first byte for CSTRING and PSTRING, zero bytes for every other type.
bool IsBlankComponent(const KeyField& field, const char* record);

// True for the types a key component may have.
bool IsKeyComponentType(data::FieldType type);

}  // namespace vaultara::store
