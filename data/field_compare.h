#pragma once

#include <string_view>

#include "data/character_tables.h"
#include "data/field_value.h"
#include "data/record_declaration.h"

namespace vaultara::data {

// Compares the value of field in two records laid out by the same declaration
// (a and b point at the start of each record). Numbers compare by value (a
// real NaN sorts after every number and equals another NaN), decimals by
// value, texts and groups by CompareBlankPadded (character_tables.h); the elements of an array
// compare in order and the first unequal pair decides. Memos and blobs, which
// live outside the record, compare equal. Returns <0, 0 or >0.
int CompareFieldValues(const FieldDescriptor& field, const char* a, const char* b);

// A hash of the value of field in record that agrees with CompareFieldValues:
// two records whose field values compare equal get the same hash (a text
// with trailing blanks hashes as the text without them).
uint32_t HashFieldValue(const FieldDescriptor& field, const char* record);

}  // namespace vaultara::data
