#include "app/store_shell.h"

#include <istream>
#include <memory>
#include <ostream>

#include "app/declaration_json.h"
#include "app/json.h"
#include "app/record_json.h"
#include "app/table_layout.h"
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/statements.h"
#include "platform/code_page.h"
#include "store/fault_latch.h"
#include "store/file_info.h"
#include "store/integrity_check.h"
#include "store/table_name.h"

namespace vaultara::app {

namespace {

namespace err = data::err;

// Statement access modes: read only or read and write, sharing with others
// or denying them everything.
constexpr uint32_t kReadShared = 0x40;
constexpr uint32_t kWriteShared = 0x42;
constexpr uint32_t kWriteExclusive = 0x12;

std::string Outside(const std::string& windows1252) {
  return platform::Utf8FromWindows1252(windows1252);
}

// Reads a whole file through the platform; false when it cannot be read.
bool ReadWholeFile(platform::Platform& platform, const std::string& path, std::string* text) {
  std::unique_ptr<platform::File> file;
  if (platform.Open(path, platform::OpenMode{platform::Access::kRead, platform::Share::kDenyNone},
                    platform::Disposition::kOpenExisting, &file) != platform::syserr::kOk) {
    return false;
  }
  uint64_t size = 0;
  if (file->Size(&size) != platform::syserr::kOk) return false;
  text->assign(size, '\0');
  size_t got = 0;
  if (file->ReadAt(0, text->data(), text->size(), &got) != platform::syserr::kOk) return false;
  text->resize(got);
  return true;
}

}  // namespace

StoreShell::StoreShell(platform::Platform& platform, data::FileDriver& driver, std::istream& in,
                       std::ostream& out, std::ostream& err)
    : platform_(platform), driver_(driver), in_(in), out_(out), err_(err) {}

const char* StoreShell::Usage() {
  return "usage: zephyron [--owner TEXT] COMMAND ARGUMENTS\n"
         "  tables FILE                     the table names of the file\n"
         "  info FILE                       header, regions, journal and size\n"
         "  schema FILE\\!TABLE              the table's declaration as JSON\n"
         "  create FILE\\!TABLE DECL.json    create the table from a JSON declaration\n"
         "  dump FILE\\!TABLE [--key NAME]   every record as one JSON line\n"
         "  import FILE\\!TABLE              add the JSON lines of standard input\n"
         "  check FILE                      check the file's integrity\n"
         "  build FILE\\!TABLE               rebuild the table's keys\n"
         "  pack FILE\\!TABLE                rebuild the keys and cut the file\n"
         "  copy SRC DST                    copy a table or file\n"
         "  rename SRC DST                  rename a table or file\n"
         "  remove FILE\\!TABLE              remove a table (the file with its last)\n"
         "The owner password comes from --owner, else ZEPHYRON_OWNER, else the terminal.\n";
}

int StoreShell::UsageError(const std::string& text) {
  err_ << "zephyron: " << text << "\n" << Usage();
  return kFailed;
}

int StoreShell::Run(const std::string& command, const std::vector<std::string>& operands) {
  auto wants = [&](size_t n) { return operands.size() == n; };
  if (command == "tables" && wants(1)) return Tables(operands[0]);
  if (command == "info" && wants(1)) return Info(operands[0]);
  if (command == "schema" && wants(1)) return Schema(operands[0]);
  if (command == "create" && wants(2)) return Create(operands[0], operands[1]);
  if (command == "dump" && wants(1)) return Dump(operands[0], std::nullopt);
  if (command == "dump" && wants(3) && operands[1] == "--key")
    return Dump(operands[0], operands[2]);
  if (command == "import" && wants(1)) return Import(operands[0]);
  if (command == "check" && wants(1)) return Check(operands[0]);
  if ((command == "build" || command == "pack" || command == "remove") && wants(1)) {
    return TableCommand(command, operands[0]);
  }
  if ((command == "copy" || command == "rename") && wants(2)) {
    return CopyOrRename(command == "rename", operands[0], operands[1]);
  }
  for (const char* known : {"tables", "info", "schema", "create", "dump", "import", "check",
                            "build", "pack", "copy", "rename", "remove"}) {
    if (command == known) return UsageError("wrong arguments for " + command);
  }
  return UsageError("unknown command \"" + command + "\"");
}

// ---- Passwords and errors ------------------------------------------------

std::optional<std::string> StoreShell::Inside(const std::string& utf8) {
  std::optional<std::string> text = platform::Windows1252FromUtf8(utf8);
  if (!text) err_ << "zephyron: \"" << utf8 << "\" holds a character Windows-1252 lacks\n";
  return text;
}

std::optional<std::string> StoreShell::OwnerFor(const std::string& path) {
  // A file that is not enciphered is opened without a password, even when
  // one is given for other files.
  if (!store::LooksEnciphered(platform_, path)) return std::string();
  std::optional<std::string> owner = owner_;
  if (!owner && prompt_) owner = prompt_(Outside(path));
  if (!owner || owner->empty()) {
    err_ << "zephyron: " << Outside(path)
         << " is enciphered: give its owner password with --owner or ZEPHYRON_OWNER\n";
    return std::nullopt;
  }
  return Inside(*owner);
}

int StoreShell::Failure(const std::string& what, const std::string& path,
                        const std::string& password) {
  const int32_t code = data::ErrorCode();
  err_ << "zephyron: " << what << ": ";
  if (code == err::kInvalidDataFile && !password.empty() &&
      store::LooksEnciphered(platform_, path)) {
    err_ << "wrong owner password (error " << code << ": " << data::ErrorMessage() << ")\n";
    return kFailed;
  }
  err_ << "error " << code << ": " << Outside(data::ErrorMessage());
  if (code == err::kFileSystemError) {
    err_ << " (file error " << Outside(data::FileErrorCode()) << ": " << Outside(data::FileError())
         << ")";
  }
  err_ << "\n";
  return kFailed;
}

int StoreShell::StatusFailure(const store::Status& status, const std::string& what,
                              const std::string& path, const std::string& password) {
  data::ClearErrors();
  if (status.kind() == store::Status::Kind::kFault) {
    data::PostError(store::ReportFault(status.number()));
  } else {
    data::PostError(store::ErrorCodeOf(status));
  }
  return Failure(what, path, password);
}

// ---- Looking into a file -------------------------------------------------

bool StoreShell::FileAndOwner(const std::string& file, std::string* path, std::string* owner) {
  const std::optional<std::string> name = Inside(file);
  if (!name) return false;
  *path = store::TableName::Split(*name, platform_).path;
  std::optional<std::string> found = OwnerFor(*path);
  if (!found) return false;
  *owner = std::move(*found);
  return true;
}

int StoreShell::Tables(const std::string& file) {
  std::string path;
  std::string owner;
  if (!FileAndOwner(file, &path, &owner)) return kFailed;
  std::unique_ptr<store::StoreFile> store_file;
  store::Status status = store::OpenForInspection(platform_, path, owner, &store_file);
  std::vector<store::StoredTable> tables;
  if (status.ok()) status = store::ListTables(*store_file, &tables);
  if (!status.ok()) return StatusFailure(status, file, path, owner);
  for (const store::StoredTable& table : tables) out_ << Outside(table.name) << "\n";
  return kOk;
}

int StoreShell::Info(const std::string& file) {
  std::string path;
  std::string owner;
  if (!FileAndOwner(file, &path, &owner)) return kFailed;
  store::FileInfo info;
  const store::Status status = store::ReadFileInfo(platform_, path, owner, &info);
  if (!status.ok()) return StatusFailure(status, file, path, owner);
  out_ << Outside(store::FormatFileInfo(info));
  return kOk;
}

int StoreShell::Schema(const std::string& table) {
  TableTarget target;
  store::TableDeclaration declaration;
  if (const int failed = StoredDeclaration(table, &target, &declaration); failed != kOk) {
    return failed;
  }
  out_ << SchemaText(declaration, !target.owner.empty());
  return kOk;
}

int StoreShell::Check(const std::string& file) {
  std::string path;
  std::string owner;
  if (!FileAndOwner(file, &path, &owner)) return kFailed;
  std::unique_ptr<store::StoreFile> store_file;
  store::Status status = store::OpenForInspection(platform_, path, owner, &store_file);
  std::vector<std::string> problems;
  if (status.ok()) status = store::CheckIntegrity(*store_file, &problems);
  if (!status.ok()) return StatusFailure(status, file, path, owner);
  if (problems.empty()) {
    out_ << "ok\n";
    return kOk;
  }
  for (const std::string& problem : problems) out_ << Outside(problem) << "\n";
  return kProblems;
}

// ---- Tables through the statements ---------------------------------------

int StoreShell::StoredDeclaration(const std::string& table, TableTarget* target,
                                  store::TableDeclaration* declaration) {
  const std::optional<std::string> name = Inside(table);
  if (!name) return kFailed;
  target->name = *name;
  target->split = store::TableName::Split(*name, platform_);
  const std::optional<std::string> owner = OwnerFor(target->split.path);
  if (!owner) return kFailed;
  target->owner = *owner;
  std::unique_ptr<store::StoreFile> store_file;
  store::Status status =
      store::OpenForInspection(platform_, target->split.path, target->owner, &store_file);
  bool found = false;
  if (status.ok()) {
    status = store::ReadStoredDeclaration(*store_file, target->split.table, declaration, &found);
  }
  if (!status.ok()) return StatusFailure(status, table, target->split.path, target->owner);
  if (!found) {
    data::ClearErrors();
    data::PostError(err::kFileNotFound);
    return Failure(table, target->split.path, target->owner);
  }
  return kOk;
}

int StoreShell::Layout(const std::string& table, TableTarget* target) {
  store::TableDeclaration declaration;
  if (const int failed = StoredDeclaration(table, target, &declaration); failed != kOk) {
    return failed;
  }
  std::string error;
  target->layout = TableLayout::Make(declaration, driver_, target->name, target->owner, &error);
  if (!target->layout) {
    err_ << "zephyron: " << table << ": " << error << "\n";
    return kFailed;
  }
  return kOk;
}

int StoreShell::Create(const std::string& table, const std::string& declaration_path) {
  const std::optional<std::string> name = Inside(table);
  const std::optional<std::string> json_path = Inside(declaration_path);
  if (!name || !json_path) return kFailed;
  std::string text;
  if (!ReadWholeFile(platform_, *json_path, &text)) {
    err_ << "zephyron: " << declaration_path << ": cannot be read\n";
    return kFailed;
  }
  std::string error;
  const std::optional<JsonValue> json = ParseJson(text, &error);
  store::TableDeclaration declaration;
  bool owner_wanted = false;
  if (!json || !DeclarationFromJson(*json, &declaration, &owner_wanted, &error)) {
    err_ << "zephyron: " << declaration_path << ": " << error << "\n";
    return kFailed;
  }
  const store::TableName split = store::TableName::Split(*name, platform_);
  uint64_t size = 0;
  std::unique_ptr<platform::File> existing;
  const bool empty_file =
      platform_.Open(split.path, platform::OpenMode{platform::Access::kRead},
                     platform::Disposition::kOpenExisting, &existing) != platform::syserr::kOk ||
      existing->Size(&size) != platform::syserr::kOk || size == 0;
  existing.reset();
  std::string owner;
  if (!empty_file) {
    const bool enciphered = store::LooksEnciphered(platform_, split.path);
    if (enciphered != owner_wanted) {
      err_ << "zephyron: " << table << ": the file is " << (enciphered ? "" : "not ")
           << "enciphered, the declaration says \"owner\": " << (owner_wanted ? "true" : "false")
           << "\n";
      return kFailed;
    }
    const std::optional<std::string> known = OwnerFor(split.path);
    if (!known) return kFailed;
    owner = *known;
  } else if (owner_wanted) {
    std::optional<std::string> given = owner_;
    if (!given && prompt_) given = prompt_(Outside(split.path));
    if (!given || given->empty()) {
      err_ << "zephyron: " << table
           << ": the table is to be enciphered: give an owner password with --owner or "
              "ZEPHYRON_OWNER\n";
      return kFailed;
    }
    const std::optional<std::string> inside = Inside(*given);
    if (!inside) return kFailed;
    owner = *inside;
  }
  std::unique_ptr<TableLayout> layout =
      TableLayout::Make(declaration, driver_, *name, owner, &error);
  if (!layout) {
    err_ << "zephyron: " << declaration_path << ": " << error << "\n";
    return kFailed;
  }
  data::ClearErrors();
  if (data::Create(layout->file()) != 0) return Failure(table, split.path, owner);
  return kOk;
}

int StoreShell::Dump(const std::string& table, const std::optional<std::string>& key_name) {
  TableTarget target;
  if (const int failed = Layout(table, &target); failed != kOk) return failed;
  const std::string& path = target.split.path;
  const std::string& owner = target.owner;
  TableLayout* layout = target.layout.get();
  data::FileControlBlock& file = layout->file();
  data::KeyControlBlock* key = nullptr;
  if (key_name) {
    const std::optional<std::string> inside = Inside(*key_name);
    if (!inside) return kFailed;
    key = layout->FindKey(*inside);
    if (key == nullptr) {
      err_ << "zephyron: " << table << ": no key \"" << *key_name << "\"\n";
      return kFailed;
    }
  }
  data::ClearErrors();
  if (data::Open(file, kReadShared) != 0) return Failure(table, path, owner);
  int32_t outcome = key != nullptr ? data::SetKey(*key) : data::SetFile(file);
  while (outcome == 0) {
    outcome = data::Next(file);
    if (outcome == 0) out_ << WriteJson(RecordToJson(*layout)) << "\n";
  }
  const int result = outcome == err::kRecordNotAvailable ? kOk : Failure(table, path, owner);
  data::Close(file);
  return result;
}

int StoreShell::Import(const std::string& table) {
  TableTarget target;
  if (const int failed = Layout(table, &target); failed != kOk) return failed;
  const std::string& path = target.split.path;
  const std::string& owner = target.owner;
  TableLayout* layout = target.layout.get();
  std::string error;
  data::FileControlBlock& file = layout->file();
  data::ClearErrors();
  if (data::Open(file, kWriteShared) != 0) return Failure(table, path, owner);
  int result = kOk;
  std::string line;
  for (size_t number = 1; std::getline(in_, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::string where = "line " + std::to_string(number);
    const std::optional<JsonValue> json = ParseJson(line, &error);
    if (!json) {
      err_ << "zephyron: " << where << ": bad JSON: " << error << "\n";
      result = kProblems;
      continue;
    }
    if (!RecordFromJson(*json, *layout, &error)) {
      err_ << "zephyron: " << where << ": " << error << "\n";
      result = kProblems;
      continue;
    }
    data::ClearErrors();
    if (data::Add(file) != 0) {
      Failure(where, path, owner);
      result = kProblems;
    }
  }
  data::ClearErrors();
  if (data::Close(file) != 0) return Failure(table, path, owner);
  return result;
}

int StoreShell::TableCommand(const std::string& command, const std::string& table) {
  if (command == "remove") {
    const std::optional<std::string> name = Inside(table);
    if (!name) return kFailed;
    const store::TableName split = store::TableName::Split(*name, platform_);
    const std::optional<std::string> owner = OwnerFor(split.path);
    if (!owner) return kFailed;
    std::unique_ptr<TableLayout> layout = TableLayout::Bare(driver_, *name, *owner);
    data::ClearErrors();
    return data::Remove(layout->file()) == 0 ? kOk : Failure(table, split.path, *owner);
  }
  TableTarget target;
  if (const int failed = Layout(table, &target); failed != kOk) return failed;
  data::FileControlBlock& file = target.layout->file();
  data::ClearErrors();
  if (data::Open(file, kWriteExclusive) != 0) {
    return Failure(table, target.split.path, target.owner);
  }
  const int32_t outcome = command == "build" ? data::BuildFile(file) : data::Pack(file);
  int result = outcome == 0 ? kOk : Failure(table, target.split.path, target.owner);
  data::ClearErrors();
  if (data::Close(file) != 0 && result == kOk) {
    result = Failure(table, target.split.path, target.owner);
  }
  return result;
}

int StoreShell::CopyOrRename(bool rename, const std::string& source, const std::string& target) {
  const std::optional<std::string> name = Inside(source);
  const std::optional<std::string> to = Inside(target);
  if (!name || !to) return kFailed;
  const store::TableName split = store::TableName::Split(*name, platform_);
  const std::optional<std::string> owner = OwnerFor(split.path);
  if (!owner) return kFailed;
  std::unique_ptr<TableLayout> layout = TableLayout::Bare(driver_, *name, *owner);
  data::ClearErrors();
  const int32_t outcome =
      rename ? data::Rename(layout->file(), *to) : data::Copy(layout->file(), *to);
  return outcome == 0 ? kOk : Failure(source, split.path, *owner);
}

}  // namespace vaultara::app
