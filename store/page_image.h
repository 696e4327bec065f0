#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/store_entry.h"

namespace vaultara::store {

// What a page holds: its level (0 for a leaf), its entries in key order and,
// for an index page, one child page number per entry.
struct PageContent {
  uint8_t level = 0;
  std::vector<StoreEntry> entries;
  std::vector<int32_t> children;
};

// The on-disk image of a page:
//
//   0  u32  home byte offset          8  u16  size budget
//   4  u16  stored length            10  u16  entry count k
//   6  u16  unpacked length          12  u8   level
//   13      index pages: k child numbers (u32), never packed
//   ...     entry bytes, run-length packed when that saves a 256-byte unit
//   ...     filler 0xB0 up to the page's class size
//
// Each entry is a flag byte (bit 7: total length follows, bit 6: key length
// follows, bits 0-5: bytes shared with the previous entry), the lengths that
// changed as u16, and the bytes after the shared prefix.
class PageImage {
 public:
  // Builds the image of content with the given size budget. The home offset
  // and the child numbers are filled in later (SetHome, SetChildren), since
  // placing pages may still renumber them. Status 1659 when the unpacked form
  // exceeds the budget, 1678 when the stored form exceeds the largest page.
  static PageImage Build(const PageContent& content, uint32_t budget);

  // Reads an image of class_size bytes (the class the page's number lies in).
  // Faults: 1477 stored length does not round to the class size, 522/530 bad
  // packing, 1602 entries not ending at the unpacked length.
  static PageContent Read(const uint8_t* bytes, size_t class_size);

  // The size class the image needs (stored length rounded up to 256, in units).
  int size_class() const { return size_class_; }
  bool packed() const;
  uint16_t stored_length() const;
  uint16_t unpacked_length() const;

  void SetHome(uint32_t offset);
  void SetChildren(const std::vector<int32_t>& children);

  // The full image: size_class() * 256 bytes.
  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  int size_class_ = 0;
};

// Size budget of content: 13, plus per entry its length and 5 in a leaf or 9
// in an index page (which counts the child number).
uint32_t BudgetOf(const PageContent& content);
inline uint32_t EntryCost(size_t entry_size, uint8_t level) {
  return static_cast<uint32_t>(entry_size) + (level == 0 ? 5u : 9u);
}

}  // namespace vaultara::store
