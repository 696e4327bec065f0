#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/entry_kinds.h"
#include "store/key_descriptor.h"
#include "store/status.h"
#include "store/store_entry.h"

namespace vaultara::store {

class StoreFile;

// Record numbers count from 1; 0 means none. The highest number stands for
// "after every record" when positioning backwards.
inline constexpr Identifier kLastRecordNumber = 0xFFFFFFFFu;

// Table number and key number: the prefix every entry of one key shares.
std::string KeyPrefix(Identifier table, uint8_t key_number);

// A key entry: T, the key number and the key value; for a key with duplicates
// the record number follows as part of the entry key, otherwise it is the
// entry's 4 data bytes. Record numbers are big-endian.
std::string KeyEntryKey(Identifier table, const KeyDescriptor& key, std::string_view value,
                        Identifier record);
StoreEntry KeyEntry(Identifier table, const KeyDescriptor& key, std::string_view value,
                    Identifier record);
// The record number a key entry points at.
Identifier RecordOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key);
// The key value a key entry holds (without prefix and record number).
std::string_view ValueOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key);

// Reads a counter entry ([T, 0xF6, which]); a missing one reads as zero.
Status LoadCounter(StoreFile& file, Identifier table, uint8_t which, Counter* counter);
// Writes a counter entry (the file must be in write mode).
Status SaveCounter(StoreFile& file, Identifier table, uint8_t which, const Counter& counter);
// Lowers a key's out-of-date mark to record: the lowest record number wins,
// and a mark of 0 counts as infinitely high.
inline void LowerMark(Counter* counter, Identifier record) {
  if (counter->out_of_date_from == 0 || record < counter->out_of_date_from) {
    counter->out_of_date_from = record;
  }
}

}  // namespace vaultara::store
