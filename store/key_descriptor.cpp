#include "store/key_descriptor.h"

namespace vaultara::store {

bool KeyDescriptor::Resolve(const TableDeclaration& table, uint8_t number, KeyDescriptor* out) {
  if (number >= table.keys.size()) return false;
  const StoredKey& key = table.keys[number];
  out->external_name = key.name;
  out->label = key.label;
  out->number = number;
  out->flags = key.flags;
  out->parts.clear();
  out->value_length = 0;
  return out->SetComponents(key.components, table);
}

bool KeyDescriptor::SetComponents(const std::vector<StoredComponent>& components,
                                  const TableDeclaration& table) {
  std::vector<KeyPart> resolved;
  uint32_t length = 0;
  for (const StoredComponent& component : components) {
    if (component.field >= table.fields.size()) return false;
    const StoredField& field = table.fields[component.field];
    const auto type = static_cast<data::FieldType>(field.type);
    if (field.count != 1 || !IsKeyComponentType(type)) return false;
    resolved.push_back(KeyPart{KeyField{type, field.offset, field.size}, component.field,
                               component.descending != 0});
    length += field.size;
  }
  parts = std::move(resolved);
  value_length = length;
  return true;
}

void KeyDescriptor::BuildValue(const char* record, const KeyCollation& collation,
                               std::string* out) const {
  KeyCollation mine = collation;
  mine.no_case = no_case();
  for (const KeyPart& part : parts) EncodeComponent(part.field, part.descending, record, mine, out);
}

bool KeyDescriptor::IsBlank(const char* record) const {
  for (const KeyPart& part : parts) {
    if (!IsBlankComponent(part.field, record)) return false;
  }
  return true;
}

}  // namespace vaultara::store
