#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/character_tables.h"
#include "platform/platform.h"
#include "store/build_progress.h"
#include "store/key_descriptor.h"
#include "store/key_entry.h"
#include "store/key_sorter.h"
#include "store/private_store.h"
#include "store/status.h"
#include "store/store_file.h"
#include "store/table_declaration.h"

namespace vaultara::store {

// Turns a stored data record image into the record buffer (for a table in
// OEM mode: back to the program's character set). The buffer holds the
// table's record length.
using RecordLoader = std::function<void(std::string_view stored, char* buffer)>;
// Decides, with the record in the buffer, whether a build indexes it.
using RecordFilter = std::function<bool(const char* buffer)>;

// How a record change reaches the keys: ADD, PUT and DELETE maintain them;
// APPEND only marks them out of date.
enum class KeyChange : uint8_t { kMaintain, kAppend };

struct BuildOptions {
  // Rebuild from record 1 instead of from the key's out-of-date mark.
  bool full_build = false;
  RecordFilter filter;  // empty: every record
  BuildProgress progress;
  size_t sorter_memory = KeySorter::kDefaultMemoryLimit;
  // The key's store is committed whenever this many pages have changed.
  size_t commit_pages = 400;
};

// The keys of one open table and their entries in the table's store file.
//
// Every key entry is T + key number + key value (+ record number for a key
// with duplicates); each key has a counter entry with its entry count and
// out-of-date mark. An index declared without components keeps its entries
// and counter in a private in-memory store instead.
//
// Methods return a Status for faults of the underlying store (the operation
// is then abandoned and the caller discards its changes) and report the
// statement errors 40, 76 and 93 through *error. Changes require the store
// to be in write mode, except in a build, which manages its own commits.
class TableKeys {
 public:
  TableKeys(platform::Platform& platform, StoreFile& file, Identifier table);
  ~TableKeys();

  // The table's keys in declaration order; key i has number i.
  void SetKeys(std::vector<KeyDescriptor> keys);
  std::vector<KeyDescriptor>& keys() { return keys_; }
  const KeyDescriptor& key(size_t i) const { return keys_[i]; }

  // The character tables for string keys (nullptr: the program's current
  // ones; the object must outlive its use here), in OEM mode or not.
  void SetCollation(const data::CharacterTables* tables, bool oem);
  const KeyCollation& collation() const { return collation_; }

  // The store holding key i's entries, or nullptr for a dynamic index that
  // was never built.
  StoreFile* StoreOf(size_t i);

  // The key value of the record in buffer.
  std::string ValueOf(size_t i, const char* buffer) const;
  // The entry key of key i for the record in buffer under record number.
  std::string EntryKeyOf(size_t i, const char* buffer, Identifier record) const;

  // Brings every key (except dynamic indexes) in line with a record change:
  // old_image is the record before (nullptr for an add), new_image after
  // (nullptr for a delete). Indexes and APPEND only lower the out-of-date
  // mark. A value that another record already holds in a key without
  // duplicates sets *error to 40 and leaves every key exactly as before.
  Status Maintain(const char* old_image, const char* new_image, Identifier record, KeyChange change,
                  int32_t* error);

  // Whether the value in buffer already exists, under another record number
  // than current (0: none), in key only (or, with nullopt, in any key without
  // duplicates).
  Status FindDuplicate(const char* buffer, Identifier current, std::optional<size_t> only,
                       bool* duplicate);

  // The entry for the value in buffer: for a key with duplicates the first
  // entry of that value, otherwise the exact entry. Empty when there is none.
  Status EntryForValue(size_t i, const char* buffer, std::optional<StoreEntry>* entry);

  // Positioning within key i; every result stays inside the key.
  Status FirstEntry(size_t i, std::optional<StoreEntry>* entry);
  Status LastEntry(size_t i, std::optional<StoreEntry>* entry);
  // The first entry at or after (forward) or the last at or before
  // (backward) the value and record number (record numbers matter only in a
  // key with duplicates: 0 forward and kLastRecordNumber backward take the
  // whole value).
  Status Seek(size_t i, std::string_view value, Identifier record, bool forward,
              std::optional<StoreEntry>* entry);
  // The entry with exactly this value and record number.
  Status ExactEntry(size_t i, std::string_view value, Identifier record,
                    std::optional<StoreEntry>* entry);
  // The entry after (forward) or before entry_key.
  Status Step(size_t i, std::string_view entry_key, bool forward, std::optional<StoreEntry>* entry);

  // The entry count of key i's counter.
  Status Records(size_t i, uint32_t* count);
  // The counter of key i (zero for a dynamic index never built).
  Status CounterOf(size_t i, Counter* counter);

  // Replaces the components of dynamic index i from a text such as "-A,+B"
  // (76 for an empty text or an unknown field name).
  int32_t DefineIndex(size_t i, std::string_view text, const TableDeclaration& table);

  // Builds key i from its out-of-date mark (or from record 1: a full build, an
  // index declared without components). Records are read in record-number
  // order into buffer through load (the buffer is given back as it was),
  // sorted, and inserted in ascending order; existing entries are skipped.
  // The key's store is committed every options.commit_pages changed pages and
  // at the end; until the end the key stays marked from the build's start, so
  // a build that stops part-way is resumed by the next one. A value held by
  // two records in a key without duplicates sets *error to 40 and leaves the
  // key marked from the first record left out; a cancel from the progress
  // report sets 93.
  Status Build(size_t i, char* buffer, uint32_t record_length, const RecordLoader& load,
               const BuildOptions& options, int32_t* error);

 private:
  struct Undo;
  Status MaintainKey(size_t i, const char* old_image, const char* new_image, Identifier record,
                     KeyChange change, std::vector<Undo>* undo, bool* duplicate);
  Status TakeBack(std::vector<Undo>* undo);
  // The entry of image in key i, or nothing (no image, or blank in an
  // optional key).
  std::optional<StoreEntry> EntryOf(size_t i, const char* image, Identifier record) const;
  Status DeleteFrom(size_t i, StoreFile& file, uint32_t start, uint32_t* rest);
  bool InKey(size_t i, const std::optional<StoreEntry>& entry) const;

  platform::Platform& platform_;
  StoreFile& file_;
  const Identifier table_;
  std::vector<KeyDescriptor> keys_;
  std::vector<std::unique_ptr<PrivateStore>> private_;
  KeyCollation collation_;
};

}  // namespace vaultara::store
