#include "store/integrity_check.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "data/character_tables.h"
#include "store/declaration_stream.h"
#include "store/entry_kinds.h"
#include "store/key_descriptor.h"
#include "store/key_entry.h"
#include "store/page_image.h"

namespace vaultara::store {

namespace {

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < bytes.size() && i < 24; ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  if (bytes.size() > 24) text += "...";
  return text;
}

// Walks the tree of pages from the root, collecting the leaf entries in
// order and reporting what is wrong with the structure.
class PageWalk {
 public:
  PageWalk(StoreFile& file, std::vector<std::string>* problems)
      : file_(file), pages_(file.pages()), problems_(*problems) {}

  void Run() {
    Visit(0, -1, true, nullptr);
    CheckPlacement();
  }
  std::vector<StoreEntry>& entries() { return entries_; }

 private:
  void Problem(const std::string& text) { problems_.push_back(text); }

  // Loads a page; a fault is reported and gives nullptr.
  PageNode* Load(int32_t number, bool is_root) {
    try {
      return is_root ? pages_.Root() : pages_.Load(number);
    } catch (const StoreFault& fault) {
      Problem("page " + std::to_string(number) + ": damaged, cannot be read (status " +
              std::to_string(fault.number()) + ")");
    } catch (const Status& status) {
      Problem("page " + std::to_string(number) + ": cannot be read (status " +
              std::to_string(status.number()) + ")");
    }
    return nullptr;
  }

  // Visits a page; separator is the key its parent keeps for it when that
  // must equal the page's first key.
  void Visit(int32_t number, int level, bool is_root, const std::string* separator) {
    PagePin page(Load(number, is_root));
    if (page.get() == nullptr) return;
    const std::string name = "page " + std::to_string(page->number);
    if (separator != nullptr && !page->empty() &&
        *separator != page->content.entries.front().key()) {
      Problem(name + ": its separator in the page above differs from its first key");
    }
    if (!seen_.insert(page->number).second) {
      Problem(name + ": reached twice in the tree");
      return;
    }
    if (level >= 0 && page->level() != level) {
      Problem(name + ": level " + std::to_string(page->level()) + " below a page of level " +
              std::to_string(level + 1));
    }
    if (!is_root && page->empty()) Problem(name + ": empty page below the root");
    if (page->budget != BudgetOf(page->content)) {
      Problem(name + ": size budget " + std::to_string(page->budget) + ", its entries need " +
              std::to_string(BudgetOf(page->content)));
    }
    if (page->level() == 0) {
      for (const StoreEntry& entry : page->content.entries) {
        if (!entries_.empty() && CompareKeys(entries_.back().key(), entry.key()) >= 0) {
          Problem(name + ": entry " + Hex(entry.key()) + " out of order");
          continue;
        }
        entries_.push_back(entry);
      }
      return;
    }
    if (page->content.children.size() != page->size()) {
      Problem(name + ": " + std::to_string(page->size()) + " separators but " +
              std::to_string(page->content.children.size()) + " children");
      return;
    }
    // What the descent needs is copied: the page may leave the cache while
    // its children are read.
    const std::vector<int32_t> children = page->content.children;
    std::vector<std::string> separators;
    for (const StoreEntry& entry : page->content.entries) separators.emplace_back(entry.key());
    const int child_level = page->level() - 1;
    page.Release();
    for (size_t slot = 0; slot < children.size(); ++slot) {
      Visit(children[slot], child_level, false, slot > 0 ? &separators[slot] : nullptr);
    }
  }

  void CheckPlacement() {
    const StoreHeader& header = file_.header();
    std::set<int32_t> slots;
    for (int c = format::kMinClass; c <= format::kMaxClass; ++c) {
      const uint32_t start = header.region_start[c];
      const uint32_t end = header.region_end[c];
      const std::string region = "region " + std::to_string(c);
      if (start > end) {
        Problem(region + ": starts after its end");
        continue;
      }
      if (c > format::kMinClass && header.region_end[c - 1] > start) {
        Problem(region + ": overlaps the region below it");
      }
      if ((end - start) % c != 0) Problem(region + ": not a whole number of pages");
      for (uint32_t n = start; n + c <= end; n += c) slots.insert(static_cast<int32_t>(n));
    }
    for (int32_t page : seen_) {
      if (slots.count(page) == 0) {
        Problem("page " + std::to_string(page) + ": lies on no slot of its region");
      }
    }
    for (int32_t slot : slots) {
      if (seen_.count(slot) == 0) {
        Problem("page " + std::to_string(slot) + ": a slot that no page of the tree uses");
      }
    }
  }

  StoreFile& file_;
  PageSource& pages_;
  std::vector<std::string>& problems_;
  std::set<int32_t> seen_;
  std::vector<StoreEntry> entries_;
};

// Checks the entries of the tables against each other.
class TableWalk {
 public:
  TableWalk(const std::vector<StoreEntry>& entries, std::vector<std::string>* problems)
      : entries_(entries), problems_(*problems) {}

  void Run() {
    std::map<Identifier, std::string> names;
    for (const StoreEntry& entry : entries_) {
      const auto first = static_cast<uint8_t>(entry.key()[0]);
      if (first != entry_kind::kTableName) continue;
      const std::string name(entry.key().substr(1));
      if (entry.data().size() < 4) {
        Problem("table " + name + ": its name entry holds no table number");
        continue;
      }
      const Identifier number = ReadBigEndian(entry.data());
      if (!names.emplace(number, name).second) {
        Problem("table " + name + ": table number " + std::to_string(number) +
                " also belongs to table " + names[number]);
      }
    }
    // The entries of each table number, as a range of the sorted entries.
    size_t i = 0;
    while (i < entries_.size()) {
      const std::string_view key = entries_[i].key();
      const auto first = static_cast<uint8_t>(key[0]);
      if (first == entry_kind::kTableName || first == entry_kind::kTransactionMark) {
        ++i;
        continue;
      }
      if (key.size() < 5) {
        Problem("entry " + Hex(key) + ": too short for an entry of a table");
        ++i;
        continue;
      }
      const Identifier number = ReadBigEndian(key);
      size_t end = i;
      while (end < entries_.size() && entries_[end].key().size() >= 5 &&
             ReadBigEndian(entries_[end].key()) == number &&
             static_cast<uint8_t>(entries_[end].key()[0]) < entry_kind::kTableName) {
        ++end;
      }
      if (end == i) end = i + 1;
      auto named = names.find(number);
      if (named == names.end()) {
        Problem("table number " + std::to_string(number) + ": " + std::to_string(end - i) +
                " entries belong to no named table");
      } else {
        CheckTable(named->second, number, i, end);
        names.erase(named);
      }
      i = end;
    }
    for (const auto& [number, name] : names) {
      Problem("table " + name + ": has no declaration (no entries at all)");
    }
  }

 private:
  void Problem(const std::string& text) { problems_.push_back(text); }

  const StoreEntry* Find(std::string_view key) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const StoreEntry& entry, std::string_view k) {
                                 return CompareKeys(entry.key(), k) < 0;
                               });
    return it != entries_.end() && it->key() == key ? &*it : nullptr;
  }

  void CheckTable(const std::string& name, Identifier table, size_t begin, size_t end) {
    const std::string where = "table " + name;
    std::string stream;
    std::map<Identifier, const StoreEntry*> records;
    std::map<uint8_t, Counter> counters;
    std::map<uint8_t, std::vector<const StoreEntry*>> key_entries;
    std::set<Identifier> memo_records;
    const StoreEntry* collation = nullptr;
    uint16_t next_block = 0;
    for (size_t i = begin; i < end; ++i) {
      const StoreEntry& entry = entries_[i];
      const std::string_view key = entry.key();
      const auto kind = static_cast<uint8_t>(key[4]);
      if (kind < entry_kind::kMaxKeys) {
        key_entries[kind].push_back(&entry);
      } else if (kind == entry_kind::kDataRecord && key.size() == entry_kind::kDataKeyLength) {
        records[ReadBigEndian(key, 5)] = &entry;
      } else if (kind == entry_kind::kCounter && key.size() == entry_kind::kCounterKeyLength) {
        counters[static_cast<uint8_t>(key[5])] = Counter::Decode(entry.data());
      } else if (kind == entry_kind::kDeclaration &&
                 key.size() == entry_kind::kDeclarationKeyLength) {
        const uint16_t block =
            static_cast<uint16_t>(static_cast<uint8_t>(key[5]) | static_cast<uint8_t>(key[6]) << 8);
        // Blocks sort by their low byte first; a stream of more than 256
        // blocks is not written, so order and completeness can be checked.
        if (block != next_block) {
          Problem(where + ": declaration block " + std::to_string(block) + " where block " +
                  std::to_string(next_block) + " should be");
        }
        next_block = static_cast<uint16_t>(block + 1);
        stream.append(entry.data());
        stream.resize(static_cast<size_t>(next_block) * entry_kind::kDeclarationBlockSize, '\0');
      } else if (kind == entry_kind::kCollation && key.size() == entry_kind::kCollationKeyLength) {
        collation = &entry;
      } else if (kind == entry_kind::kMemoSegment && key.size() == entry_kind::kMemoKeyLength) {
        memo_records.insert(ReadBigEndian(key, 5));
      } else {
        Problem(where + ": entry " + Hex(key) + " of no known kind");
      }
    }
    if (stream.empty()) {
      Problem(where + ": has no declaration");
      return;
    }
    const TableDeclaration declaration = DeclarationReader::Read(stream);

    for (const auto& [record, entry] : records) {
      if (entry->data().size() != declaration.record_length) {
        Problem(where + ": record " + std::to_string(record) + " holds " +
                std::to_string(entry->data().size()) + " bytes, the declaration " +
                std::to_string(declaration.record_length));
      }
    }
    for (Identifier record : memo_records) {
      if (records.count(record) == 0) {
        Problem(where + ": memo of record " + std::to_string(record) + ", which does not exist");
      }
    }
    auto data_counter = counters.find(entry_kind::kDataCounter);
    if (data_counter == counters.end()) {
      Problem(where + ": has no data counter");
    } else if (data_counter->second.count != records.size()) {
      Problem(where + ": data counter says " + std::to_string(data_counter->second.count) +
              " records, the table holds " + std::to_string(records.size()));
    }

    std::optional<data::CharacterTables> stored_tables;
    bool oem = false;
    if (collation != nullptr && collation->data().size() >= 1 + data::kLocaleBlockSize) {
      oem = collation->data()[0] != 0;
      data::LocaleBlock block;
      std::memcpy(block.data(), collation->data().data() + 1, block.size());
      stored_tables = data::LoadLocale(block);
    }
    const KeyCollation collate{stored_tables ? &*stored_tables : &data::CurrentCharacterTables(),
                               oem, false};

    for (const auto& [number, list] : key_entries) {
      if (number >= declaration.keys.size()) {
        Problem(where + ": " + std::to_string(list.size()) + " entries of key number " +
                std::to_string(number) + ", which is not declared");
      }
    }
    for (size_t k = 0; k < declaration.keys.size(); ++k) {
      KeyDescriptor key;
      const auto number = static_cast<uint8_t>(k);
      const std::string key_name =
          where + " key " +
          (declaration.keys[k].label.empty() ? std::to_string(k) : declaration.keys[k].label);
      if (!KeyDescriptor::Resolve(declaration, number, &key)) {
        Problem(key_name + ": its components name no usable field");
        continue;
      }
      // An index declared without components lives outside the file.
      if (key.dynamic()) continue;
      CheckKey(key_name, table, key, collate, declaration.record_length, records, counters,
               key_entries[number]);
    }
  }

  void CheckKey(const std::string& name, Identifier table, const KeyDescriptor& key,
                const KeyCollation& collate, uint32_t record_length,
                const std::map<Identifier, const StoreEntry*>& records,
                const std::map<uint8_t, Counter>& counters,
                const std::vector<const StoreEntry*>& entries) {
    Counter counter;
    auto found = counters.find(key.number);
    if (found == counters.end()) {
      Problem(name + ": has no counter");
    } else {
      counter = found->second;
    }
    const Identifier mark = counter.out_of_date_from;
    // OEM tables keep their texts converted on disk; their key values are
    // made from the program's form, so only references are checked there.
    const bool values = !collate.oem;
    for (const StoreEntry* entry : entries) {
      const Identifier record = RecordOfKeyEntry(*entry, key);
      // Beyond its out-of-date mark a key may still name records that were
      // deleted or changed since; the next build settles them.
      if (mark != 0 && record >= mark) continue;
      auto stored = records.find(record);
      if (stored == records.end()) {
        Problem(name + ": entry " + Hex(entry->key()) + " names record " + std::to_string(record) +
                ", which does not exist");
        continue;
      }
      if (!values || stored->second->data().size() != record_length) continue;
      const std::string image(stored->second->data());
      if (key.Excludes(image.data()) ||
          KeyEntryKey(table, key, key.Value(image.data(), collate), record) != entry->key()) {
        Problem(name + ": entry " + Hex(entry->key()) + " does not match record " +
                std::to_string(record));
      }
    }
    for (const auto& [record, stored] : records) {
      if (mark != 0 && record >= mark) continue;
      if (!values || stored->data().size() != record_length) continue;
      const std::string image(stored->data());
      if (key.Excludes(image.data())) continue;
      const StoreEntry* entry =
          Find(KeyEntryKey(table, key, key.Value(image.data(), collate), record));
      if (entry == nullptr || RecordOfKeyEntry(*entry, key) != record) {
        Problem(name + ": record " + std::to_string(record) + " has no entry");
      }
    }
    if (found != counters.end() && mark == 0 && counter.count != entries.size()) {
      Problem(name + ": counter says " + std::to_string(counter.count) +
              " entries, the key holds " + std::to_string(entries.size()));
    }
  }

  const std::vector<StoreEntry>& entries_;
  std::vector<std::string>& problems_;
};

}  // namespace

Status CheckIntegrity(StoreFile& file, std::vector<std::string>* problems) {
  problems->clear();
  Status status = file.Validate();
  if (!status.ok()) {
    file.EndOperation();
    return status;
  }
  PageWalk pages(file, problems);
  pages.Run();
  TableWalk(pages.entries(), problems).Run();
  file.EndOperation();
  return Status::Ok();
}

}  // namespace vaultara::store
