#include "store/key_descriptor.h"

namespace vaultara::store {

uint8_t KeyDescriptor::StoredFlags(const data::KeyControlBlock& key) {
  uint8_t flags = static_cast<uint8_t>(
      key.flags & (data::key_flag::kDup | data::key_flag::kOpt | data::key_flag::kNoCase |
                   data::key_flag::kCarried | data::key_flag::kPrimary));
  if ((key.flags & data::key_flag::kIndex) != 0) {
    flags |= key_bits::kIndex;
    if (key.components.empty()) flags |= key_bits::kNoComponents;
  }
  return flags;
}

bool KeyDescriptor::Resolve(const data::KeyControlBlock& key, const data::RecordDeclaration& record,
                            uint8_t number, KeyDescriptor* out) {
  out->external_name = key.external_name;
  out->label = key.label;
  out->number = number;
  out->flags = StoredFlags(key);
  return out->SetComponents(key.components, record);
}

bool KeyDescriptor::SetComponents(const std::vector<int32_t>& components,
                                  const data::RecordDeclaration& record) {
  std::vector<KeyPart> resolved;
  uint32_t length = 0;
  for (int32_t component : components) {
    const int32_t n = component < 0 ? -component : component;
    if (n < 1 || static_cast<size_t>(n) > record.fields.size()) return false;
    const data::FieldDescriptor& field = record.fields[static_cast<size_t>(n - 1)];
    if (!field.dimensions.empty() || !IsKeyComponentType(field.type)) return false;
    resolved.push_back(KeyPart{field, n - 1, component < 0});
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
