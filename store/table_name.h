#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vaultara::store {

// The separator between a store file's path and the name of a table in it:
// "/home/ann/mine.zph\!PRODUCTS".
inline constexpr std::string_view kTableSeparator = "\\!";
// The name of the table a name without a separator addresses.
inline constexpr std::string_view kUnnamedTable = "UNNAMED";
// The extension a path without one gets.
inline constexpr std::string_view kDefaultExtension = ".ZPH";

// A table's address: the path of its store file and its name inside it.
struct TableName {
  std::string path;   // with the default extension when it had none
  std::string table;  // upper case; "UNNAMED" when the name had no separator

  // Splits a name. The table name starts after the first separator whose left
  // side is not an existing folder (a folder may itself be called "x\!y");
  // it is turned to upper case by the current character tables.
  static TableName Split(std::string_view name, platform::Platform& platform);

  // The name as it is shown: the path, then the separator and the table name
  // unless the table is "UNNAMED".
  std::string DisplayName() const;
};

// True when name contains the table separator.
inline bool HasTableSeparator(std::string_view name) {
  return name.find(kTableSeparator) != std::string_view::npos;
}

// True when the last component of path has an extension.
bool HasExtension(std::string_view path);

}  // namespace vaultara::store
