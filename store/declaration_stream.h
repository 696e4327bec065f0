#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/entry_kinds.h"
#include "store/status.h"
#include "store/table_declaration.h"

namespace vaultara::store {

class StoreFile;

// The declaration stream: a table's declaration as a byte stream, kept in the
// file in 512-byte declaration blocks. Two-byte numbers are little-endian. A
// string is its bytes and a 0 byte; an empty string is 00 00, an absent one
// 00 01 (the external name of a memo or key declared without one).
//
//   u16 version (1; 2 with a blob), u16 record length, u16 fields,
//   u16 memos, u16 keys;
//   per field: u8 type, u16 offset, string name, u16 elements, u16 size,
//     u16 overlay, u16 number; then DECIMAL/PDECIMAL: u8 places, u8 element
//     size; STRING/CSTRING/PSTRING: u16 element length, string picture;
//   per memo: string name, string label, u16 size, u16 flags;
//   per key: string name, string label, u8 flags, u16 components, per
//     component u16 field number, u16 descending.
class DeclarationWriter {
 public:
  static std::string Write(const TableDeclaration& declaration);
};

// Reads a declaration stream. Bytes beyond the end of the stream read as 0
// (as a missing declaration block does), so a short stream gives a
// declaration that matches nothing rather than a fault.
class DeclarationReader {
 public:
  static TableDeclaration Read(std::string_view stream);
};

// Writes the stream of declaration into table's declaration blocks (in write
// mode).
Status WriteDeclarationBlocks(StoreFile& file, Identifier table, std::string_view stream);
// Reads table's declaration blocks back into one stream; a block missing
// below the last one reads as 512 zero bytes. An empty result: no blocks.
Status ReadDeclarationBlocks(StoreFile& file, Identifier table, std::string* stream);

}  // namespace vaultara::store
