#pragma once

#include <string>

#include "app/json.h"
#include "app/table_layout.h"

namespace vaultara::app {

// Records as JSON objects, one member per field and memo in declaration
// order, named as the declaration names them:
//
//   {"PRO:SYSID": 1, "PRO:NAME": "Mail", "PRO:EXPIREDATE": 80000,
//    "X:AMOUNT": "-12.34", "PRO:NOTES": "two\nlines"}
//
// Integer and real fields are numbers (a DATE its day number, a TIME its
// time value); STRING, CSTRING and PSTRING are texts without trailing
// spaces; a DECIMAL is its digits as a text; an array is a list of its
// elements; a memo or blob is its text. Groups and overlays are left out:
// their bytes are those of other fields. Texts are UTF-8 outside and
// Windows-1252 in the record.

// The record in the layout's buffer, with its memos and blobs (which are
// read through the blob statements of the open table).
JsonValue RecordToJson(TableLayout& table);

// Clears the record buffer and the memos, then stores the members of json in
// them (members not given stay blank or zero). Returns false and sets *error
// for a member that names no field or memo, a group or an overlay, a value of
// the wrong kind, or one that does not fit (out of range, text too long, a
// character Windows-1252 lacks); the record is then left cleared. Blob
// contents are written through the blob statements of the open table.
bool RecordFromJson(const JsonValue& json, TableLayout& table, std::string* error);

}  // namespace vaultara::app
