#include "store/table_declaration.h"

#include <algorithm>

namespace vaultara::store {

namespace {

using data::FieldType;

bool IsStoredType(uint8_t type) {
  return (type >= 1 && type <= 10) || (type >= 18 && type <= 20) || type == 22;
}

bool IsString(uint8_t type) {
  return type == static_cast<uint8_t>(FieldType::kString) ||
         type == static_cast<uint8_t>(FieldType::kCString) ||
         type == static_cast<uint8_t>(FieldType::kPString);
}

bool IsDecimal(uint8_t type) {
  return type == static_cast<uint8_t>(FieldType::kDecimal) ||
         type == static_cast<uint8_t>(FieldType::kPDecimal);
}

template <typename T>
uint16_t Narrow(T value, bool* beyond) {
  if (value > 0xFFFF) *beyond = true;
  return static_cast<uint16_t>(std::min<T>(value, 0xFFFF));
}

}  // namespace

bool StoredField::IsText() const { return IsString(type); }

bool StoredField::operator==(const StoredField& o) const {
  if (type != o.type || offset != o.offset || name != o.name || count != o.count ||
      size != o.size || overlay != o.overlay || number != o.number) {
    return false;
  }
  if (IsDecimal(type) && (places != o.places || element_size != o.element_size)) return false;
  if (IsString(type) && (element_length != o.element_length || picture != o.picture)) return false;
  return true;
}

bool TableDeclaration::has_blob() const {
  return std::any_of(memos.begin(), memos.end(), [](const StoredMemo& m) { return m.blob(); });
}

TableDeclaration TableDeclaration::FromControlBlock(const data::FileControlBlock& file) {
  TableDeclaration d;
  bool beyond = file.record_length > limits::kMaxRecordLength;
  d.record_length = Narrow(file.record_length, &beyond);

  if (file.declaration != nullptr) {
    const auto& fields = file.declaration->fields;
    // Whether each open group (by nesting level) shares storage.
    std::vector<bool> group_overlay;
    std::vector<int32_t> group_index;
    for (size_t i = 0; i < fields.size(); ++i) {
      const data::FieldDescriptor& f = fields[i];
      group_overlay.resize(std::min<size_t>(group_overlay.size(), f.nesting));
      group_index.resize(group_overlay.size());
      StoredField s;
      s.type = static_cast<uint8_t>(f.type);
      s.offset = Narrow(f.offset, &beyond);
      s.name = f.Name();
      s.label = f.label;
      s.count = Narrow(f.ElementCount(), &beyond);
      s.size = Narrow(f.size, &beyond);
      s.number = Narrow(i, &beyond);
      if (f.over >= 0) {
        s.overlaid = f.over;
      } else if (i > 0 && f.offset <= fields[i - 1].offset && f.nesting <= fields[i - 1].nesting) {
        s.overlaid = static_cast<int32_t>(i - 1);
      } else {
        for (size_t level = 0; level < group_overlay.size(); ++level) {
          if (group_overlay[level]) {
            s.overlaid = group_index[level];
            break;
          }
        }
      }
      s.overlay = s.overlaid >= 0 ? 1 : 0;
      if (IsDecimal(s.type)) {
        s.places = f.decimal_places;
        s.element_size = static_cast<uint8_t>(std::min<uint32_t>(f.element_size, 0xFF));
      }
      if (IsString(s.type)) {
        s.element_length = Narrow(f.element_size, &beyond);
        s.picture = f.picture;
      }
      if (!s.overlay && !IsStoredType(s.type)) beyond = true;
      if (f.type == FieldType::kGroup) {
        if (f.nesting >= limits::kMaxGroupDepth) beyond = true;
        group_overlay.push_back(s.overlay != 0);
        group_index.push_back(static_cast<int32_t>(i));
      }
      d.fields.push_back(std::move(s));
    }
  }

  for (const auto& memo : file.memos) {
    StoredMemo m;
    m.name = memo->external_name;
    m.label = memo->label;
    m.flags = memo->flags & (stored_memo_flag::kBinary | stored_memo_flag::kBlob);
    if (!m.blob()) {
      if (memo->size > limits::kMaxMemoSize) beyond = true;
      m.size = Narrow(memo->size, &beyond);
    }
    d.memos.push_back(std::move(m));
  }

  // A memo's number is one byte of its segments' keys.
  if (file.memos.size() > limits::kMaxMemos) beyond = true;
  if (file.keys.size() > limits::kMaxKeys) beyond = true;
  for (const auto& key : file.keys) {
    StoredKey k;
    k.name = key->external_name;
    k.label = key->label;
    k.flags = static_cast<uint8_t>(key->flags & 0x1F);
    if (key->flags & data::key_flag::kIndex) k.flags |= stored_key_flag::kIndex;
    if (key->IsDynamicIndex()) k.flags |= stored_key_flag::kNoComponents;
    for (int32_t c : key->components) {
      const int32_t number = (c < 0 ? -c : c) - 1;
      if (number < 0 || static_cast<size_t>(number) >= d.fields.size() ||
          d.fields[static_cast<size_t>(number)].count != 1) {
        beyond = true;
      }
      k.components.push_back({Narrow(static_cast<uint32_t>(std::max(number, 0)), &beyond),
                              static_cast<uint16_t>(c < 0 ? 1 : 0)});
    }
    d.keys.push_back(std::move(k));
  }

  d.version = d.has_blob() ? 2 : 1;
  d.beyond_limits = beyond;
  return d;
}

bool Matches(const TableDeclaration& stored, const TableDeclaration& program) {
  if (program.beyond_limits) return false;
  if (stored.record_length != program.record_length || stored.fields != program.fields ||
      stored.memos.size() != program.memos.size() || stored.keys.size() != program.keys.size()) {
    return false;
  }
  for (size_t i = 0; i < stored.memos.size(); ++i) {
    const StoredMemo& a = stored.memos[i];
    const StoredMemo& b = program.memos[i];
    if (a.name != b.name || a.label != b.label) return false;
    if (!a.blob() && !b.blob() && a.size != b.size) return false;
  }
  for (size_t i = 0; i < stored.keys.size(); ++i) {
    const StoredKey& a = stored.keys[i];
    const StoredKey& b = program.keys[i];
    if (a.name != b.name || a.label != b.label ||
        (a.flags & ~stored_key_flag::kPrimary) != (b.flags & ~stored_key_flag::kPrimary) ||
        a.components != b.components) {
      return false;
    }
  }
  return true;
}

}  // namespace vaultara::store
