#include "store/separator_index.h"

#include <algorithm>
#include <cstring>

namespace vaultara::store {

namespace {

// The (up to) eight bytes of key from position from on, zero-padded, as a
// big-endian number: numbers compare as the padded bytes do.
uint64_t EightBytesFrom(std::string_view key, size_t from) {
  uint64_t value = 0;
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = from + i;
    value = (value << 8) | (at < key.size() ? static_cast<uint8_t>(key[at]) : 0u);
  }
  return value;
}

size_t SharedLength(std::string_view a, std::string_view b) {
  const size_t limit = std::min(a.size(), b.size());
  size_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

void SeparatorIndex::Build(const std::vector<StoreEntry>& entries) {
  count_ = entries.size();
  following_.clear();
  shared_ = 0;
  if (count_ > 1) {
    // Sorted, so what the first and the last share, all share.
    shared_ = SharedLength(entries[1].key(), entries[count_ - 1].key());
    following_.reserve(count_ - 1);
    for (size_t i = 1; i < count_; ++i) {
      following_.push_back(EightBytesFrom(entries[i].key(), shared_));
    }
  }
  built_ = true;
}

size_t SeparatorIndex::UpperBound(const std::vector<StoreEntry>& entries, std::string_view key) {
  if (!built_ || count_ != entries.size()) Build(entries);
  if (count_ <= 1) return count_;
  // Against the shared bytes: below them the key precedes every separator,
  // above them it follows every one.
  const std::string_view common = entries[1].key().substr(0, shared_);
  const int c = CompareKeys(key.substr(0, std::min(key.size(), shared_)), common);
  if (c < 0) return 1;
  if (c > 0) return count_;
  // A separator whose next eight bytes (padded) are smaller than the key's is
  // smaller than the key, one whose bytes are greater is greater: the padding
  // stands for the end of the shorter, which sorts first. Only the equal
  // ones need the whole key.
  const uint64_t wanted = EightBytesFrom(key, shared_);
  const auto low = std::lower_bound(following_.begin(), following_.end(), wanted);
  const auto high = std::upper_bound(low, following_.end(), wanted);
  const auto first = entries.begin() + 1 + (low - following_.begin());
  const auto last = entries.begin() + 1 + (high - following_.begin());
  const auto it = std::upper_bound(first, last, key, [](std::string_view k, const StoreEntry& e) {
    return CompareKeys(k, e.key()) < 0;
  });
  return static_cast<size_t>(it - entries.begin());
}

}  // namespace vaultara::store
