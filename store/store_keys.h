#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "store/build_progress.h"
#include "store/key_maintenance.h"
#include "store/key_sorter.h"
#include "store/table_keys.h"

namespace vaultara::store {

class TableHandle;

// Tunables of one build: the progress report, the sorter's memory, and how
// many changed pages make the build commit. The defaults are the store's.
struct BuildSettings {
  BuildProgress progress;
  size_t sorter_memory = KeySorter::kDefaultMemoryLimit;
  size_t commit_pages = 400;
};

// The keys of every open table that uses it: it maintains them on record
// changes (as the table's KeyMaintenance) and carries out the key operations
// of the statements: builds, the duplicate test, reads by key value,
// position strings and key counts. Keys are numbered from 0 here.
//
// Operations return 0 or an error code of data/error_texts.h; a fault of the
// store is latched in the table and returns 90. Single-threaded.
class StoreKeys : public KeyMaintenance {
 public:
  // platform: where a large build spills its sorted runs.
  explicit StoreKeys(platform::Platform& platform) : platform_(platform) {}
  ~StoreKeys() override;

  void Opened(TableHandle& table) override;
  void Closing(TableHandle& table) override;
  int32_t Maintain(TableHandle& table, const char* old_image, const char* new_image,
                   uint32_t record, bool append) override;

  // The keys of an open table (nullptr when it is not open).
  TableKeys* KeysOf(const TableHandle& table);

  // BUILDkey: builds one key from its out-of-date mark (with the table's
  // full-build switch: from the first record). A table that is not open is
  // opened for reading and writing, others denied writing, for the build; an
  // open one must be open for writing (5). 40 when values repeat in a key
  // without duplicates, 93 when the progress report cancels.
  int32_t BuildKey(TableHandle& table, size_t key, const BuildSettings& settings = {});
  // BUILDfile: builds every key that is not an index, stopping at the first
  // error; a full build first stores the current character tables with the
  // table.
  int32_t BuildFile(TableHandle& table, const BuildSettings& settings = {});
  // BUILDdyn: gives an index declared without components the components of
  // text ("-NAME,+CODE"; 76 when empty or naming no field) and builds it.
  int32_t BuildDynamic(TableHandle& table, size_t key, std::string_view components,
                       const BuildSettings& settings = {});
  // BUILDdynfilter: the same, indexing only the records filter accepts.
  int32_t BuildDynamicFiltered(TableHandle& table, size_t key, std::string_view components,
                               RecordFilter filter, const BuildSettings& settings = {});
  // PACK: BUILDfile, then the file is cut to the end of its page area.
  int32_t Pack(TableHandle& table, const BuildSettings& settings = {});

  // RECORDSkey: the key's entry count.
  int32_t RecordsKey(TableHandle& table, size_t key, uint32_t* count);
  // DUPLICATE (key: nullopt) and DUPLICATEkey: whether the record buffer's
  // value already belongs to another record in a key without duplicates.
  int32_t Duplicate(TableHandle& table, std::optional<size_t> key, bool* duplicate);
  // GETfilekey: reads the record whose key value equals the buffer's (for a
  // key with duplicates the first of them); 35 when there is none.
  int32_t GetByKey(TableHandle& table, size_t key);
  // POSITIONkey: the current record number (big-endian) and the key value of
  // the record buffer.
  std::string PositionKey(TableHandle& table, size_t key);
  // REGETkey: reads the record whose entry has exactly the value and record
  // number of a position string; 35 when there is none.
  int32_t RegetKey(TableHandle& table, size_t key, std::string_view position);

 private:
  template <typename Body>
  int32_t WithWritableTable(TableHandle& table, Body&& body);
  int32_t Build(TableHandle& table, size_t key, bool full, const RecordFilter& filter,
                const BuildSettings& settings);
  int32_t BuildAll(TableHandle& table, const BuildSettings& settings);
  int32_t DynamicBuild(TableHandle& table, size_t key, std::string_view components,
                       const RecordFilter& filter, const BuildSettings& settings);

  platform::Platform& platform_;
  std::map<const TableHandle*, std::unique_ptr<TableKeys>> tables_;
};

}  // namespace vaultara::store
