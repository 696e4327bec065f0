#include "store/store_keys.h"

#include <cstring>

#include "data/error_texts.h"
#include "store/position_string.h"
#include "store/table_handle.h"

namespace vaultara::store {

namespace err = data::err;

namespace {

// Read and write, deny write: how a build opens a table that is not open.
constexpr uint32_t kBuildAccess = 0x22;

}  // namespace

StoreKeys::~StoreKeys() = default;

void StoreKeys::Opened(TableHandle& table) {
  auto keys = std::make_unique<TableKeys>(platform_, table.file(), table.table_number());
  std::vector<KeyDescriptor> descriptors;
  const TableDeclaration& declaration = table.declaration();
  if (!declaration.beyond_limits) {
    for (size_t i = 0; i < declaration.keys.size(); ++i) {
      KeyDescriptor key;
      if (!KeyDescriptor::Resolve(declaration, static_cast<uint8_t>(i), &key)) {
        // A key the store cannot hold leaves the table without keys, as a
        // declaration beyond the limits does.
        descriptors.clear();
        break;
      }
      descriptors.push_back(std::move(key));
    }
  }
  keys->SetKeys(std::move(descriptors));
  keys->SetCollation(&table.character_tables(), table.oem());
  tables_[&table] = std::move(keys);
}

void StoreKeys::Closing(TableHandle& table) { tables_.erase(&table); }

TableKeys* StoreKeys::KeysOf(const TableHandle& table) {
  const auto it = tables_.find(&table);
  return it == tables_.end() ? nullptr : it->second.get();
}

int32_t StoreKeys::Maintain(TableHandle& table, const char* old_image, const char* new_image,
                            uint32_t record, bool append) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr) return err::kNone;
  int32_t error = err::kNone;
  const Status status = keys->Maintain(old_image, new_image, record,
                                       append ? KeyChange::kAppend : KeyChange::kMaintain, &error);
  if (!status.ok()) return table.ErrorOf(status);
  return error;
}

template <typename Body>
int32_t StoreKeys::WithWritableTable(TableHandle& table, Body&& body) {
  if (table.is_open()) {
    if (table.registered_file()->mode.access != platform::Access::kReadWrite) {
      return err::kAccessDenied;
    }
    return body();
  }
  int32_t error = table.Open(kBuildAccess);
  if (error != err::kNone) return error;
  error = body();
  const int32_t closed = table.Close();
  return error != err::kNone ? error : closed;
}

int32_t StoreKeys::Build(TableHandle& table, size_t key, bool full, const RecordFilter& filter,
                         const BuildSettings& settings) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr || key >= keys->keys().size()) return err::kInvalidKeyFile;
  BuildOptions options;
  options.full_build = full;
  options.filter = filter;
  options.progress = settings.progress;
  options.sorter_memory = settings.sorter_memory;
  options.commit_pages = settings.commit_pages;
  const RecordLoader load = [&table](std::string_view stored, char* buffer) {
    const uint32_t length = table.record_length();
    const size_t n = std::min<size_t>(stored.size(), length);
    std::memcpy(buffer, stored.data(), n);
    std::memset(buffer + n, 0, length - n);
    if (table.oem()) table.ConvertRecord(buffer, false);
  };
  int32_t error = err::kNone;
  const Status status =
      keys->Build(key, table.record(), table.record_length(), load, options, &error);
  table.file().EndOperation();
  if (!status.ok()) {
    table.file().Discard();
    return table.ErrorOf(status);
  }
  return error;
}

int32_t StoreKeys::BuildKey(TableHandle& table, size_t key, const BuildSettings& settings) {
  return WithWritableTable(table,
                           [&] { return Build(table, key, table.full_build(), {}, settings); });
}

int32_t StoreKeys::BuildAll(TableHandle& table, const BuildSettings& settings) {
  if (table.full_build()) {
    Status status = table.file().BeginWrite();
    if (!status.ok()) return table.ErrorOf(status);
    const int32_t error = table.RenewCollation();
    if (error != err::kNone) return error;
    status = table.file().Commit();
    table.file().EndOperation();
    if (!status.ok()) return table.ErrorOf(status);
    if (TableKeys* keys = KeysOf(table)) keys->SetCollation(&table.character_tables(), table.oem());
  }
  TableKeys* keys = KeysOf(table);
  for (size_t i = 0; keys != nullptr && i < keys->keys().size(); ++i) {
    if (keys->key(i).index()) continue;
    const int32_t error = Build(table, i, table.full_build(), {}, settings);
    if (error != err::kNone) return error;
  }
  return err::kNone;
}

int32_t StoreKeys::BuildFile(TableHandle& table, const BuildSettings& settings) {
  return WithWritableTable(table, [&] { return BuildAll(table, settings); });
}

int32_t StoreKeys::Pack(TableHandle& table, const BuildSettings& settings) {
  return WithWritableTable(table, [&] {
    const int32_t error = BuildAll(table, settings);
    if (error != err::kNone) return error;
    const Status status = table.file().Truncate();
    table.file().EndOperation();
    return status.ok() ? err::kNone : table.ErrorOf(status);
  });
}

int32_t StoreKeys::DynamicBuild(TableHandle& table, size_t key, std::string_view components,
                                const RecordFilter& filter, const BuildSettings& settings) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr || key >= keys->keys().size() || !keys->key(key).dynamic()) {
    return err::kInvalidKeyFile;
  }
  const int32_t error = keys->DefineIndex(key, components, table.declaration());
  if (error != err::kNone) return error;
  return Build(table, key, true, filter, settings);
}

int32_t StoreKeys::BuildDynamic(TableHandle& table, size_t key, std::string_view components,
                                const BuildSettings& settings) {
  return WithWritableTable(table,
                           [&] { return DynamicBuild(table, key, components, {}, settings); });
}

int32_t StoreKeys::BuildDynamicFiltered(TableHandle& table, size_t key, std::string_view components,
                                        RecordFilter filter, const BuildSettings& settings) {
  return WithWritableTable(table,
                           [&] { return DynamicBuild(table, key, components, filter, settings); });
}

int32_t StoreKeys::RecordsKey(TableHandle& table, size_t key, uint32_t* count) {
  *count = 0;
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr) return err::kFileNotOpen;
  if (key >= keys->keys().size()) return err::kInvalidKeyFile;
  const Status status = keys->Records(key, count);
  table.file().EndOperation();
  return status.ok() ? err::kNone : table.ErrorOf(status);
}

int32_t StoreKeys::Duplicate(TableHandle& table, std::optional<size_t> key, bool* duplicate) {
  *duplicate = false;
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr) return err::kFileNotOpen;
  if (key && *key >= keys->keys().size()) return err::kInvalidKeyFile;
  const Status status = keys->FindDuplicate(table.record(), table.current(), key, duplicate);
  table.file().EndOperation();
  return status.ok() ? err::kNone : table.ErrorOf(status);
}

int32_t StoreKeys::GetByKey(TableHandle& table, size_t key) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr) return err::kFileNotOpen;
  if (key >= keys->keys().size()) return err::kInvalidKeyFile;
  std::optional<StoreEntry> entry;
  const Status status = keys->EntryForValue(key, table.record(), &entry);
  table.file().EndOperation();
  if (!status.ok()) return table.ErrorOf(status);
  if (!entry) return err::kRecordNotFound;
  return table.Fetch(RecordOfKeyEntry(*entry, keys->key(key)));
}

std::string StoreKeys::PositionKey(TableHandle& table, size_t key) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr || key >= keys->keys().size()) return MakePosition(table.current());
  return MakePosition(table.current(), keys->ValueOf(key, table.record()));
}

int32_t StoreKeys::RegetKey(TableHandle& table, size_t key, std::string_view position) {
  TableKeys* keys = KeysOf(table);
  if (keys == nullptr) return err::kFileNotOpen;
  if (key >= keys->keys().size()) return err::kInvalidKeyFile;
  Identifier record = 0;
  std::string value;
  ReadPosition(position, keys->key(key).value_length, &record, &value);
  std::optional<StoreEntry> entry;
  const Status status = keys->ExactEntry(key, value, record, &entry);
  table.file().EndOperation();
  if (!status.ok()) return table.ErrorOf(status);
  if (!entry) return err::kRecordNotFound;
  return table.Fetch(record);
}

}  // namespace vaultara::store
