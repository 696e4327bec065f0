#include "data/string_tails.h"

#include <cstring>

namespace vaultara::data {

namespace {

struct Range {
  uint32_t begin;
  uint32_t end;
};

// Where each repetition of a field starts: its own offset repeated by every
// enclosing dimensioned group. Members' offsets are those of the first
// element of their groups.
std::vector<uint32_t> Repetitions(const RecordDeclaration& layout,
                                  const std::vector<size_t>& groups, size_t index) {
  std::vector<uint32_t> starts{layout.fields[index].offset};
  for (size_t g : groups) {
    const FieldDescriptor& group = layout.fields[g];
    const uint32_t count = group.ElementCount();
    if (count <= 1) continue;
    std::vector<uint32_t> more;
    for (uint32_t start : starts) {
      for (uint32_t k = 0; k < count; ++k) more.push_back(start + k * group.element_size);
    }
    starts.swap(more);
  }
  return starts;
}

}  // namespace

StringTails::StringTails(const RecordDeclaration& layout) {
  std::vector<Range> overlaid;
  std::vector<Element> candidates;
  std::vector<size_t> groups;  // enclosing groups of the current field
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const FieldDescriptor& f = layout.fields[i];
    while (!groups.empty() && layout.fields[groups.back()].nesting >= f.nesting) groups.pop_back();
    std::vector<uint32_t> starts = Repetitions(layout, groups, i);
    if (f.over >= 0) {
      for (uint32_t s : starts) overlaid.push_back({s, s + f.size});
    }
    if (f.type == FieldType::kCString || f.type == FieldType::kPString) {
      for (uint32_t s : starts) {
        for (uint32_t e = 0; e < f.ElementCount(); ++e) {
          uint32_t at = s + e * f.element_size;
          if (f.element_size > 1 && at + f.element_size <= layout.record_length) {
            candidates.push_back({f.type, at, f.element_size});
          }
        }
      }
    }
    if (f.type == FieldType::kGroup) groups.push_back(i);
  }
  for (const Element& c : candidates) {
    bool shared = false;
    for (const Range& r : overlaid) {
      if (c.offset < r.end && r.begin < c.offset + c.size) shared = true;
    }
    if (!shared) elements_.push_back(c);
  }
}

void StringTails::Clear(char* record) const {
  for (const Element& e : elements_) {
    char* text = record + e.offset;
    uint32_t end;  // index of the byte that ends the text
    if (e.type == FieldType::kCString) {
      const void* zero = std::memchr(text, 0, e.size);
      if (zero == nullptr) continue;
      end = static_cast<uint32_t>(static_cast<const char*>(zero) - text);
    } else {
      end = static_cast<unsigned char>(text[0]);
      if (end >= e.size) continue;
    }
    std::memset(text + end + 1, text[end], e.size - end - 1);
  }
}

}  // namespace vaultara::data
