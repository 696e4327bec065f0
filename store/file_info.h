#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/entry_kinds.h"
#include "store/error_code_of.h"
#include "store/status.h"
#include "store/store_file.h"
#include "store/store_header.h"
#include "store/table_declaration.h"

namespace vaultara::store {

// Looking into a store file from outside the statements, as a tool does:
// which tables it holds, their stored declarations, its header and regions.
// Nothing here writes to the file or takes its locks; a commit running in
// another process at the same moment may be seen half done.

// Opens the store file at path for reading only. An empty password: the file
// is not enciphered. A wrong password gives Status::NotStoreFile(), as a file
// that is no store file does.
Status OpenForInspection(platform::Platform& platform, const std::string& path,
                         std::string_view password, std::unique_ptr<StoreFile>* file);

// Whether the file at path has a header that is not readable without a
// password: it is at least a header long and the signature is missing from
// its plain bytes. False for a missing or empty file.
bool LooksEnciphered(platform::Platform& platform, const std::string& path);

// One table of a file: its name (upper case, as stored) and number.
struct StoredTable {
  std::string name;
  Identifier number = 0;
};

// The tables of the file, in name order.
Status ListTables(StoreFile& file, std::vector<StoredTable>* tables);

// The stored declaration of the table with that name (upper case); *found
// says whether the file holds such a table.
Status ReadStoredDeclaration(StoreFile& file, std::string_view table, TableDeclaration* declaration,
                             bool* found);

// The facts `info` reports about a store file.
struct FileInfo {
  struct Region {
    int size_class = 0;
    uint32_t start = 0;  // in 256-byte units
    uint32_t end = 0;
    uint32_t pages = 0;
  };
  struct Table {
    StoredTable table;
    uint32_t records = 0;  // the data counter
  };
  uint64_t file_size = 0;
  bool enciphered = false;
  StoreHeader header;           // as it stands at offset 0
  std::vector<Region> regions;  // the non-empty ones, in class order
  uint32_t end_of_page_area = 0;
  std::vector<Table> tables;
};

// Reads the header at offset 0 (with the password's cipher), the regions
// and the tables of the file at path.
Status ReadFileInfo(platform::Platform& platform, const std::string& path,
                    std::string_view password, FileInfo* info);

// The report of info, one fact a line ("name: value"), regions and tables
// indented below their headings.
std::string FormatFileInfo(const FileInfo& info);

}  // namespace vaultara::store
