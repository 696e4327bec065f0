#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/key_descriptor.h"
#include "store/status.h"
#include "store/store_entry.h"

namespace vaultara::store {

class StoreFile;

// The byte after the table number that tells the kinds of a table's entries
// apart. Key entries carry their key number (0 to 239) there instead.
namespace entry_kind {
inline constexpr uint8_t kDataRecord = 0xF3;
inline constexpr uint8_t kCounter = 0xF6;
}  // namespace entry_kind

// Record numbers 1 up; 0 means none. The highest number stands for "after
// every record" when positioning backwards.
inline constexpr uint32_t kLastRecordNumber = 0xFFFFFFFFu;

// The table number as it leads every entry of the table (big-endian).
std::string TablePrefix(uint32_t table);
// Table number and key number: the prefix every entry of one key shares.
std::string KeyPrefix(uint32_t table, uint8_t key_number);
// The key of the data record entry [T, 0xF3, record].
std::string DataRecordKey(uint32_t table, uint32_t record);
// The record number of a data record entry's key.
uint32_t RecordOfDataKey(std::string_view key);

// A key entry: T, the key number and the key value; for a key with duplicates
// the record number follows as part of the entry key, otherwise it is the
// entry's 4 data bytes. Record numbers are big-endian.
std::string KeyEntryKey(uint32_t table, const KeyDescriptor& key, std::string_view value,
                        uint32_t record);
StoreEntry KeyEntry(uint32_t table, const KeyDescriptor& key, std::string_view value,
                    uint32_t record);
// The record number a key entry points at.
uint32_t RecordOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key);
// The key value a key entry holds (without prefix and record number).
std::string_view ValueOfKeyEntry(const StoreEntry& entry, const KeyDescriptor& key);

// A counter entry [T, 0xF6, which]: the number of entries, and the first
// record number from which the key is out of date (0 when it is complete;
// for the data counter, the table's stored flag word). Both little-endian.
struct Counter {
  uint32_t count = 0;
  uint32_t mark = 0;

  static std::string KeyOf(uint32_t table, uint8_t which);
  // Reads the counter; a missing entry reads as zero.
  static Status Load(StoreFile& file, uint32_t table, uint8_t which, Counter* counter);
  // Writes the counter (the file must be in write mode).
  Status Save(StoreFile& file, uint32_t table, uint8_t which) const;

  // Lowers the out-of-date mark to record: the lowest record number wins and
  // a mark of 0 counts as infinitely high.
  void LowerMark(uint32_t record) {
    if (mark == 0 || record < mark) mark = record;
  }
};

}  // namespace vaultara::store
