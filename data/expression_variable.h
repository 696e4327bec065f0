#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/expression_value.h"
#include "data/field_type.h"
#include "data/record_declaration.h"

namespace vaultara::data {

// A program variable or a record field that expressions may name: where it
// lies, what type it has and, for a field, the table whose record buffer
// holds it. The memory belongs to the program; it must stay where it is for
// as long as expressions compiled against it are evaluated.
//
// Its class in expressions follows its type: BYTE, SHORT, USHORT, DATE,
// TIME, LONG and ULONG are integers; SREAL, REAL, DECIMAL and PDECIMAL are
// reals; STRING, CSTRING, PSTRING, MEMO and GROUP are texts (a group is the
// text of its bytes). BLOBs live outside the record and cannot be named.
struct ExpressionVariable {
  FieldType type = FieldType::kLong;
  char* address = nullptr;
  uint32_t element_size = 4;         // bytes of one element
  std::vector<uint32_t> dimensions;  // empty for a scalar
  uint8_t decimal_places = 0;        // DECIMAL, PDECIMAL
  const void* table = nullptr;       // the owning table; nullptr for a program variable
  std::string sql_name;              // the column name for SQL text; empty: the bound name

  static ExpressionVariable Long(int32_t* value);
  static ExpressionVariable Real(double* value);
  // A fixed-length, blank-padded text of length bytes.
  static ExpressionVariable String(char* text, uint32_t length);
  // The field as it lies in record (the buffer the declaration describes).
  static ExpressionVariable Field(const FieldDescriptor& field, char* record,
                                  const void* table = nullptr);

  // False for types an expression cannot read (BLOB, or a null address).
  bool Readable() const;
  ValueClass Class() const;
  uint32_t ElementCount() const;

  // The current value of element (0-based, row-major over the dimensions) in
  // the variable's own class. A text points into the variable itself, or into
  // *scratch for the types that need decoding.
  ExpressionValue Read(uint32_t element, std::string* scratch) const;
};

}  // namespace vaultara::data
