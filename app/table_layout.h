#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/file_control_block.h"
#include "data/file_driver.h"
#include "data/record_declaration.h"
#include "store/table_declaration.h"

namespace vaultara::app {

// A file control block made from a table's declaration as the store keeps
// it, so that a tool can reach any table through the file statements: the
// record declaration (fields in order, groups, arrays, overlays, pictures),
// the keys and memos, and the record buffer, with the table's name and
// owner password as its variables.
//
// The block is made so that the store sees exactly the declaration it was
// made from; Make says when that cannot be done. Not copyable: the control
// block points into it.
class TableLayout {
 public:
  // Makes the layout of declaration for the table called name (a store name
  // "path\!table"), declared with the CREATE attribute, and with ENCRYPT and
  // the owner password when owner is not empty. Returns nullptr and sets
  // *error when the declaration cannot be declared again as it stands.
  static std::unique_ptr<TableLayout> Make(const store::TableDeclaration& declaration,
                                           data::FileDriver& driver, const std::string& name,
                                           const std::string& owner, std::string* error);
  // A layout without fields, keys or memos (for statements that need no
  // declaration, such as removing or copying a table).
  static std::unique_ptr<TableLayout> Bare(data::FileDriver& driver, const std::string& name,
                                           const std::string& owner);
  ~TableLayout();
  TableLayout(const TableLayout&) = delete;
  TableLayout& operator=(const TableLayout&) = delete;

  data::FileControlBlock& file() { return file_; }
  const data::RecordDeclaration& record_declaration() const { return record_; }
  const store::TableDeclaration& declaration() const { return declaration_; }
  char* record() { return buffer_.data(); }

  // The key whose label or external name is name (case ignored), or nullptr.
  data::KeyControlBlock* FindKey(const std::string& name);

 private:
  TableLayout(data::FileDriver& driver, const std::string& name, const std::string& owner);

  std::string name_;
  std::string owner_;
  store::TableDeclaration declaration_;
  data::RecordDeclaration record_;
  std::vector<char> buffer_;
  data::FileControlBlock file_;
};

}  // namespace vaultara::app
