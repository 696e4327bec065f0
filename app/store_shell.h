#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/table_layout.h"
#include "data/file_driver.h"
#include "platform/platform.h"
#include "store/status.h"
#include "store/table_declaration.h"
#include "store/table_name.h"

namespace vaultara::app {

// The store shell: the commands of the `zephyron` tool over a store file
// and its tables, reached through the file statements (and, for looking
// into a file, through the store's inspection functions).
//
//   tables FILE                     the table names, one a line
//   info FILE                       header, regions, journal, size, tables
//   schema FILE\!TABLE              the stored declaration as JSON
//   create FILE\!TABLE DECL.json    creates the table from a JSON declaration
//   dump FILE\!TABLE [--key NAME]   every record as a JSON line
//   import FILE\!TABLE              adds the JSON lines of standard input
//   check FILE                      the integrity check: "ok" or the problems
//   build FILE\!TABLE, pack FILE\!TABLE, copy SRC DST, rename SRC DST,
//   remove FILE\!TABLE
//
// Names, texts and arguments are UTF-8 outside and Windows-1252 inside. An
// enciphered file needs the owner password: the one set with set_owner,
// else the one the prompt answers. Errors go to the error stream as
// "zephyron: " and what failed, the store's error code and text, and for
// error 90 the file error code and text; a wrong password is named as such.
class StoreShell {
 public:
  // Exit statuses of Run.
  static constexpr int kOk = 0;
  static constexpr int kProblems = 1;  // check found problems, import refused lines
  static constexpr int kFailed = 2;    // an error, or a command used wrongly

  // Asks for the owner password of a file (its name given in UTF-8);
  // nullopt when there is no one to ask.
  using PasswordPrompt = std::function<std::optional<std::string>(const std::string& file)>;

  StoreShell(platform::Platform& platform, data::FileDriver& driver, std::istream& in,
             std::ostream& out, std::ostream& err);

  // The owner password for every file the command touches (UTF-8).
  void set_owner(std::optional<std::string> owner) { owner_ = std::move(owner); }
  void set_prompt(PasswordPrompt prompt) { prompt_ = std::move(prompt); }

  // Runs one command with its operands and returns the exit status.
  int Run(const std::string& command, const std::vector<std::string>& operands);

  // How the commands are used, for a usage message.
  static const char* Usage();

 private:
  int Tables(const std::string& file);
  int Info(const std::string& file);
  int Schema(const std::string& table);
  int Create(const std::string& table, const std::string& declaration_path);
  int Dump(const std::string& table, const std::optional<std::string>& key);
  int Import(const std::string& table);
  int Check(const std::string& file);
  int TableCommand(const std::string& command, const std::string& table);
  int CopyOrRename(bool rename, const std::string& source, const std::string& target);

  // A table named on the command line: where it lives, the password of its
  // file, and a layout made from its stored declaration.
  struct TableTarget {
    std::string name;  // Windows-1252
    store::TableName split;
    std::string owner;
    std::unique_ptr<TableLayout> layout;
  };
  // Fills target for the table named by the argument table; reports and
  // returns kFailed when the table cannot be reached.
  int Layout(const std::string& table, TableTarget* target);
  // The same without the layout: the stored declaration itself.
  int StoredDeclaration(const std::string& table, TableTarget* target,
                        store::TableDeclaration* declaration);

  // Windows-1252 from a UTF-8 argument; reports and gives nullopt when it
  // cannot be converted.
  std::optional<std::string> Inside(const std::string& utf8);
  // The owner password to use for the store file at path (Windows-1252);
  // nullopt (reported) when the file is enciphered and no password is known.
  std::optional<std::string> OwnerFor(const std::string& path);
  // The store file a command names and its owner password; false (already
  // reported) when either cannot be had.
  bool FileAndOwner(const std::string& file, std::string* path, std::string* owner);
  // Reports the error the last statement or inspection left in the error
  // state, for what (UTF-8), and returns kFailed. A failed open of an
  // enciphered file is reported as a wrong password.
  int Failure(const std::string& what, const std::string& path, const std::string& password);
  // Posts a store status into the error state and reports it.
  int StatusFailure(const store::Status& status, const std::string& what, const std::string& path,
                    const std::string& password);
  int UsageError(const std::string& text);

  platform::Platform& platform_;
  data::FileDriver& driver_;
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  std::optional<std::string> owner_;
  PasswordPrompt prompt_;
};

}  // namespace vaultara::app
