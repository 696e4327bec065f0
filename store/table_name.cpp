#include "store/table_name.h"

#include "data/character_tables.h"

namespace vaultara::store {

bool HasExtension(std::string_view path) {
  const size_t slash = path.find_last_of("/\\:");
  const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = last.rfind('.');
  return dot != std::string_view::npos && dot != 0;
}

TableName TableName::Split(std::string_view name, platform::Platform& platform) {
  TableName result;
  std::string_view path = name;
  std::string_view table;
  bool split = false;
  for (size_t at = name.find(kTableSeparator); at != std::string_view::npos;
       at = name.find(kTableSeparator, at + 1)) {
    const std::string left(name.substr(0, at));
    if (!left.empty() && platform.IsDirectory(left)) continue;
    path = name.substr(0, at);
    table = name.substr(at + kTableSeparator.size());
    split = true;
    break;
  }
  result.path = std::string(path);
  if (!result.path.empty() && !HasExtension(result.path)) result.path += kDefaultExtension;
  result.table = split ? data::ToUpper(table) : std::string(kUnnamedTable);
  return result;
}

std::string TableName::DisplayName() const {
  if (table == kUnnamedTable) return path;
  return path + std::string(kTableSeparator) + table;
}

}  // namespace vaultara::store
