#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/character_tables.h"
#include "data/file_control_block.h"
#include "platform/platform.h"
#include "platform/secret.h"
#include "store/entry_kinds.h"
#include "store/file_registry.h"
#include "store/key_maintenance.h"
#include "store/record_locks.h"
#include "store/status.h"
#include "store/store_entry.h"
#include "store/table_declaration.h"
#include "store/table_name.h"

namespace vaultara::store {

// What a table works with besides its file control block. Every member has a
// default: the process's registry, no keys, no record locks.
struct TableServices {
  FileRegistry* files = nullptr;  // nullptr: ProcessFiles()
  KeyMaintenance* keys = nullptr;
  RecordLocks* locks = nullptr;
};

// One memo or blob of an open table.
struct MemoState {
  StoredMemo declared;
  // The program's buffer (a text memo: its declared size, space filled; a
  // blob: its current content), or the table's own for a dynamic open.
  std::vector<char>* buffer = nullptr;
  std::vector<char> own;
  bool touched = false;  // blobs: read, resized or replaced since the last record access
  std::string snapshot;  // the memo as stored when a watched record was read
};

// One program-level file buffer open on a table of a store file: what the
// table is (its number, its file, its declaration), the program's record and
// memo buffers, and the record the program stands on.
//
// Every operation returns 0 or an error code of data/error_texts.h. A
// structural fault inside the store returns 90 and is latched (fault_status());
// the driver then refuses further work until the table is closed. An
// operation that changes the file leaves its changes pending in the file: the
// caller commits them (Commit) when the operation ends, or keeps them for a
// transaction.
class TableHandle {
 public:
  // A handle for file. A record longer than 15000 bytes gets none: 47.
  static int32_t Make(data::FileControlBlock& file, platform::Platform& platform,
                      const TableServices& services, std::unique_ptr<TableHandle>* handle);
  ~TableHandle();
  TableHandle(const TableHandle&) = delete;
  TableHandle& operator=(const TableHandle&) = delete;

  // ---- Names -------------------------------------------------------------
  // The name, owner password and driver options used by the next open; taken
  // from the file control block's variables when the handle is made, and
  // again by TakeNames unless set here.
  void TakeNames();
  void set_name(std::string name);
  void set_owner(std::string owner);
  void set_options(std::string options);
  const std::string& name() const { return name_; }
  const std::string& owner() const { return owner_.str(); }
  const std::string& options() const { return options_; }
  // The full path, then "\!" and the table name unless it is "UNNAMED"; the
  // declared name while the table is not open.
  std::string DisplayName() const;

  // ---- Tables ------------------------------------------------------------
  // Creates the table (replacing one of that name), creating the file when
  // it is missing; requires the CREATE attribute (54). The table is left
  // closed.
  int32_t Create();
  // Opens the table with a statement access mode (platform::OpenMode).
  // 45 empty path, 2 no such table, 47 declaration mismatch.
  int32_t Open(uint32_t access_mode);
  // Commits pending changes and lets go of the file.
  int32_t Close();
  // Removes the table; the file goes with its last table. The table must not
  // be open through this handle.
  int32_t Remove();
  // Copies (Copy) or moves (Rename) the table to target, another table name.
  // A target table that exists is replaced by Copy and refused by Rename (5).
  int32_t Copy(const std::string& target);
  int32_t Rename(const std::string& target);
  // Deletes every record (open table).
  int32_t Empty();

  // ---- Records -----------------------------------------------------------
  // Adds the record buffer as a new record, with its memos; it becomes the
  // current record. Append maintains no keys (they are marked out of date).
  int32_t Add();
  int32_t Append();
  // Rewrites the current record (33 without one; 89 when watched and
  // changed meanwhile; 40 on a duplicate key, with nothing changed).
  int32_t Put();
  // Deletes the current record with its memos and key entries (33).
  int32_t Delete();
  // Loads record `record` into the record buffer (35 when it is missing).
  int32_t Fetch(Identifier record);
  // Loads the record an entry names: a data record, or an index entry of one
  // of the table's keys (35 when its record is missing).
  int32_t FetchEntry(const StoreEntry& entry);
  // The record number an index entry or data entry of this table names.
  Identifier RecordNumberOf(const StoreEntry& entry) const;
  // The number of data records (the data counter).
  int32_t Records(uint32_t* count);

  // One-shot requests for the next read.
  void RequestHold(bool on = true) { hold_requested_ = on; }
  void RequestWatch(bool on = true) { watch_requested_ = on; }
  void RequestNoMemo(bool on = true) { no_memo_requested_ = on; }
  void ClearRequests();
  // Releases the held record.
  void Release();
  // Gives back the record locks of the PUTs and DELETEs of this operation
  // (their own lock, or the hold they ended). They are kept until the
  // operation's changes are committed (or put off), so that no other opener
  // can hold or change the record while its old state is still the
  // committed one, and so lose this change.
  void ReleaseChangedRecords();
  // Makes record current without reading it (for a put by record number).
  void set_current(Identifier record) { current_ = record; }

  // ---- Memos and blobs ---------------------------------------------------
  int32_t ReadMemos();
  int32_t WriteMemos();
  int32_t DeleteMemos();
  // True when the stored memos of the current record differ from the snapshot
  // taken at a watched read.
  int32_t MemosChanged(bool* changed);
  // Blob byte ranges: reading sets the blob's touched flag, writing does not;
  // every record read or write (add, put, delete, fetch) clears it.
  int32_t BlobRead(size_t memo, size_t offset, size_t length, std::string* bytes);
  int32_t BlobWrite(size_t memo, size_t offset, std::string_view bytes);
  // Blob properties, their values as decimal text: the size, the address of
  // the blob's block (setting it copies handle_length bytes from the block
  // at that address; 0 empties the blob), and the touched flag. Setting the
  // size or the handle sets the touched flag.
  enum class BlobProperty : int32_t { kSize = 31929, kHandle = 31894, kTouched = 31899 };
  int32_t GetBlobProperty(size_t memo, BlobProperty property, std::string* value);
  int32_t SetBlobProperty(size_t memo, BlobProperty property, std::string_view value,
                          size_t handle_length = 0);
  void ClearTouched();

  // ---- State -------------------------------------------------------------
  bool is_open() const { return open_; }
  Identifier table_number() const { return table_; }
  Identifier current() const { return current_; }
  bool held() const { return held_; }
  bool watched() const { return watched_; }
  bool oem() const { return oem_; }
  // OEM mode by property (taken at create; an open takes it from the file).
  void set_oem(bool on) { oem_ = on; }
  bool full_build() const { return full_build_; }
  void set_full_build(bool on) { full_build_ = on; }
  int fault_status() const { return fault_status_; }
  void clear_fault() { fault_status_ = 0; }

  // The store file the table lives in (open tables only).
  StoreFile& file() { return *file_->file; }
  RegisteredFile* registered_file() { return file_; }
  // The declaration in force: the program's, or the stored one after a
  // dynamic open.
  const TableDeclaration& declaration() const { return declaration_; }
  // The character tables for the table's string keys: those stored with the
  // table, else the program's current ones.
  const data::CharacterTables& character_tables() const;
  // Stores the program's current character tables as the table's collation
  // block and uses them from now on (a full key build). Write mode.
  int32_t RenewCollation();
  data::FileControlBlock& control_block() { return fcb_; }
  // The record buffer and its length (the stored length after a dynamic open).
  char* record() { return record_; }
  uint32_t record_length() const { return declaration_.record_length; }
  std::vector<MemoState>& memos() { return memos_; }

  // Converts a record image between the program's character set and the OEM
  // form stored on disk (every text field that is not an overlay), for a
  // table in OEM mode.
  void ConvertRecord(char* image, bool to_oem) const;

  // Counter entries: the data counter (entry_kind::kDataCounter) or a key's.
  int32_t ReadCounter(uint8_t which, Counter* counter);
  int32_t WriteCounter(uint8_t which, const Counter& counter);

  // Commits the file's pending changes (the end of an operation) and then
  // releases the changed records' locks (ReleaseChangedRecords).
  int32_t Commit();
  // Turns a store status into an error code, latching a fault.
  int32_t ErrorOf(const Status& status);

 private:
  TableHandle(data::FileControlBlock& file, platform::Platform& platform,
              const TableServices& services);

  FileRegistry& files() { return *services_.files; }
  KeyMaintenance& keys() { return *services_.keys; }
  RecordLocks& locks() { return *services_.locks; }

  int32_t AcquireFile(const TableName& name, platform::OpenMode mode,
                      platform::Disposition disposition, RegisteredFile** file);
  int32_t OpenTable(uint32_t access_mode, bool check_declaration);
  int32_t AddRecord(bool append);
  int32_t DeleteTableEntries(StoreFile& file, Identifier table);
  int32_t WriteFreshDeclaration(StoreFile& file, Identifier table);
  int32_t CopyTable(const std::string& target, bool rename);
  int32_t CopyPhysicalFile(const std::string& target, bool rename, bool* done);
  void PrepareBuffers();
  int32_t ReadMemo(size_t index, std::string* content);
  int32_t StoredRecord(std::string* image);
  void CloseFile();

  data::FileControlBlock& fcb_;
  platform::Platform& platform_;
  TableServices services_;

  std::string name_, options_;
  platform::SecretString owner_;  // wiped when replaced or freed
  bool name_set_ = false, owner_set_ = false, options_set_ = false;

  TableDeclaration declaration_;  // in force while open
  TableDeclaration program_;      // the program's
  std::vector<char> own_record_;  // the record buffer of a dynamic open
  char* record_ = nullptr;
  std::vector<MemoState> memos_;

  TableName table_name_;
  RegisteredFile* file_ = nullptr;
  Identifier table_ = 0;
  Identifier current_ = 0;
  std::string last_read_;  // the record as last read (OEM form as stored)
  std::optional<data::CharacterTables> stored_tables_;

  // Ends a PUT or DELETE of record with the body's error: a failed one
  // gives back the lock it took (locked_here), a done one keeps the record
  // locked until the commit and ends its hold and watch.
  int32_t EndChange(int32_t error, Identifier record, bool locked_here);

  bool open_ = false;
  bool oem_ = false;
  bool hold_requested_ = false;
  bool held_ = false;
  std::vector<Identifier> changed_records_;  // locked until the commit
  bool watch_requested_ = false;
  bool watched_ = false;
  bool no_memo_requested_ = false;
  bool memos_not_loaded_ = false;
  bool full_build_ = false;
  int fault_status_ = 0;
};

}  // namespace vaultara::store
