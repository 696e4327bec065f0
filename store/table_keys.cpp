#include "store/table_keys.h"

#include <algorithm>
#include <cstring>

#include "data/error_texts.h"
#include "store/byte_order.h"
#include "store/index_components.h"

namespace vaultara::store {

// One change made to a key's store while maintaining a record, so that it
// can be taken back: an entry inserted or deleted, or a counter as it was.
struct TableKeys::Undo {
  enum class Kind { kInserted, kDeleted, kCounter } kind;
  StoreFile* file;
  StoreEntry entry;  // the entry; for a counter, its key
  uint8_t key_number = 0;
  Counter counter;
};

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// The entry at key, or else the first one after it.
Status AtOrAfter(StoreFile& file, std::string_view key, std::optional<StoreEntry>* entry) {
  Status status = file.Find(key, entry);
  if (!status.ok() || entry->has_value()) return status;
  return file.Successor(key, entry);
}

Status AtOrBefore(StoreFile& file, std::string_view key, std::optional<StoreEntry>* entry) {
  Status status = file.Find(key, entry);
  if (!status.ok() || entry->has_value()) return status;
  return file.Predecessor(key, entry);
}

// Gives the record buffer back as it was when the build started, however the
// build ends: a later update must not write a record the build read.
class BufferKeeper {
 public:
  BufferKeeper(char* buffer, uint32_t length) : buffer_(buffer), saved_(buffer, length) {}
  ~BufferKeeper() { std::memcpy(buffer_, saved_.data(), saved_.size()); }

 private:
  char* buffer_;
  std::string saved_;
};

}  // namespace

TableKeys::TableKeys(platform::Platform& platform, StoreFile& file, Identifier table)
    : platform_(platform), file_(file), table_(table) {}

TableKeys::~TableKeys() = default;

void TableKeys::SetKeys(std::vector<KeyDescriptor> keys) {
  keys_ = std::move(keys);
  for (size_t i = 0; i < keys_.size(); ++i) keys_[i].number = static_cast<uint8_t>(i);
  private_.clear();
  private_.resize(keys_.size());
}

void TableKeys::SetCollation(const data::CharacterTables* tables, bool oem) {
  collation_.tables = tables;
  collation_.oem = oem;
}

StoreFile* TableKeys::StoreOf(size_t i) {
  if (!keys_[i].dynamic()) return &file_;
  return private_[i] != nullptr ? &private_[i]->file() : nullptr;
}

std::string TableKeys::ValueOf(size_t i, const char* buffer) const {
  return keys_[i].Value(buffer, collation_);
}

std::string TableKeys::EntryKeyOf(size_t i, const char* buffer, Identifier record) const {
  return KeyEntryKey(table_, keys_[i], ValueOf(i, buffer), record);
}

std::optional<StoreEntry> TableKeys::EntryOf(size_t i, const char* image, Identifier record) const {
  if (image == nullptr || keys_[i].Excludes(image)) return std::nullopt;
  return KeyEntry(table_, keys_[i], ValueOf(i, image), record);
}

bool TableKeys::InKey(size_t i, const std::optional<StoreEntry>& entry) const {
  return entry.has_value() && StartsWith(entry->key(), KeyPrefix(table_, keys_[i].number));
}

Status TableKeys::Maintain(const char* old_image, const char* new_image, Identifier record,
                           KeyChange change, int32_t* error) {
  *error = 0;
  std::vector<Undo> undo;
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i].dynamic()) continue;
    bool duplicate = false;
    Status status = MaintainKey(i, old_image, new_image, record, change, &undo, &duplicate);
    if (!status.ok()) return status;
    if (duplicate) {
      *error = data::err::kCreatesDuplicateKey;
      return TakeBack(&undo);
    }
  }
  return Status::Ok();
}

Status TableKeys::MaintainKey(size_t i, const char* old_image, const char* new_image,
                              Identifier record, KeyChange change, std::vector<Undo>* undo,
                              bool* duplicate) {
  const KeyDescriptor& key = keys_[i];
  Counter counter;
  Status status = LoadCounter(file_, table_, key.number, &counter);
  if (!status.ok()) return status;
  const bool lazy = key.index() || change == KeyChange::kAppend;
  if (lazy && counter.out_of_date_from != 0 && record >= counter.out_of_date_from) {
    return Status::Ok();
  }

  const std::optional<StoreEntry> old_entry = EntryOf(i, old_image, record);
  const std::optional<StoreEntry> new_entry = EntryOf(i, new_image, record);
  if (!old_entry && !new_entry) return Status::Ok();
  if (old_entry && new_entry && old_entry->bytes == new_entry->bytes &&
      old_entry->key_length == new_entry->key_length) {
    return Status::Ok();
  }
  const Counter before = counter;
  if (lazy) {
    LowerMark(&counter, record);
  } else {
    if (new_entry) {
      std::optional<StoreEntry> existing;
      status = file_.InsertIfAbsent(*new_entry, &existing);
      if (!status.ok()) return status;
      if (existing) {
        // Only a key without duplicates can hold another record's entry under
        // this key; an entry of this record is already in place.
        if (RecordOfKeyEntry(*existing, key) != record) {
          *duplicate = true;
          return Status::Ok();
        }
      } else {
        undo->push_back({Undo::Kind::kInserted, &file_, *new_entry, key.number, {}});
        ++counter.count;
      }
    }
    if (old_entry) {
      std::optional<StoreEntry> existing;
      status = file_.Find(old_entry->key(), &existing);
      if (!status.ok()) return status;
      if (existing && RecordOfKeyEntry(*existing, key) == record) {
        status = file_.Delete(existing->key());
        if (!status.ok()) return status;
        undo->push_back({Undo::Kind::kDeleted, &file_, *existing, key.number, {}});
        if (counter.count > 0) --counter.count;
      }
    }
  }
  if (counter.count == before.count && counter.out_of_date_from == before.out_of_date_from) {
    return Status::Ok();
  }
  undo->push_back({Undo::Kind::kCounter, &file_, {}, key.number, before});
  return SaveCounter(file_, table_, key.number, counter);
}

Status TableKeys::TakeBack(std::vector<Undo>* undo) {
  for (auto it = undo->rbegin(); it != undo->rend(); ++it) {
    Status status;
    switch (it->kind) {
      case Undo::Kind::kInserted:
        status = it->file->Delete(it->entry.key());
        break;
      case Undo::Kind::kDeleted:
        status = it->file->Insert(it->entry);
        break;
      case Undo::Kind::kCounter:
        status = SaveCounter(*it->file, table_, it->key_number, it->counter);
        break;
    }
    if (!status.ok()) return status;
  }
  undo->clear();
  return Status::Ok();
}

Status TableKeys::FindDuplicate(const char* buffer, Identifier current, std::optional<size_t> only,
                                bool* duplicate) {
  *duplicate = false;
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (only.has_value() && *only != i) continue;
    const KeyDescriptor& key = keys_[i];
    if (key.duplicates() || key.Excludes(buffer)) continue;
    std::optional<StoreEntry> existing;
    Status status = file_.Find(EntryKeyOf(i, buffer, 0), &existing);
    if (!status.ok()) return status;
    if (existing && RecordOfKeyEntry(*existing, key) != current) {
      *duplicate = true;
      return Status::Ok();
    }
  }
  return Status::Ok();
}

Status TableKeys::EntryForValue(size_t i, const char* buffer, std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  const std::string value = ValueOf(i, buffer);
  if (!keys_[i].duplicates()) return file->Find(EntryKeyOf(i, buffer, 0), entry);
  Status status = file->Successor(KeyEntryKey(table_, keys_[i], value, 0), entry);
  if (!status.ok()) return status;
  if (!InKey(i, *entry) || ValueOfKeyEntry(**entry, keys_[i]) != value) entry->reset();
  return Status::Ok();
}

Status TableKeys::FirstEntry(size_t i, std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  Status status = file->Successor(KeyPrefix(table_, keys_[i].number), entry);
  if (status.ok() && !InKey(i, *entry)) entry->reset();
  return status;
}

Status TableKeys::LastEntry(size_t i, std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  // Key numbers stay below 240, so the next number is still a key prefix.
  Status status =
      file->Predecessor(KeyPrefix(table_, static_cast<uint8_t>(keys_[i].number + 1)), entry);
  if (status.ok() && !InKey(i, *entry)) entry->reset();
  return status;
}

Status TableKeys::Seek(size_t i, std::string_view value, Identifier record, bool forward,
                       std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  const std::string key = KeyEntryKey(table_, keys_[i], value, record);
  Status status = forward ? AtOrAfter(*file, key, entry) : AtOrBefore(*file, key, entry);
  if (status.ok() && !InKey(i, *entry)) entry->reset();
  return status;
}

Status TableKeys::ExactEntry(size_t i, std::string_view value, Identifier record,
                             std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  Status status = file->Find(KeyEntryKey(table_, keys_[i], value, record), entry);
  if (status.ok() && entry->has_value() && RecordOfKeyEntry(**entry, keys_[i]) != record) {
    entry->reset();
  }
  return status;
}

Status TableKeys::Step(size_t i, std::string_view entry_key, bool forward,
                       std::optional<StoreEntry>* entry) {
  entry->reset();
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  Status status = forward ? file->Successor(entry_key, entry) : file->Predecessor(entry_key, entry);
  if (status.ok() && !InKey(i, *entry)) entry->reset();
  return status;
}

Status TableKeys::CounterOf(size_t i, Counter* counter) {
  *counter = Counter{};
  StoreFile* file = StoreOf(i);
  if (file == nullptr) return Status::Ok();
  return LoadCounter(*file, table_, keys_[i].number, counter);
}

Status TableKeys::Records(size_t i, uint32_t* count) {
  Counter counter;
  Status status = CounterOf(i, &counter);
  *count = counter.count;
  return status;
}

int32_t TableKeys::DefineIndex(size_t i, std::string_view text, const TableDeclaration& table) {
  std::vector<StoredComponent> components;
  const int32_t error = ParseIndexComponents(text, table, &components);
  if (error != 0) return error;
  if (!keys_[i].SetComponents(components, table)) return data::err::kInvalidIndexString;
  return 0;
}

Status TableKeys::DeleteFrom(size_t i, StoreFile& file, uint32_t start, uint32_t* rest) {
  *rest = 0;
  const std::string prefix = KeyPrefix(table_, keys_[i].number);
  std::optional<StoreEntry> entry;
  Status status = file.Successor(prefix, &entry);
  while (status.ok() && entry && StartsWith(entry->key(), prefix)) {
    const std::string at(entry->key());
    if (RecordOfKeyEntry(*entry, keys_[i]) >= start) {
      status = file.Delete(at);
      if (!status.ok()) break;
    } else {
      ++*rest;
    }
    status = file.Successor(at, &entry);
  }
  return status;
}

Status TableKeys::Build(size_t i, char* buffer, Identifier record_length, const RecordLoader& load,
                        const BuildOptions& options, int32_t* error) {
  *error = 0;
  const KeyDescriptor& key = keys_[i];
  Counter counter;
  uint32_t start = 1;
  Status status;
  if (key.dynamic()) {
    // A fresh private store with a fresh counter; nothing of the old one
    // survives.
    private_[i].reset();
    status = PrivateStore::Create(&private_[i]);
    if (!status.ok()) return status;
  } else {
    status = LoadCounter(file_, table_, key.number, &counter);
    if (!status.ok()) return status;
    if (!options.full_build) {
      if (counter.out_of_date_from == 0) return Status::Ok();
      start = counter.out_of_date_from;
    }
  }
  StoreFile& store = *StoreOf(i);
  status = store.BeginWrite();
  if (!status.ok()) return status;
  if (key.dynamic() || key.index() || options.full_build) {
    status = DeleteFrom(i, store, start, &counter.count);
    if (!status.ok()) return status;
  }
  // Until the build ends the key counts as incomplete from its start.
  counter.out_of_date_from = start;
  status = SaveCounter(store, table_, key.number, counter);
  if (!status.ok()) return status;

  KeySorter sorter(platform_, key.value_length + 4, options.sorter_memory);
  {
    BufferKeeper keeper(buffer, record_length);
    const std::string data_prefix = KeyPrefix(table_, entry_kind::kDataRecord);
    std::optional<StoreEntry> record;
    status = AtOrAfter(file_, DataKey(table_, start), &record);
    uint64_t read = 0;
    const uint32_t interval = std::max<uint32_t>(1, options.progress.interval);
    while (status.ok() && record && StartsWith(record->key(), data_prefix)) {
      ++read;
      if (options.progress.report && read % interval == 0 && options.progress.report(read)) {
        // What was done so far stays, with the key marked from its start.
        *error = data::err::kBuildCancelled;
        return store.Commit();
      }
      const Identifier number = ReadBigEndian(record->key(), 5);
      const std::string_view data = record->data();
      if (load) {
        load(data, buffer);
      } else {
        std::memset(buffer, 0, record_length);
        std::memcpy(buffer, data.data(), std::min<size_t>(data.size(), record_length));
      }
      if ((!options.filter || options.filter(buffer)) && !key.Excludes(buffer)) {
        std::string item = ValueOf(i, buffer);
        item.resize(item.size() + 4);
        StoreBigU32(reinterpret_cast<uint8_t*>(item.data() + item.size() - 4), number);
        status = sorter.Add(item);
        if (!status.ok()) return status;
      }
      const std::string at(record->key());
      status = file_.Successor(at, &record);
    }
    if (!status.ok()) return status;
  }

  uint32_t lowest_duplicate = 0;
  std::string item;
  for (;;) {
    status = sorter.Next(&item);
    if (!status.ok()) return status;
    if (item.empty()) break;
    const std::string_view value(item.data(), item.size() - 4);
    const uint32_t number =
        LoadBigU32(reinterpret_cast<const uint8_t*>(item.data() + item.size() - 4));
    const StoreEntry entry = KeyEntry(table_, key, value, number);
    std::optional<StoreEntry> existing;
    status = store.Find(entry.key(), &existing);
    if (!status.ok()) return status;
    if (existing) {
      const uint32_t holder = RecordOfKeyEntry(*existing, key);
      if (holder != number && (lowest_duplicate == 0 || number < lowest_duplicate)) {
        lowest_duplicate = number;
      }
      continue;
    }
    status = store.Insert(entry);
    if (!status.ok()) return status;
    ++counter.count;
    if (store.changed_pages() >= options.commit_pages) {
      status = SaveCounter(store, table_, key.number, counter);
      if (status.ok()) status = store.Commit();
      if (status.ok()) status = store.BeginWrite();
      if (!status.ok()) return status;
    }
  }
  counter.out_of_date_from = lowest_duplicate;
  status = SaveCounter(store, table_, key.number, counter);
  if (status.ok()) status = store.Commit();
  if (!status.ok()) return status;
  if (lowest_duplicate != 0) *error = data::err::kCreatesDuplicateKey;
  return Status::Ok();
}

}  // namespace vaultara::store
