#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/byte_order.h"

// The kinds of entries that make up the tables of a store file, and how each
// is keyed. docs/table_format.md describes them in prose.
//
// Every entry of a table starts with its 4-byte table number T, kept
// big-endian so that a table's entries are contiguous and tables sort by
// creation. The byte after T tells the kinds apart: a key number (0-239) for
// the entries of a key, or one of the tags below. Two entries belong to no
// table: the table names (0xFE + name) and the transaction mark (0xFF); a table
// number never starts with those bytes because the identifier counter stops
// below 0xFE.
namespace vaultara::store::entry_kind {

inline constexpr uint8_t kTableName = 0xFE;        // 0xFE, upper-case name -> T
inline constexpr uint8_t kTransactionMark = 0xFF;  // 0xFF -> transaction number, control file
inline constexpr uint8_t kDataRecord = 0xF3;       // T, 0xF3, R (u32 BE) -> record image
inline constexpr uint8_t kCounter = 0xF6;          // T, 0xF6, 0xF3 or key number -> count, mark
inline constexpr uint8_t kDeclaration = 0xFA;      // T, 0xFA, block (u16 LE) -> stream bytes
inline constexpr uint8_t kCollation = 0xFB;        // T, 0xFB, 0x01 -> OEM flag, locale block
inline constexpr uint8_t kMemoSegment = 0xFC;      // T, 0xFC, R, memo, segment -> memo bytes

// The counter of the data records (the third key byte of its counter entry);
// key counters use the key number instead.
inline constexpr uint8_t kDataCounter = kDataRecord;
inline constexpr uint8_t kCollationBlockNumber = 0x01;

inline constexpr size_t kTableNumberSize = 4;
inline constexpr size_t kDataKeyLength = 9;
inline constexpr size_t kCounterKeyLength = 6;
inline constexpr size_t kDeclarationKeyLength = 7;
inline constexpr size_t kCollationKeyLength = 6;
inline constexpr size_t kMemoKeyLength = 12;

// Data of a counter entry: u32 number of entries, u32 first record number from
// which a key is out of date (0: up to date), both little-endian.
inline constexpr size_t kCounterDataSize = 8;
// A declaration block holds up to this many bytes of the declaration stream.
inline constexpr size_t kDeclarationBlockSize = 512;
// A memo segment holds up to this many bytes; the first segment of a blob
// carries the blob's length (u32 LE) in front of them.
inline constexpr size_t kMemoSegmentSize = 256;
inline constexpr size_t kBlobLengthSize = 4;

// The first key byte after T of an index entry is its key number, below this.
inline constexpr int kMaxKeys = 240;

}  // namespace vaultara::store::entry_kind

namespace vaultara::store {

// A table number or record number, as issued by the file's identifier
// counter. In keys it is written big-endian.
using Identifier = uint32_t;

inline std::string BigEndian(Identifier n) {
  std::string bytes(4, '\0');
  StoreBigU32(reinterpret_cast<uint8_t*>(bytes.data()), n);
  return bytes;
}
inline Identifier ReadBigEndian(std::string_view bytes, size_t at = 0) {
  return LoadBigU32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

// The keys of the entry kinds.
inline std::string TableNameKey(std::string_view upper_name) {
  std::string key(1, static_cast<char>(entry_kind::kTableName));
  key += upper_name;
  return key;
}
inline std::string TablePrefix(Identifier table) { return BigEndian(table); }
inline std::string DataKey(Identifier table, Identifier record) {
  return BigEndian(table) + static_cast<char>(entry_kind::kDataRecord) + BigEndian(record);
}
inline std::string CounterKey(Identifier table, uint8_t which) {
  return BigEndian(table) + static_cast<char>(entry_kind::kCounter) + static_cast<char>(which);
}
inline std::string DeclarationKey(Identifier table, uint16_t block) {
  std::string key = BigEndian(table) + static_cast<char>(entry_kind::kDeclaration);
  key += static_cast<char>(block & 0xFF);
  key += static_cast<char>(block >> 8);
  return key;
}
inline std::string CollationBlockKey(Identifier table) {
  return BigEndian(table) + static_cast<char>(entry_kind::kCollation) +
         static_cast<char>(entry_kind::kCollationBlockNumber);
}
// The prefix shared by every segment of the memos of one record.
inline std::string MemoPrefix(Identifier table, Identifier record) {
  return BigEndian(table) + static_cast<char>(entry_kind::kMemoSegment) + BigEndian(record);
}
inline std::string MemoKey(Identifier table, Identifier record, uint8_t memo, uint16_t segment) {
  std::string key = MemoPrefix(table, record);
  key += static_cast<char>(memo);
  key += static_cast<char>(segment >> 8);
  key += static_cast<char>(segment & 0xFF);
  return key;
}

// A counter entry's data.
struct Counter {
  uint32_t count = 0;
  uint32_t out_of_date_from = 0;  // 0: up to date

  std::string Encode() const {
    std::string data(entry_kind::kCounterDataSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(data.data());
    StoreU32(p, count);
    StoreU32(p + 4, out_of_date_from);
    return data;
  }
  // Short data reads as zeros.
  static Counter Decode(std::string_view data) {
    uint8_t bytes[entry_kind::kCounterDataSize] = {};
    for (size_t i = 0; i < data.size() && i < sizeof bytes; ++i) {
      bytes[i] = static_cast<uint8_t>(data[i]);
    }
    return Counter{LoadU32(bytes), LoadU32(bytes + 4)};
  }
};

}  // namespace vaultara::store
