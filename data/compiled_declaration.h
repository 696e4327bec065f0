#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/record_declaration.h"

namespace vaultara::data {

// The compiled form of a record declaration: the byte string a program
// carries for each record and from which the declaration reader resolves
// the field list.
//
// The record is a group. A group is written as
//   u8 type (22), u8 flags, u32 size, u32 member count, u32 descriptor length
//   (bytes of the members that follow), label (zero-terminated), extensions,
//   then its members;
// every other field as
//   u8 type, u8 flags, for STRING, CSTRING and PSTRING a u16 written high
//   byte first whose low 13 bits are the length, label (zero-terminated),
//   extensions.
// Extensions follow in this order, each present when its flag bit is set:
//   0x01 external name (zero-terminated); 0x02 dimensions (u8 count, then a
//   u32 each); 0x04 OVER (u16 index of the overlaid field in declaration
//   order); 0x08 picture (zero-terminated); 0x10 decimals (u8 element size,
//   u8 places).
// Numbers other than the string length are little-endian. Offsets are not
// stored: members lie one after another, OVER fields at their target.
std::string CompileDeclaration(const RecordDeclaration& declaration);

// Resolves a compiled declaration; nullopt when the bytes are not one
// (truncated, inconsistent sizes, bad references, nesting beyond 100).
std::optional<RecordDeclaration> ReadDeclaration(std::string_view compiled);

}  // namespace vaultara::data
