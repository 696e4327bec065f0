#include "store/key_entry.h"

#include <optional>

#include "store/store_file.h"

namespace vaultara::store {

std::string KeyPrefix(Identifier table, uint8_t key_number) {
  std::string prefix = TablePrefix(table);
  prefix.push_back(static_cast<char>(key_number));
  return prefix;
}

std::string KeyEntryKey(Identifier table, const KeyDescriptor& key, std::string_view value,
                        Identifier record) {
  std::string entry_key = KeyPrefix(table, key.number);
  entry_key.append(value);
  if (key.duplicates()) entry_key += BigEndian(record);
  return entry_key;
}

StoreEntry KeyEntry(Identifier table, const KeyDescriptor& key, std::string_view value,
                    Identifier record) {
  const std::string entry_key = KeyEntryKey(table, key, value, record);
  if (key.duplicates()) return StoreEntry::KeyOnly(entry_key);
  return StoreEntry(entry_key, BigEndian(record));
}

Identifier RecordOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key) {
  if (key.duplicates()) {
    const std::string_view k = entry.key();
    return k.size() < 9 ? 0 : ReadBigEndian(k, k.size() - 4);
  }
  return entry.data().size() < 4 ? 0 : ReadBigEndian(entry.data());
}

std::string_view ValueOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key) {
  std::string_view k = entry.key();
  if (k.size() < 5) return {};
  k.remove_prefix(5);
  if (key.duplicates() && k.size() >= 4) k.remove_suffix(4);
  return k;
}

Status LoadCounter(StoreFile& file, Identifier table, uint8_t which, Counter* counter) {
  std::optional<StoreEntry> entry;
  const Status status = file.Find(CounterKey(table, which), &entry);
  *counter = entry ? Counter::Decode(entry->data()) : Counter{};
  return status;
}

Status SaveCounter(StoreFile& file, Identifier table, uint8_t which, const Counter& counter) {
  return file.Replace(StoreEntry(CounterKey(table, which), counter.Encode()));
}

}  // namespace vaultara::store
