#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/field_type.h"

namespace vaultara::data {

// One declared field of a record, resolved: where it lies in the record
// buffer and what it holds. Groups are fields too; their members follow them
// with a nesting level one deeper.
struct FieldDescriptor {
  FieldType type = FieldType::kLong;
  std::string label;                 // the program's name, e.g. "PRO:NAME"
  std::string external_name;         // the NAME attribute; empty when none
  uint32_t offset = 0;               // in the record buffer
  uint32_t size = 0;                 // total bytes, all elements
  std::vector<uint32_t> dimensions;  // empty for a scalar
  uint32_t element_size = 0;         // bytes of one element (strings: their length)
  uint8_t decimal_places = 0;        // DECIMAL, PDECIMAL
  std::string picture;               // strings declared by a picture; empty otherwise
  int32_t over = -1;                 // index of the field this one is declared OVER
  uint16_t nesting = 0;              // 0 at record level, 1 inside a group, ...

  // Product of the dimensions (1 for a scalar).
  uint32_t ElementCount() const;
  // The external name when declared, else the label.
  const std::string& Name() const;
};

// The resolved field list of a record, in declaration order.
struct RecordDeclaration {
  std::vector<FieldDescriptor> fields;
  uint32_t record_length = 0;

  // Index of the field with that label or external name (case ignored), or
  // -1 when there is none.
  int32_t Find(const std::string& name) const;
};

// Builds a RecordDeclaration in declaration order, laying fields out one
// after another (OVER fields start at the field they overlay):
//
//   RecordDeclarationBuilder b;
//   b.Long("PRO:ID").String("PRO:NAME", 60);
//   b.BeginGroup("PRO:G").Date("PRO:WHEN").EndGroup();
//   RecordDeclaration d = b.Build();
class RecordDeclarationBuilder {
 public:
  RecordDeclarationBuilder& Field(FieldType type, const std::string& label, uint32_t element_size,
                                  std::vector<uint32_t> dimensions = {});
  RecordDeclarationBuilder& Byte(const std::string& label) {
    return Field(FieldType::kByte, label, 1);
  }
  RecordDeclarationBuilder& Short(const std::string& label) {
    return Field(FieldType::kShort, label, 2);
  }
  RecordDeclarationBuilder& UShort(const std::string& label) {
    return Field(FieldType::kUShort, label, 2);
  }
  RecordDeclarationBuilder& Long(const std::string& label) {
    return Field(FieldType::kLong, label, 4);
  }
  RecordDeclarationBuilder& ULong(const std::string& label) {
    return Field(FieldType::kULong, label, 4);
  }
  RecordDeclarationBuilder& Date(const std::string& label) {
    return Field(FieldType::kDate, label, 4);
  }
  RecordDeclarationBuilder& Time(const std::string& label) {
    return Field(FieldType::kTime, label, 4);
  }
  RecordDeclarationBuilder& SReal(const std::string& label) {
    return Field(FieldType::kSReal, label, 4);
  }
  RecordDeclarationBuilder& Real(const std::string& label) {
    return Field(FieldType::kReal, label, 8);
  }
  RecordDeclarationBuilder& String(const std::string& label, uint32_t length) {
    return Field(FieldType::kString, label, length);
  }
  RecordDeclarationBuilder& CString(const std::string& label, uint32_t length) {
    return Field(FieldType::kCString, label, length);
  }
  RecordDeclarationBuilder& PString(const std::string& label, uint32_t length) {
    return Field(FieldType::kPString, label, length);
  }
  // digits total and places, e.g. Decimal("X", 7, 2) for DECIMAL(7,2): 4 bytes.
  RecordDeclarationBuilder& Decimal(const std::string& label, uint32_t digits, uint8_t places);
  RecordDeclarationBuilder& PDecimal(const std::string& label, uint32_t digits, uint8_t places);
  RecordDeclarationBuilder& BeginGroup(const std::string& label,
                                       std::vector<uint32_t> dimensions = {});
  RecordDeclarationBuilder& EndGroup();

  // Modify the field added last.
  RecordDeclarationBuilder& Named(const std::string& external_name);
  RecordDeclarationBuilder& WithPicture(const std::string& picture);
  RecordDeclarationBuilder& Places(uint8_t decimal_places);
  // Makes the next field start at the offset of the field with that label
  // (or that index in declaration order).
  RecordDeclarationBuilder& Over(const std::string& label);
  RecordDeclarationBuilder& OverIndex(int32_t index);

  // Finishes the declaration; open groups are closed.
  RecordDeclaration Build();

 private:
  struct OpenGroup {
    size_t index;
    uint32_t start;
    uint32_t end;  // highest offset reached inside
  };
  RecordDeclaration declaration_;
  std::vector<OpenGroup> groups_;
  uint32_t next_offset_ = 0;
  int32_t pending_over_ = -1;
};

// The runtime's group clear over a record buffer: 0 blanks every field
// (spaces in strings, zero in numbers), a negative value gives every field its
// lowest value, a positive one its highest.
void ClearRecord(const RecordDeclaration& declaration, char* record, int32_t how);

}  // namespace vaultara::data
