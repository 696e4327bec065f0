#pragma once

#include <string>

#include "app/json.h"
#include "store/table_declaration.h"

namespace vaultara::app {

// A table declaration as JSON, the form the store shell shows and reads:
//
//   {"fields": [{"name": "PRO:SYSID", "type": "LONG"},
//               {"name": "PRO:NAME", "type": "STRING", "length": 60},
//               {"name": "X:AMOUNT", "type": "DECIMAL", "size": 7, "places": 2}],
//    "memos":  [{"name": "PRO:NOTES", "size": 8000, "binary": false}],
//    "keys":   [{"name": "PRO:K__", "components": ["+PRO:SYSID"],
//                "primary": true, "dup": false, "opt": true, "nocase": true}],
//    "owner": true}
//
// Field types are BYTE, SHORT, USHORT, DATE, TIME, LONG, ULONG, SREAL, REAL,
// DECIMAL, STRING, CSTRING, PSTRING and GROUP. Texts have a "length"; a
// DECIMAL has a "size" in digits (odd: a DECIMAL of 2n digits is kept in
// the n + 1 bytes of 2n + 1) and "places"; a GROUP has a "size" in bytes and
// holds the fields after it that fit in it. Optional: "count" for an array
// of that many elements, "picture" for a text declared by a picture. A memo
// has a "size" and "binary"; a blob has "blob": true instead of a size. A
// key's components are field names with "+" (ascending, the default) or
// "-"; "index": true marks a key kept only by rebuilds. Memos and keys may
// carry a "label" besides the name (it defaults to the name). "owner": true
// means the table is enciphered with the owner password. Texts are UTF-8;
// the declaration holds them in Windows-1252.

// The declaration as JSON; owner says whether the file is enciphered.
JsonValue DeclarationToJson(const store::TableDeclaration& declaration, bool owner);
// The same, laid out one field, memo and key a line, as `schema` prints it.
std::string SchemaText(const store::TableDeclaration& declaration, bool owner);

// Reads a declaration from JSON as above. Returns false and sets *error when
// it is not one. The result is the declaration the store will keep for it.
bool DeclarationFromJson(const JsonValue& json, store::TableDeclaration* declaration, bool* owner,
                         std::string* error);

}  // namespace vaultara::app
