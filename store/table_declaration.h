#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/file_control_block.h"
#include "data/record_declaration.h"

namespace vaultara::store {

// The limits of the store on a declaration.
namespace limits {
inline constexpr uint32_t kMaxRecordLength = 15000;
inline constexpr size_t kMaxKeys = 240;
inline constexpr uint32_t kMaxMemoSize = 64000;
inline constexpr size_t kMaxMemos = 256;
inline constexpr uint16_t kMaxGroupDepth = 100;
}  // namespace limits

// Key flags as the declaration stream keeps them (one byte).
namespace stored_key_flag {
inline constexpr uint8_t kDuplicates = 0x01;
inline constexpr uint8_t kOptional = 0x02;
inline constexpr uint8_t kNoCase = 0x04;
inline constexpr uint8_t kCarried = 0x08;  // kept as declared, not used by the store
inline constexpr uint8_t kPrimary = 0x10;
inline constexpr uint8_t kIndex = 0x20;         // maintained only by a rebuild
inline constexpr uint8_t kNoComponents = 0x40;  // an index declared without components
}  // namespace stored_key_flag

// Memo flags as the declaration stream keeps them.
namespace stored_memo_flag {
inline constexpr uint16_t kBinary = 0x02;
inline constexpr uint16_t kBlob = 0x04;
}  // namespace stored_memo_flag

// One field of a table, as the store describes it.
struct StoredField {
  uint8_t type = 0;  // data::FieldType code
  uint16_t offset = 0;
  std::string name;      // the external name, else the label
  uint16_t count = 1;    // elements: the product of the dimensions
  uint16_t size = 0;     // all elements
  uint16_t overlay = 0;  // 1 when it shares storage with an earlier field
  uint16_t number = 0;   // 0-based, in declaration order
  // DECIMAL and PDECIMAL.
  uint8_t places = 0;
  uint8_t element_size = 0;
  // STRING, CSTRING and PSTRING.
  uint16_t element_length = 0;
  std::string picture;  // empty when the length was declared as a number

  // Not stored: the label, and the field this one overlays (-1 for none).
  std::string label;
  int32_t overlaid = -1;

  bool IsText() const;
  bool operator==(const StoredField& other) const;
};

struct StoredMemo {
  std::string name;  // the external name; empty when none was declared
  std::string label;
  uint16_t size = 0;  // 0 for a blob
  uint16_t flags = 0;

  bool blob() const { return (flags & stored_memo_flag::kBlob) != 0; }
  bool binary() const { return (flags & stored_memo_flag::kBinary) != 0; }
};

struct StoredComponent {
  uint16_t field = 0;  // 0-based field number
  uint16_t descending = 0;
  bool operator==(const StoredComponent&) const = default;
};

struct StoredKey {
  std::string name;  // the external name; empty when none was declared
  std::string label;
  uint8_t flags = 0;
  std::vector<StoredComponent> components;

  bool duplicates() const { return (flags & stored_key_flag::kDuplicates) != 0; }
};

// A table's declaration as the store keeps it in the file's declaration
// stream and compares it with the program's at open.
struct TableDeclaration {
  uint16_t version = 1;  // 2 when a memo is a blob
  uint16_t record_length = 0;
  std::vector<StoredField> fields;
  std::vector<StoredMemo> memos;
  std::vector<StoredKey> keys;
  // Set when the program's declaration goes beyond the store's limits (and
  // then never matches a stored one).
  bool beyond_limits = false;

  // The program's declaration of a file: its fields (resolved), its memos
  // and keys, checked against the limits.
  static TableDeclaration FromControlBlock(const data::FileControlBlock& file);

  // True when the program declares no fields and no memos (open takes the
  // stored declaration as it is).
  bool dynamic() const { return fields.empty() && memos.empty(); }
  bool has_blob() const;
};

// Whether a program's declaration fits a stored one: every element must be
// equal except the primary flag of keys, the flags of memos and the size of
// blobs.
bool Matches(const TableDeclaration& stored, const TableDeclaration& program);

}  // namespace vaultara::store
