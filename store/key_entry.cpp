#include "store/key_entry.h"

#include <optional>

#include "store/byte_order.h"
#include "store/store_file.h"

namespace vaultara::store {

namespace {

void AppendBigU32(std::string* out, uint32_t v) {
  uint8_t bytes[4];
  StoreBigU32(bytes, v);
  out->append(reinterpret_cast<const char*>(bytes), 4);
}

uint32_t BigU32At(std::string_view bytes, size_t at) {
  return LoadBigU32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

}  // namespace

std::string TablePrefix(uint32_t table) {
  std::string prefix;
  AppendBigU32(&prefix, table);
  return prefix;
}

std::string KeyPrefix(uint32_t table, uint8_t key_number) {
  std::string prefix = TablePrefix(table);
  prefix.push_back(static_cast<char>(key_number));
  return prefix;
}

std::string DataRecordKey(uint32_t table, uint32_t record) {
  std::string key = KeyPrefix(table, entry_kind::kDataRecord);
  AppendBigU32(&key, record);
  return key;
}

uint32_t RecordOfDataKey(std::string_view key) { return BigU32At(key, 5); }

std::string KeyEntryKey(uint32_t table, const KeyDescriptor& key, std::string_view value,
                        uint32_t record) {
  std::string entry_key = KeyPrefix(table, key.number);
  entry_key.append(value);
  if (key.duplicates()) AppendBigU32(&entry_key, record);
  return entry_key;
}

StoreEntry KeyEntry(uint32_t table, const KeyDescriptor& key, std::string_view value,
                    uint32_t record) {
  const std::string entry_key = KeyEntryKey(table, key, value, record);
  if (key.duplicates()) return StoreEntry::KeyOnly(entry_key);
  std::string data;
  AppendBigU32(&data, record);
  return StoreEntry(entry_key, data);
}

uint32_t RecordOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key) {
  if (key.duplicates()) {
    const std::string_view k = entry.key();
    return k.size() < 4 ? 0 : BigU32At(k, k.size() - 4);
  }
  return entry.data().size() < 4 ? 0 : BigU32At(entry.data(), 0);
}

std::string_view ValueOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key) {
  std::string_view k = entry.key();
  if (k.size() < 5) return {};
  k.remove_prefix(5);
  if (key.duplicates() && k.size() >= 4) k.remove_suffix(4);
  return k;
}

std::string Counter::KeyOf(uint32_t table, uint8_t which) {
  std::string key = KeyPrefix(table, entry_kind::kCounter);
  key.push_back(static_cast<char>(which));
  return key;
}

Status Counter::Load(StoreFile& file, uint32_t table, uint8_t which, Counter* counter) {
  std::optional<StoreEntry> entry;
  Status status = file.Find(KeyOf(table, which), &entry);
  if (!status.ok()) return status;
  *counter = Counter{};
  if (entry.has_value() && entry->data().size() >= 8) {
    const auto* p = reinterpret_cast<const uint8_t*>(entry->data().data());
    counter->count = LoadU32(p);
    counter->mark = LoadU32(p + 4);
  }
  return Status::Ok();
}

Status Counter::Save(StoreFile& file, uint32_t table, uint8_t which) const {
  uint8_t data[8];
  StoreU32(data, count);
  StoreU32(data + 4, mark);
  const std::string key = KeyOf(table, which);
  Status status = file.Delete(key);
  if (!status.ok()) return status;
  return file.Insert(StoreEntry(key, std::string_view(reinterpret_cast<const char*>(data), 8)));
}

}  // namespace vaultara::store
