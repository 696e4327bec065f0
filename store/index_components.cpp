#include "store/index_components.h"

#include "data/error_texts.h"
#include "store/key_component.h"

namespace vaultara::store {

namespace {

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimTrailing(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

int32_t ParseIndexComponents(std::string_view text, const TableDeclaration& table,
                             std::vector<StoredComponent>* components) {
  components->clear();
  text = TrimTrailing(text);
  if (text.empty()) return data::err::kInvalidIndexString;
  for (;;) {
    const size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    bool descending = false;
    if (!item.empty() && (item.front() == '+' || item.front() == '-')) {
      descending = item.front() == '-';
      item.remove_prefix(1);
    }
    item = TrimTrailing(item);
    int32_t found = -1;
    for (size_t i = 0; i < table.fields.size() && !item.empty(); ++i) {
      if (SameName(table.fields[i].name, item)) {
        found = static_cast<int32_t>(i);
        break;
      }
    }
    if (found < 0) return data::err::kInvalidIndexString;
    const StoredField& field = table.fields[static_cast<size_t>(found)];
    if (field.count != 1 || !IsKeyComponentType(static_cast<data::FieldType>(field.type))) {
      return data::err::kInvalidIndexString;
    }
    components->push_back(
        StoredComponent{static_cast<uint16_t>(found), static_cast<uint16_t>(descending ? 1 : 0)});
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return 0;
}

}  // namespace vaultara::store
