#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "store/store_entry.h"

namespace vaultara::store {

// A search aid for the separators of an index page: the bytes that the keys
// of separators 1 to k-1 all share, and of each of those keys the eight
// bytes after them as a big-endian number (zero-padded). Searching those
// numbers first touches one small array instead of a string per separator;
// only separators whose eight bytes equal the key's are compared in full.
//
// Separators from the second on are in ascending key order (only the first
// may lie out of order, which is why it takes no part). The index holds for
// the entries it was built from; the page owner clears it whenever the
// page's entries change.
class SeparatorIndex {
 public:
  // The first separator at position 1 or later whose key is greater than
  // key (entries.size() when none is), as a search over entries[1..] would
  // give it. Builds the index when it is not built.
  size_t UpperBound(const std::vector<StoreEntry>& entries, std::string_view key);
  void Clear() { built_ = false; }

 private:
  void Build(const std::vector<StoreEntry>& entries);

  bool built_ = false;
  size_t count_ = 0;                 // entries when built
  size_t shared_ = 0;                // key bytes shared by separators 1..count_-1
  std::vector<uint64_t> following_;  // [i - 1]: the eight bytes after them in separator i
};

}  // namespace vaultara::store
