#include "store/separator_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vaultara::store {
namespace {

size_t PlainUpperBound(const std::vector<StoreEntry>& entries, std::string_view key) {
  size_t i = 1;
  while (i < entries.size() && CompareKeys(entries[i].key(), key) <= 0) ++i;
  return i;
}

// Separators with a long shared prefix, keys that end inside it, zero bytes
// where the padding could be mistaken for them, and a first separator out of
// order: the index must answer as the plain search does for every probe.
TEST(SeparatorIndexTest, AnswersAsThePlainSearch) {
  std::mt19937 random(4242);
  const char alphabet[] = {'\x00', '\x01', 'a', 'b', '\xFF'};
  auto random_key = [&](const std::string& prefix) {
    std::string key = prefix.substr(0, random() % (prefix.size() + 1));
    const size_t more = random() % 12;
    for (size_t i = 0; i < more; ++i) key += alphabet[random() % 5];
    return key;
  };
  for (int round = 0; round < 300; ++round) {
    const std::string prefix =
        std::string("\x00\x00\x00\x07\xF3", 5) + std::string(random() % 9, 'k');
    std::set<std::string> keys;
    const size_t count = 1 + random() % 60;
    while (keys.size() < count) keys.insert(prefix + random_key(""));
    std::vector<StoreEntry> entries;
    entries.push_back(StoreEntry::KeyOnly(random_key(prefix) + "\xFF\xFF"));  // may be stale
    for (const std::string& key : keys) entries.push_back(StoreEntry::KeyOnly(key));
    SeparatorIndex index;
    for (int probe = 0; probe < 200; ++probe) {
      std::string key = random() % 3 == 0 ? std::string(entries[random() % entries.size()].key())
                                          : prefix + random_key("");
      if (random() % 4 == 0) key = random_key(prefix);
      ASSERT_EQ(index.UpperBound(entries, key), PlainUpperBound(entries, key))
          << "round " << round << " probe " << probe;
    }
    // A change the owner reports makes it build again.
    entries.push_back(StoreEntry::KeyOnly(prefix + std::string(20, '\xFF')));
    index.Clear();
    const std::string last(entries.back().key());
    EXPECT_EQ(index.UpperBound(entries, last), entries.size());
  }
}

}  // namespace
}  // namespace vaultara::store
