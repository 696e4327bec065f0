#include "store/table_handle.h"

#include <algorithm>
#include <cstring>

#include "data/error_texts.h"
#include "platform/code_page.h"
#include "store/commit_policy.h"
#include "store/declaration_stream.h"
#include "store/entry_cursor.h"
#include "store/error_code_of.h"
#include "store/store_file.h"
#include "store/table_operation.h"

namespace vaultara::store {

namespace {

namespace err = data::err;

constexpr uint32_t kReadWriteDenyNone = 0x42;

Identifier FromBytes(const std::array<uint8_t, 4>& bytes) { return LoadBigU32(bytes.data()); }

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

// ---- Making a handle ----------------------------------------------------

int32_t TableHandle::Make(data::FileControlBlock& file, platform::Platform& platform,
                          const TableServices& services, std::unique_ptr<TableHandle>* handle) {
  if (file.record_length > limits::kMaxRecordLength) return err::kInvalidRecordDeclaration;
  handle->reset(new TableHandle(file, platform, services));
  return err::kNone;
}

TableHandle::TableHandle(data::FileControlBlock& file, platform::Platform& platform,
                         const TableServices& services)
    : fcb_(file), platform_(platform), services_(services) {
  if (services_.files == nullptr) services_.files = &ProcessFiles();
  if (services_.keys == nullptr) services_.keys = &NoKeys();
  if (services_.locks == nullptr) services_.locks = &StoreRecordLocks();
  oem_ = file.HasAttribute(data::attribute::kOem);
  TakeNames();
  program_ = TableDeclaration::FromControlBlock(file);
  declaration_ = program_;
  PrepareBuffers();
}

TableHandle::~TableHandle() { Close(); }

void TableHandle::TakeNames() {
  if (!name_set_) name_ = std::string(data::TrimRight(fcb_.name.Read()));
  if (!owner_set_) {
    std::string owner = fcb_.owner.Read();
    owner.resize(data::TrimRight(owner).size());
    owner_.Assign(std::move(owner));
  }
  if (!options_set_) options_ = std::string(data::TrimRight(fcb_.options.Read()));
}
void TableHandle::set_name(std::string name) {
  name_ = std::move(name);
  name_set_ = true;
}
void TableHandle::set_owner(std::string owner) {
  owner_.Assign(std::move(owner));
  owner_set_ = true;
}
void TableHandle::set_options(std::string options) {
  options_ = std::move(options);
  options_set_ = true;
}

std::string TableHandle::DisplayName() const {
  if (!open_) return name_;
  TableName shown = table_name_;
  shown.path = file_->path;
  return shown.DisplayName();
}

const data::CharacterTables& TableHandle::character_tables() const {
  return stored_tables_ ? *stored_tables_ : data::CurrentCharacterTables();
}

int32_t TableHandle::RenewCollation() {
  const data::LocaleBlock locale = data::SaveLocale();
  std::string collation(1, oem_ ? '\1' : '\0');
  collation.append(reinterpret_cast<const char*>(locale.data()), locale.size());
  STORE_TRY(file().Delete(CollationBlockKey(table_)));
  STORE_TRY(file().Insert(StoreEntry(CollationBlockKey(table_), collation)));
  stored_tables_ = data::LoadLocale(locale);
  return err::kNone;
}

void TableHandle::PrepareBuffers() {
  const uint32_t length = declaration_.record_length;
  if (fcb_.record != nullptr && fcb_.record_length >= length) {
    record_ = fcb_.record;
    own_record_.clear();
  } else {
    own_record_.assign(length, '\0');
    record_ = own_record_.data();
  }
  const bool program_memos = !declaration_.memos.empty() && !program_.memos.empty();
  memos_.clear();
  memos_.resize(declaration_.memos.size());
  for (size_t i = 0; i < memos_.size(); ++i) {
    MemoState& m = memos_[i];
    m.declared = declaration_.memos[i];
    m.buffer = program_memos && i < fcb_.memos.size() ? &fcb_.memos[i]->buffer : &m.own;
    if (!m.declared.blob()) {
      uint32_t size = m.declared.size;
      if (program_memos && i < fcb_.memos.size()) size = fcb_.memos[i]->size;
      m.buffer->assign(size, ' ');
    }
  }
}

// ---- Errors and commits ------------------------------------------------

int32_t TableHandle::ErrorOf(const Status& status) {
  if (status.kind() == Status::Kind::kFault) fault_status_ = status.number();
  return ErrorCodeOf(status);
}

int32_t TableHandle::Commit() {
  if (file_ == nullptr) return err::kNone;
  const int32_t error = ErrorOf(FinishOperation(file()));
  ReleaseChangedRecords();
  return error;
}

// ---- Files --------------------------------------------------------------

int32_t TableHandle::AcquireFile(const TableName& name, platform::OpenMode mode,
                                 platform::Disposition disposition, RegisteredFile** file) {
  if (name.path.empty()) return err::kInvalidFilename;
  return ErrorOf(files().Acquire(name.path, mode, disposition, owner_.str(), file));
}

void TableHandle::CloseFile() {
  if (file_ == nullptr) return;
  RegisteredFile* file = file_;
  file_ = nullptr;
  files().Release(file);
}

int32_t TableHandle::DeleteTableEntries(StoreFile& file, Identifier table) {
  // From the last entry below the next table number backwards, while the
  // entries still carry this table's number.
  const std::string prefix = TablePrefix(table);
  const std::string end = TablePrefix(table + 1);
  for (;;) {
    std::optional<StoreEntry> entry;
    STORE_TRY(file.Predecessor(end, &entry));
    if (!entry || !StartsWith(entry->key(), prefix)) return err::kNone;
    STORE_TRY(file.Delete(entry->key()));
  }
}

int32_t TableHandle::WriteFreshDeclaration(StoreFile& file, Identifier table) {
  STORE_TRY(WriteDeclarationBlocks(file, table, DeclarationWriter::Write(declaration_)));
  STORE_TRY(
      file.Insert(StoreEntry(CounterKey(table, entry_kind::kDataCounter), Counter{}.Encode())));
  for (size_t k = 0; k < declaration_.keys.size(); ++k) {
    STORE_TRY(
        file.Insert(StoreEntry(CounterKey(table, static_cast<uint8_t>(k)), Counter{}.Encode())));
  }
  return err::kNone;
}

// ---- Create, open, close -------------------------------------------------

int32_t TableHandle::Create() {
  if (!fcb_.HasAttribute(data::attribute::kCreate)) return err::kNoCreateAttribute;
  if (open_) Close();
  if (program_.beyond_limits) return err::kInvalidRecordDeclaration;
  const TableName name = TableName::Split(name_, platform_);
  RegisteredFile* registered = nullptr;
  int32_t error = AcquireFile(name, {platform::Access::kReadWrite, platform::Share::kDenyNone},
                              platform::Disposition::kOpenOrCreate, &registered);
  if (error != err::kNone) return error;
  StoreFile& file = *registered->file;
  declaration_ = program_;
  auto body = [&]() -> int32_t {
    STORE_TRY(file.BeginWrite());
    std::optional<StoreEntry> old;
    STORE_TRY(file.Find(TableNameKey(name.table), &old));
    if (old && old->data().size() >= 4) {
      const int32_t e = DeleteTableEntries(file, ReadBigEndian(old->data()));
      if (e != err::kNone) return e;
    }
    if (old) STORE_TRY(file.Delete(old->key()));
    std::array<uint8_t, 4> number{};
    STORE_TRY(file.IssueIdentifier(&number));
    const Identifier table = FromBytes(number);
    STORE_TRY(file.Insert(StoreEntry(TableNameKey(name.table), BigEndian(table))));
    const int32_t e = WriteFreshDeclaration(file, table);
    if (e != err::kNone) return e;
    const data::LocaleBlock locale = data::SaveLocale();
    std::string collation(1, oem_ ? '\1' : '\0');
    collation.append(reinterpret_cast<const char*>(locale.data()), locale.size());
    STORE_TRY(file.Insert(StoreEntry(CollationBlockKey(table), collation)));
    STORE_TRY(file.Commit());
    return err::kNone;
  };
  error = body();
  if (error != err::kNone) file.Discard();
  file.EndOperation();
  files().Release(registered);
  return error;
}

int32_t TableHandle::Open(uint32_t access_mode) { return OpenTable(access_mode, true); }

int32_t TableHandle::OpenTable(uint32_t access_mode, bool check_declaration) {
  if (open_) return err::kFileAlreadyOpen;
  if ((access_mode & 3) == 1) return err::kAccessDenied;
  table_name_ = TableName::Split(name_, platform_);
  int32_t error = AcquireFile(table_name_, platform::OpenMode::FromAccessMode(access_mode),
                              platform::Disposition::kOpenExisting, &file_);
  if (error != err::kNone) return error;
  OperationEnd end(file_);
  auto body = [&]() -> int32_t {
    std::optional<StoreEntry> entry;
    STORE_TRY(file().Find(TableNameKey(table_name_.table), &entry));
    if (!entry || entry->data().size() < 4) return err::kFileNotFound;
    table_ = ReadBigEndian(entry->data());
    std::string stream;
    STORE_TRY(ReadDeclarationBlocks(file(), table_, &stream));
    const TableDeclaration stored = DeclarationReader::Read(stream);
    if (program_.dynamic() || !check_declaration) {
      declaration_ = stored;
    } else if (!Matches(stored, program_)) {
      return err::kInvalidRecordDeclaration;
    } else {
      declaration_ = program_;
    }
    std::optional<StoreEntry> collation;
    STORE_TRY(file().Find(CollationBlockKey(table_), &collation));
    stored_tables_.reset();
    if (collation && collation->data().size() >= 1 + data::kLocaleBlockSize) {
      oem_ = collation->data()[0] != 0;
      data::LocaleBlock block;
      std::memcpy(block.data(), collation->data().data() + 1, block.size());
      stored_tables_ = data::LoadLocale(block);
    }
    return err::kNone;
  };
  error = body();
  if (error != err::kNone) {
    CloseFile();
    declaration_ = program_;
    return error;
  }
  PrepareBuffers();
  open_ = true;
  current_ = 0;
  held_ = watched_ = memos_not_loaded_ = false;
  keys().Opened(*this);
  return err::kNone;
}

int32_t TableHandle::Close() {
  if (!open_) return err::kNone;
  keys().Closing(*this);
  Release();
  ReleaseChangedRecords();
  RegisteredFile* file = file_;
  file_ = nullptr;
  open_ = false;
  current_ = 0;
  watched_ = false;
  if (fault_status_ != 0) {
    // Nothing of a faulted operation is committed; its locks are given back.
    files().ReleaseAfterFault(file, table_);
    clear_fault();
    return err::kNone;
  }
  return ErrorOf(files().Release(file));
}

// ---- Remove and empty ---------------------------------------------------

int32_t TableHandle::Remove() {
  if (open_) Close();
  int32_t error = OpenTable(kReadWriteDenyNone, false);
  if (error != err::kNone) return error;
  bool last = false;
  {
    OperationEnd end(file_);
    auto body = [&]() -> int32_t {
      STORE_TRY(file().BeginWrite());
      STORE_TRY(file().Delete(TableNameKey(table_name_.table)));
      STORE_TRY(file().Delete(CollationBlockKey(table_)));
      EntryCursor names(file());
      STORE_TRY(names.Seek(std::string(1, static_cast<char>(entry_kind::kTableName))));
      last =
          !names.valid() || static_cast<uint8_t>(names.entry().key()[0]) != entry_kind::kTableName;
      const int32_t e = DeleteTableEntries(file(), table_);
      if (e != err::kNone) return e;
      STORE_TRY(file().Commit());
      return err::kNone;
    };
    error = body();
    if (error != err::kNone) file().Discard();
  }
  const std::string path = file_->path;
  const bool only_user = file_->uses == 1;
  keys().Closing(*this);
  open_ = false;
  CloseFile();
  declaration_ = program_;
  if (error != err::kNone || !last || !only_user) return error;
  const platform::SysError deleted = platform_.Delete(path);
  return deleted == platform::syserr::kOk ? err::kNone : ErrorOf(Status::SystemError(deleted));
}

int32_t TableHandle::Empty() {
  if (!open_) return err::kFileNotOpen;
  OperationEnd end(file_);
  STORE_TRY(file().BeginWrite());
  // The collation block stays: the keys built from now on must keep the
  // order the table was created with.
  std::optional<StoreEntry> collation;
  STORE_TRY(file().Find(CollationBlockKey(table_), &collation));
  int32_t error = DeleteTableEntries(file(), table_);
  if (error == err::kNone) error = WriteFreshDeclaration(file(), table_);
  if (error == err::kNone && collation) error = ErrorOf(file().Insert(*collation));
  Release();
  current_ = 0;
  return error;
}

// ---- Counters --------------------------------------------------------------

int32_t TableHandle::ReadCounter(uint8_t which, Counter* counter) {
  if (!open_) return err::kFileNotOpen;
  std::optional<StoreEntry> entry;
  STORE_TRY(file().Find(CounterKey(table_, which), &entry));
  *counter = entry ? Counter::Decode(entry->data()) : Counter{};
  return err::kNone;
}

int32_t TableHandle::WriteCounter(uint8_t which, const Counter& counter) {
  if (!open_) return err::kFileNotOpen;
  const std::string key = CounterKey(table_, which);
  STORE_TRY(file().BeginWrite());
  STORE_TRY(file().Delete(key));
  STORE_TRY(file().Insert(StoreEntry(key, counter.Encode())));
  return err::kNone;
}

int32_t TableHandle::Records(uint32_t* count) {
  if (!open_) return err::kFileNotOpen;
  OperationEnd end(file_);
  Counter counter;
  const int32_t error = ReadCounter(entry_kind::kDataCounter, &counter);
  *count = counter.count;
  return error;
}

}  // namespace vaultara::store
