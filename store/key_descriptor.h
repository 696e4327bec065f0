#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "store/key_component.h"

namespace vaultara::store {

// The flag bits of a key as a table's declaration stores them.
namespace key_bits {
inline constexpr uint8_t kDuplicates = 0x01;
inline constexpr uint8_t kOptional = 0x02;  // blank values get no entry
inline constexpr uint8_t kNoCase = 0x04;    // case-insensitive
inline constexpr uint8_t kCarried = 0x08;   // carried from the declaration, unused here
inline constexpr uint8_t kPrimary = 0x10;
inline constexpr uint8_t kIndex = 0x20;         // maintained only by a rebuild
inline constexpr uint8_t kNoComponents = 0x40;  // an index declared without components
}  // namespace key_bits

// The most keys a table may declare; key numbers are 0 to kMaxKeys - 1.
inline constexpr size_t kMaxKeys = 240;

// One component of a key: the field it is built from and its direction.
struct KeyPart {
  data::FieldDescriptor field;
  int32_t field_number = 0;  // 0-based in declaration order
  bool descending = false;
};

// One declared key of an open table, resolved against the record declaration:
// its number, flags and components, and the length of its values. A key value
// is the concatenation of the encoded components, each as long as its field.
struct KeyDescriptor {
  std::string external_name;
  std::string label;
  uint8_t number = 0;  // 0-based position among the table's keys
  uint8_t flags = 0;   // key_bits
  std::vector<KeyPart> parts;
  uint32_t value_length = 0;

  // Whether several records may share a value. An index always admits
  // duplicates.
  bool duplicates() const { return (flags & (key_bits::kDuplicates | key_bits::kIndex)) != 0; }
  bool optional() const { return (flags & key_bits::kOptional) != 0; }
  bool no_case() const { return (flags & key_bits::kNoCase) != 0; }
  bool index() const { return (flags & key_bits::kIndex) != 0; }
  // An index declared without components: it lives in a private store and is
  // defined by BUILDdyn.
  bool dynamic() const { return (flags & key_bits::kNoComponents) != 0; }

  // Resolves a declared key. Component field numbers are 1-based, negative
  // for descending. Returns false when a component names no field, a field
  // that is not a scalar or a type keys cannot hold.
  static bool Resolve(const data::KeyControlBlock& key, const data::RecordDeclaration& record,
                      uint8_t number, KeyDescriptor* out);
  // The stored flag bits of a declared key.
  static uint8_t StoredFlags(const data::KeyControlBlock& key);

  // Replaces the components (field numbers 1-based, negative descending), as
  // BUILDdyn does for an index declared without them. Returns false as
  // Resolve does.
  bool SetComponents(const std::vector<int32_t>& components, const data::RecordDeclaration& record);

  // Appends the key value of record to out (value_length bytes).
  void BuildValue(const char* record, const KeyCollation& collation, std::string* out) const;
  std::string Value(const char* record, const KeyCollation& collation) const {
    std::string value;
    BuildValue(record, collation, &value);
    return value;
  }
  // True when every component of record is blank.
  bool IsBlank(const char* record) const;
  // True when record gets no entry in this key (blank in an optional key).
  bool Excludes(const char* record) const { return optional() && IsBlank(record); }
};

}  // namespace vaultara::store
