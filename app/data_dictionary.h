#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/file_control_block.h"
#include "data/file_driver.h"
#include "data/record_declaration.h"

namespace vaultara::app {

// The attributes every table of the password file is declared with: ENCRYPT,
// CREATE and THREAD, plus the low bit, which the drivers do not use (0x17).
inline constexpr uint8_t kTableAttributes =
    0x01 | data::attribute::kEncrypt | data::attribute::kCreate | data::attribute::kThread;

// The kind of category record the program uses (TYP:TYPETYPE), and the name
// under which expressions see it.
inline constexpr uint8_t kCategoryKind = 1;
inline constexpr std::string_view kCategoryKindName = "EQU:TYPE:Category";
// The display name of a kind of category record: "Product Categories" for
// kind 1, empty for every other kind.
std::string_view CategoryKindName(int32_t kind);

// The store table names inside a password file.
inline constexpr std::string_view kProductsTable = "Products";
inline constexpr std::string_view kTypesTable = "Types";
inline constexpr std::string_view kVendorsTable = "Vendors";

// What the dictionary says about one key beyond its control block: the
// description the file manager shows for it and whether the file manager
// numbers it automatically on insert.
//
// An alias's key is known to the program by the alias's name ("TYPA:K__"),
// but its control block carries the label of the aliased table's key
// ("TYP:K__"), as its fields carry the aliased fields' names: the store
// compares the declaration it is opened with against the stored one name for
// name, and an alias opens the very table it aliases.
struct KeyInfo {
  data::KeyControlBlock* key = nullptr;
  std::string label;  // the program's name of the key
  std::string description;
  bool auto_number = false;
};

// One declared table or alias of the dictionary: its record declaration and
// buffer, its file control block (driver, name variable, owner variable,
// attributes, keys, memos) and the dictionary's notes on its keys.
//
// The record buffer lives as long as the table and starts cleared (zero
// numbers, blank strings). Not copyable: the control block points into it.
struct DictionaryTable {
  DictionaryTable() = default;
  DictionaryTable(const DictionaryTable&) = delete;
  DictionaryTable& operator=(const DictionaryTable&) = delete;
  ~DictionaryTable();

  std::string prefix;  // "PRO", "TYPA", ...
  data::RecordDeclaration declaration;
  std::vector<char> record;
  data::FileControlBlock file;
  std::vector<KeyInfo> keys;
  // For an alias, the table whose store table it names; nullptr otherwise.
  DictionaryTable* aliased = nullptr;

  // The field with that label (case ignored); the program knows its labels,
  // so an unknown one is a programming error (std::out_of_range).
  const data::FieldDescriptor& Field(std::string_view label) const;
  // The key with that name, e.g. "TYP:K_NAME" or "TYPA:K_NAME"
  // (std::out_of_range).
  data::KeyControlBlock& Key(std::string_view label);
  // The memo with that label (std::out_of_range).
  data::MemoControlBlock& Memo(std::string_view label);

  // Plain access to the record buffer by field label. Texts are stored cut
  // to the field and padded with spaces, and read without trailing spaces.
  int32_t GetLong(std::string_view label) const;
  void SetLong(std::string_view label, int32_t value);
  std::string GetText(std::string_view label) const;
  void SetText(std::string_view label, std::string_view text);
  // Zero numbers, blank strings; memos are blanked too once the driver has
  // given them buffers.
  void ClearBuffer();
};

// The program's global variables that parameterise the tables: fixed-length,
// blank-padded texts.
struct DictionaryGlobals {
  std::array<char, 100> master_password;      // OWNER of every table
  std::array<char, 255> password_file_name;   // full path of the open file
  std::array<char, 200> products_table_name;  // path & "\!Products": PRO
  std::array<char, 200> types_table_name;     // path & "\!Types": TYP, TYPA
  std::array<char, 200> vendors_table_name;   // path & "\!Vendors": VEN, VENA
  std::array<char, 1> dummy_table_name;       // DUM's: one blank
  uint8_t category_kind = kCategoryKind;

  DictionaryGlobals();
};

// The data dictionary of the password file: the tables PRO (password
// entries), TYP (categories), VEN (vendors) and DUM (never opened), the
// aliases TYPA on TYP and VENA on VEN, and the global variables their names
// and owner are bound to. Every table is declared for the given driver
// (normally "ZEPHYRON") with kTableAttributes and the master password as
// OWNER.
//
// The dictionary opens nothing: the program sets the master password and the
// table names (SetPasswordFile) and then opens tables through the file
// statements. Not copyable; it must outlive every statement on its tables.
class DataDictionary {
 public:
  explicit DataDictionary(data::FileDriver& driver);
  DataDictionary(const DataDictionary&) = delete;
  DataDictionary& operator=(const DataDictionary&) = delete;

  DictionaryGlobals globals;
  DictionaryTable pro, typ, ven, dum, typa, vena;

  // Sets the master password (cut to 100 characters).
  void SetMasterPassword(std::string_view password);
  // Sets the password file name and the three table names from the file's
  // full path: path & "\!Products", "\!Types" and "\!Vendors".
  void SetPasswordFile(std::string_view path);

  // The six declarations in the order the program sets them up: DUM, PRO,
  // VEN, TYP, VENA, TYPA.
  std::array<DictionaryTable*, 6> Tables();

  // Binds the category kind constant under kCategoryKindName for
  // expressions (in the process's current scope).
  bool BindCategoryKind();

  // Gives every table's driver state back (DESTROY for each table that has
  // one), as the program does at its end.
  void DestroyStates();
};

}  // namespace vaultara::app
