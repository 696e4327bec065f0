#pragma once

#include <cstdint>

// Where the locks of a store file lie. Every lock is a byte range at
// 2^31 + n, far beyond any data, so locking never stands in the way of
// reading or writing the file itself:
//
//   n = 0 .. 1022      one byte each: reader slots; a reader holds one
//   n = 0, length 1023 all reader slots: a committing writer
//   n = 1023           the writer lock
//   n = 1025 + id      a record hold (id = record number) or a table lock
//                      (id = table number); the two never collide because
//                      table and record numbers come from one counter
namespace vaultara::store::lock_map {

inline constexpr uint64_t kBase = uint64_t{1} << 31;
inline constexpr uint32_t kReaderSlots = 1023;
inline constexpr uint32_t kWriter = 1023;
inline constexpr uint32_t kHoldBase = 1025;

struct Range {
  uint64_t offset = 0;
  uint64_t length = 0;
};

inline Range ReaderSlot(uint32_t slot) { return {kBase + slot % kReaderSlots, 1}; }
inline Range AllReaderSlots() { return {kBase, kReaderSlots}; }
inline Range WriterLock() { return {kBase + kWriter, 1}; }
// id as a number (record and table numbers are stored big-endian in keys).
inline Range Hold(uint32_t id) { return {kBase + kHoldBase + id, 1}; }

}  // namespace vaultara::store::lock_map
