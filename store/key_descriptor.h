#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/key_component.h"
#include "store/table_declaration.h"

namespace vaultara::store {

// One component of a key: the field it is built from and its direction.
struct KeyPart {
  KeyField field;
  uint16_t field_number = 0;  // 0-based in declaration order
  bool descending = false;
};

// One key of an open table, resolved against the table's declaration: its
// number, flags (stored_key_flag) and components, and the length of its
// values. A key value is the concatenation of the encoded components, each as
// long as its field.
struct KeyDescriptor {
  std::string external_name;
  std::string label;
  uint8_t number = 0;  // 0-based position among the table's keys
  uint8_t flags = 0;
  std::vector<KeyPart> parts;
  uint32_t value_length = 0;

  // Whether several records may share a value. An index always admits
  // duplicates, so its entries carry the record number in their key.
  bool duplicates() const {
    return (flags & (stored_key_flag::kDuplicates | stored_key_flag::kIndex)) != 0;
  }
  bool optional() const { return (flags & stored_key_flag::kOptional) != 0; }
  bool no_case() const { return (flags & stored_key_flag::kNoCase) != 0; }
  // Maintained only by a rebuild.
  bool index() const { return (flags & stored_key_flag::kIndex) != 0; }
  // An index declared without components: it lives in a private store and
  // its components are given by BUILDdyn.
  bool dynamic() const { return (flags & stored_key_flag::kNoComponents) != 0; }

  // Resolves key `number` of a declaration. Returns false when a component
  // names no field, a field that is not a scalar or a type keys cannot hold.
  static bool Resolve(const TableDeclaration& table, uint8_t number, KeyDescriptor* out);

  // Replaces the components (as BUILDdyn does for an index declared without
  // them). Returns false as Resolve does, leaving the key unchanged.
  bool SetComponents(const std::vector<StoredComponent>& components, const TableDeclaration& table);

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
