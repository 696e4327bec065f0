#include "data/record_declaration.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "data/character_tables.h"

namespace vaultara::data {

uint32_t FieldDescriptor::ElementCount() const {
  uint32_t count = 1;
  for (uint32_t d : dimensions) count *= d;
  return count;
}

const std::string& FieldDescriptor::Name() const {
  return external_name.empty() ? label : external_name;
}

namespace {

// Labels and external names are ASCII identifiers, so plain ASCII case
// folding is the whole rule here; an empty name matches nothing.
bool SameNameNoCase(const std::string& a, const std::string& b) {
  return !a.empty() && EqualsIgnoringAsciiCase(a, b);
}

}  // namespace

int32_t RecordDeclaration::Find(const std::string& name) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (SameNameNoCase(fields[i].label, name) || SameNameNoCase(fields[i].external_name, name)) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::Field(FieldType type, const std::string& label,
                                                          uint32_t element_size,
                                                          std::vector<uint32_t> dimensions) {
  FieldDescriptor f;
  f.type = type;
  f.label = label;
  f.element_size = element_size;
  f.dimensions = std::move(dimensions);
  f.size = element_size * f.ElementCount();
  f.nesting = static_cast<uint16_t>(groups_.size());
  if (pending_over_ >= 0) {
    f.over = pending_over_;
    f.offset = declaration_.fields[static_cast<size_t>(pending_over_)].offset;
    pending_over_ = -1;
  } else {
    f.offset = next_offset_;
  }
  next_offset_ = std::max(next_offset_, f.offset + f.size);
  if (f.over >= 0) next_offset_ = std::max(next_offset_, f.offset + f.size);
  for (OpenGroup& g : groups_) g.end = std::max(g.end, f.offset + f.size);
  declaration_.fields.push_back(std::move(f));
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::Decimal(const std::string& label,
                                                            uint32_t digits, uint8_t places) {
  return Field(FieldType::kDecimal, label, digits / 2 + 1).Places(places);
}

RecordDeclarationBuilder& RecordDeclarationBuilder::PDecimal(const std::string& label,
                                                             uint32_t digits, uint8_t places) {
  return Field(FieldType::kPDecimal, label, digits / 2 + 1).Places(places);
}

RecordDeclarationBuilder& RecordDeclarationBuilder::BeginGroup(const std::string& label,
                                                               std::vector<uint32_t> dimensions) {
  Field(FieldType::kGroup, label, 0, std::move(dimensions));
  const FieldDescriptor& g = declaration_.fields.back();
  groups_.push_back({declaration_.fields.size() - 1, g.offset, g.offset});
  next_offset_ = g.offset;
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::EndGroup() {
  if (groups_.empty()) return *this;
  OpenGroup g = groups_.back();
  groups_.pop_back();
  FieldDescriptor& f = declaration_.fields[g.index];
  // A dimensioned group repeats its members' layout.
  f.element_size = g.end - g.start;
  f.size = f.element_size * f.ElementCount();
  next_offset_ = std::max(next_offset_, f.offset + f.size);
  for (OpenGroup& outer : groups_) outer.end = std::max(outer.end, f.offset + f.size);
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::Named(const std::string& external_name) {
  if (!declaration_.fields.empty()) declaration_.fields.back().external_name = external_name;
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::WithPicture(const std::string& picture) {
  if (!declaration_.fields.empty()) declaration_.fields.back().picture = picture;
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::Places(uint8_t decimal_places) {
  if (!declaration_.fields.empty()) declaration_.fields.back().decimal_places = decimal_places;
  return *this;
}

RecordDeclarationBuilder& RecordDeclarationBuilder::Over(const std::string& label) {
  return OverIndex(declaration_.Find(label));
}

RecordDeclarationBuilder& RecordDeclarationBuilder::OverIndex(int32_t index) {
  pending_over_ =
      (index >= 0 && static_cast<size_t>(index) < declaration_.fields.size()) ? index : -1;
  return *this;
}

RecordDeclaration RecordDeclarationBuilder::Build() {
  while (!groups_.empty()) EndGroup();
  uint32_t length = 0;
  for (const FieldDescriptor& f : declaration_.fields) length = std::max(length, f.offset + f.size);
  declaration_.record_length = length;
  return declaration_;
}

namespace {

template <typename T>
void Fill(char* at, uint32_t count, T value) {
  for (uint32_t i = 0; i < count; ++i) std::memcpy(at + i * sizeof(T), &value, sizeof(T));
}

template <typename T>
void FillLimit(char* at, uint32_t count, int32_t how) {
  T value =
      how < 0 ? std::numeric_limits<T>::lowest() : (how > 0 ? std::numeric_limits<T>::max() : T{});
  Fill(at, count, value);
}

// Packed decimals: DECIMAL keeps its sign in the first high nibble (0xF
// negative), PDECIMAL in the last low nibble (0xD negative, 0xF positive).
void ClearDecimal(const FieldDescriptor& f, char* at, int32_t how) {
  uint32_t s = f.element_size;
  for (uint32_t e = 0; e < f.ElementCount(); ++e) {
    auto* p = reinterpret_cast<unsigned char*>(at + static_cast<size_t>(e) * s);
    if (s == 0) continue;
    if (how == 0) {
      std::memset(p, 0, s);
      if (f.type == FieldType::kPDecimal) p[s - 1] = 0x0F;
      continue;
    }
    std::memset(p, 0x99, s);
    if (f.type == FieldType::kDecimal) {
      p[0] = static_cast<unsigned char>((how < 0 ? 0xF0 : 0x00) | 0x09);
    } else {
      p[s - 1] = static_cast<unsigned char>(0x90 | (how < 0 ? 0x0D : 0x0F));
    }
  }
}

}  // namespace

void ClearRecord(const RecordDeclaration& declaration, char* record, int32_t how) {
  if (record == nullptr) return;
  for (const FieldDescriptor& f : declaration.fields) {
    if (f.over >= 0 || f.offset + f.size > declaration.record_length) continue;
    char* at = record + f.offset;
    uint32_t n = f.ElementCount();
    switch (f.type) {
      case FieldType::kByte:
        FillLimit<uint8_t>(at, n, how);
        break;
      case FieldType::kShort:
        FillLimit<int16_t>(at, n, how);
        break;
      case FieldType::kUShort:
        FillLimit<uint16_t>(at, n, how);
        break;
      case FieldType::kDate:
      case FieldType::kTime:
      case FieldType::kLong:
        FillLimit<int32_t>(at, n, how);
        break;
      case FieldType::kULong:
        FillLimit<uint32_t>(at, n, how);
        break;
      case FieldType::kSReal:
        FillLimit<float>(at, n, how);
        break;
      case FieldType::kReal:
        FillLimit<double>(at, n, how);
        break;
      case FieldType::kDecimal:
      case FieldType::kPDecimal:
        ClearDecimal(f, at, how);
        break;
      case FieldType::kString:
        std::memset(at, how < 0 ? 0 : (how > 0 ? 0xFF : ' '), f.size);
        break;
      case FieldType::kCString:
      case FieldType::kPString:
        std::memset(at, how > 0 ? 0xFF : 0, f.size);
        break;
      default:  // groups are cleared through their members
        break;
    }
  }
}

}  // namespace vaultara::data
