#pragma once

#include <cstdint>
#include <vector>

#include "data/record_declaration.h"

namespace vaultara::data {

// The zero-terminated and length-prefixed text elements of a record layout
// (inside groups and arrays too), whose unused tails can be overwritten
// without changing any value the record shows. Clear fills each tail with
// copies of the byte at the text's end (the terminator, or the last
// character), so that records compress well and equal values have equal
// bytes.
//
// An element that shares bytes with a field declared OVER another is left
// alone: its tail is another field's value.
class StringTails {
 public:
  explicit StringTails(const RecordDeclaration& layout);

  // True when the layout has no element whose tail could be cleared.
  bool empty() const { return elements_.empty(); }
  // Clears every tail in record (laid out by the layout given at
  // construction).
  void Clear(char* record) const;

 private:
  struct Element {
    FieldType type;
    uint32_t offset;
    uint32_t size;
  };
  std::vector<Element> elements_;
};

}  // namespace vaultara::data
