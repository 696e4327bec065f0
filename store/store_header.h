#pragma once

#include <array>
#include <cstdint>

#include "store/format.h"

namespace vaultara::store {

// The 512-byte file header in memory. Encode and Decode convert it exactly to
// and from the bytes at offset 0 (or its copy in the journal).
struct StoreHeader {
  uint32_t journal_start = 0;  // byte offset
  uint32_t journal_end = 0;    // byte offset; equal to journal_start when none is pending
  std::array<uint8_t, 4> signature{};
  std::array<uint8_t, 4> identifier{};  // big-endian counter, kept as stored
  uint32_t change_counter = 0;
  int32_t root_page = 0;
  std::array<uint32_t, format::kRegionCount> region_start{};  // A[c], in 256-byte units
  std::array<uint32_t, format::kRegionCount> region_end{};    // B[c]

  // A header for a new empty file: signature set, everything else zero.
  static StoreHeader NewFile();

  void Encode(uint8_t* bytes) const;  // writes kHeaderSize bytes
  // Reads kHeaderSize bytes; says nothing about the signature (HasSignature).
  static StoreHeader Decode(const uint8_t* bytes);

  bool HasSignature() const;
  bool JournalPending() const { return journal_start != journal_end; }

  // The size class of a page number: the class c with A[c] <= n < B[c] and n
  // on a page boundary of that region, or 0 when it lies in no region.
  int ClassOf(int64_t page) const;
  // Number of pages in region c.
  uint32_t PagesIn(int c) const { return (region_end[c] - region_start[c]) / c; }
  // Byte offset just past the highest non-empty region (512 when all are empty).
  uint32_t EndOfPageArea() const;
};

// Byte offset of page n and back.
inline uint64_t PageOffset(int64_t page) {
  return format::kHeaderSize + format::kUnitSize * static_cast<uint64_t>(page);
}

}  // namespace vaultara::store
