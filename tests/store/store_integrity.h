#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "store/entry_cursor.h"
#include "store/entry_kinds.h"
#include "store/store_file.h"
#include "tests/store/tree_check.h"

namespace vaultara::store {

// Checks what the entries of file mean, table by table, beyond the shape of
// the tree (CheckTree, which it runs first): every table named has its
// declaration; every key entry names a record that exists; every record has
// one entry in each of keys_per_table keys (the workload's keys are neither
// optional nor out of date); every counter equals the number of entries it
// counts; every memo segment belongs to a record. The file must be in write
// mode with nothing pending (a replayed journal is then settled on disk).
// Returns the number of records over all tables.
inline size_t CheckStoreIntegrity(StoreFile& file, int keys_per_table) {
  CheckTree(file, true);
  struct Table {
    std::set<Identifier> records;
    std::map<int, std::multiset<Identifier>> key_records;  // by key number
    std::map<int, uint32_t> counters;                      // by key number; -1: records
    std::set<Identifier> memo_owners;
    bool declared = false;
  };
  std::map<Identifier, Table> tables;
  std::set<Identifier> named;
  EntryCursor cursor(file);
  EXPECT_TRUE(cursor.SeekFirst().ok());
  while (cursor.valid()) {
    const std::string key(cursor.entry().key());
    const std::string data(cursor.entry().data());
    EXPECT_TRUE(cursor.Next().ok());
    const auto first = static_cast<uint8_t>(key[0]);
    if (first == entry_kind::kTransactionMark) continue;
    if (first == entry_kind::kTableName) {
      EXPECT_EQ(data.size(), 4u);
      if (data.size() == 4) named.insert(ReadBigEndian(data));
      continue;
    }
    if (key.size() < 5) {
      ADD_FAILURE() << "short entry key of " << key.size() << " bytes";
      continue;
    }
    Table& table = tables[ReadBigEndian(key)];
    const auto kind = static_cast<uint8_t>(key[4]);
    if (kind < entry_kind::kMaxKeys) {
      // A key with duplicates ends its key with R and has no data; one
      // without has R as its data.
      if (data.size() == 4) {
        table.key_records[kind].insert(ReadBigEndian(data));
      } else {
        EXPECT_TRUE(data.empty());
        EXPECT_GE(key.size(), 9u);
        table.key_records[kind].insert(ReadBigEndian(key, key.size() - 4));
      }
    } else if (kind == entry_kind::kDataRecord) {
      EXPECT_EQ(key.size(), entry_kind::kDataKeyLength);
      table.records.insert(ReadBigEndian(key, 5));
    } else if (kind == entry_kind::kCounter) {
      EXPECT_EQ(data.size(), entry_kind::kCounterDataSize);
      uint32_t count = 0;
      uint32_t mark = 0;
      std::memcpy(&count, data.data(), 4);
      std::memcpy(&mark, data.data() + 4, 4);
      const auto which = static_cast<uint8_t>(key[5]);
      table.counters[which == entry_kind::kDataCounter ? -1 : which] = count;
      if (which != entry_kind::kDataCounter) {
        EXPECT_EQ(mark, 0u) << "key " << int(which) << " out of date";
      }
    } else if (kind == entry_kind::kDeclaration) {
      table.declared = true;
    } else if (kind == entry_kind::kMemoSegment) {
      EXPECT_EQ(key.size(), entry_kind::kMemoKeyLength);
      table.memo_owners.insert(ReadBigEndian(key, 5));
    }
  }
  size_t records = 0;
  for (const auto& [number, table] : tables) {
    EXPECT_TRUE(named.count(number)) << "entries of an unnamed table " << number;
    EXPECT_TRUE(table.declared) << "table " << number << " without declaration";
    EXPECT_EQ(table.counters.count(-1) ? table.counters.at(-1) : 0u, table.records.size())
        << "record counter of table " << number;
    for (int k = 0; k < keys_per_table; ++k) {
      const auto found = table.key_records.find(k);
      const std::multiset<Identifier> none;
      const std::multiset<Identifier>& entries =
          found == table.key_records.end() ? none : found->second;
      EXPECT_EQ(entries, std::multiset<Identifier>(table.records.begin(), table.records.end()))
          << "entries of key " << k << " of table " << number;
      EXPECT_EQ(table.counters.count(k) ? table.counters.at(k) : 0u, entries.size())
          << "counter of key " << k << " of table " << number;
    }
    EXPECT_EQ(table.key_records.size() <= static_cast<size_t>(keys_per_table), true);
    for (Identifier owner : table.memo_owners) {
      EXPECT_TRUE(table.records.count(owner)) << "memo of a missing record " << owner;
    }
    records += table.records.size();
  }
  return records;
}

}  // namespace vaultara::store
