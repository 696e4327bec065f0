#include "store/entry_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "store/entry_cursor.h"
#include "tests/store/store_fixture.h"
#include "tests/store/tree_check.h"

namespace vaultara::store {
namespace {

using EntryTreeTest = StoreFixture;

// Keys with long shared prefixes (as table numbers give them) and data of
// very different sizes, so pages of many classes appear.
std::string RandomKey(std::mt19937& random) {
  static const char* prefixes[] = {"", "\x00\x00\x00\x01\xF3", "\x00\x00\x00\x02\xFC", "tbl"};
  std::string key(prefixes[random() % 4]);
  const size_t length = 1 + random() % 12;
  for (size_t i = 0; i < length; ++i)
    key += static_cast<char>(random() % 5 == 0 ? 0xFF : 'a' + random() % 4);
  return key;
}

std::string RandomData(std::mt19937& random) {
  const uint32_t kind = random() % 20;
  const size_t length = kind == 0 ? 1000 + random() % 6000 : random() % 120;
  std::string data(length, static_cast<char>('A' + random() % 3));
  for (size_t i = 0; i < length; i += 1 + random() % 8) data[i] = static_cast<char>(random());
  return data;
}

void ExpectSameEntries(StoreFile& file, const std::map<std::string, std::string>& expected) {
  EntryCursor cursor(file);
  ASSERT_TRUE(cursor.SeekFirst().ok());
  for (const auto& [key, data] : expected) {
    ASSERT_TRUE(cursor.valid());
    ASSERT_EQ(std::string(cursor.entry().key()), key);
    ASSERT_EQ(std::string(cursor.entry().data()), data);
    ASSERT_TRUE(cursor.Next().ok());
  }
  EXPECT_FALSE(cursor.valid());
}

// Every search of file for key answers as the map of what it should hold.
void ExpectLookupsAgree(StoreFile& file, const std::map<std::string, std::string>& expected,
                        const std::string& key) {
  std::optional<StoreEntry> found, ceiling, next, previous;
  ASSERT_TRUE(file.Find(key, &found).ok());
  ASSERT_TRUE(file.Ceiling(key, &ceiling).ok());
  ASSERT_TRUE(file.Successor(key, &next).ok());
  ASSERT_TRUE(file.Predecessor(key, &previous).ok());
  auto it = expected.find(key);
  ASSERT_EQ(found.has_value(), it != expected.end()) << key;
  if (found) {
    ASSERT_EQ(std::string(found->data()), it->second);
  }
  auto at_or_above = expected.lower_bound(key);
  ASSERT_EQ(ceiling.has_value(), at_or_above != expected.end());
  if (ceiling) {
    ASSERT_EQ(std::string(ceiling->key()), at_or_above->first);
  }
  auto above = expected.upper_bound(key);
  ASSERT_EQ(next.has_value(), above != expected.end());
  if (next) {
    ASSERT_EQ(std::string(next->key()), above->first);
  }
  ASSERT_EQ(previous.has_value(), at_or_above != expected.begin());
  if (previous) {
    ASSERT_EQ(std::string(previous->key()), std::prev(at_or_above)->first);
  }
}

TEST_F(EntryTreeTest, RandomChangesMatchAMap) {
  std::mt19937 random(20240601);
  std::map<std::string, std::string> expected;
  auto file = OpenOrFail("random.zph", "pw");
  for (int round = 0; round < 12; ++round) {
    ASSERT_TRUE(file->BeginWrite().ok());
    for (int op = 0; op < 1500; ++op) {
      const std::string key = RandomKey(random);
      if (random() % 10 < 6) {
        const std::string data = RandomData(random);
        const Status status = file->Insert(StoreEntry(key, data));
        if (expected.count(key)) {
          ASSERT_EQ(status, Status::Fault(706));
        } else {
          ASSERT_TRUE(status.ok()) << status.number();
          expected[key] = data;
        }
      } else {
        auto victim = expected.lower_bound(key);
        if (victim == expected.end()) continue;
        bool deleted = false;
        ASSERT_TRUE(file->Delete(victim->first, &deleted).ok());
        ASSERT_TRUE(deleted);
        expected.erase(victim);
      }
    }
    // Lookups before the commit see the pending state.
    for (int probe = 0; probe < 200; ++probe) {
      ASSERT_NO_FATAL_FAILURE(ExpectLookupsAgree(*file, expected, RandomKey(random)));
    }
    ASSERT_EQ(CheckTree(*file, false), expected.size());
    ASSERT_TRUE(file->Commit().ok());
    ASSERT_EQ(CheckTree(*file, true), expected.size());
    if (round % 3 == 2) {
      file.reset();
      file = OpenOrFail("random.zph", "pw");
      ExpectSameEntries(*file, expected);
    }
  }
  // Finally empty the file in random order.
  std::vector<std::string> keys;
  for (const auto& [key, data] : expected) keys.push_back(key);
  std::shuffle(keys.begin(), keys.end(), random);
  ASSERT_TRUE(file->BeginWrite().ok());
  for (const std::string& key : keys) ASSERT_TRUE(file->Delete(key).ok());
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_EQ(CheckTree(*file, true), 0u);
  EXPECT_EQ(file->header().EndOfPageArea(), 512u + 256u);
}

// Searches remember the leaves they met and answer from them later; every
// change between two searches (inserts that split, deletes that free pages,
// commits that renumber them, pages evicted from a small cache and loaded
// again) must leave those answers right.
TEST_F(EntryTreeTest, LookupsBetweenChangesMatchAMap) {
  std::mt19937 random(7351);
  std::map<std::string, std::string> expected;
  auto file = OpenOrFail("interleaved.zph", "pw");
  file->SetCacheLimit(64 * 1024);
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(file->BeginWrite().ok());
    for (int op = 0; op < 1500; ++op) {
      const std::string key = RandomKey(random);
      if (random() % 10 < 6) {
        if (!expected.count(key)) {
          const std::string data = RandomData(random);
          ASSERT_TRUE(file->Insert(StoreEntry(key, data)).ok());
          expected[key] = data;
        }
      } else if (auto victim = expected.lower_bound(key); victim != expected.end()) {
        ASSERT_TRUE(file->Delete(victim->first).ok());
        expected.erase(victim);
      }
      // A key that is present, one next to it, and a random one.
      if (!expected.empty()) {
        auto near = expected.lower_bound(key);
        if (near == expected.end()) near = expected.begin();
        ASSERT_NO_FATAL_FAILURE(ExpectLookupsAgree(*file, expected, near->first));
        ASSERT_NO_FATAL_FAILURE(ExpectLookupsAgree(*file, expected, near->first + '\x00'));
      }
      ASSERT_NO_FATAL_FAILURE(ExpectLookupsAgree(*file, expected, RandomKey(random)));
    }
    ASSERT_TRUE(file->Commit().ok());
    for (int probe = 0; probe < 300; ++probe)
      ASSERT_NO_FATAL_FAILURE(ExpectLookupsAgree(*file, expected, RandomKey(random)));
  }
  ASSERT_EQ(CheckTree(*file, true), expected.size());
}

// Keys order as unsigned bytes over the shorter length, then by length; the
// comparison works eight bytes at a time, so lengths around multiples of
// eight and bytes above 0x7F are where it could go wrong.
TEST(CompareKeysTest, OrdersAsUnsignedBytesThenByLength) {
  std::mt19937 random(99);
  auto reference = [](std::string_view a, std::string_view b) {
    const bool less = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
    const bool greater = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
    return less ? -1 : greater ? 1 : 0;
  };
  auto sign = [](int c) { return c < 0 ? -1 : c > 0 ? 1 : 0; };
  const char alphabet[] = {'\x00', '\x01', 'a', '\x7F', '\x80', '\xFF'};
  for (int i = 0; i < 200000; ++i) {
    std::string a(random() % 20, '\0');
    for (char& c : a) c = alphabet[random() % 6];
    // Often b shares a prefix of a, so that the difference lies deep.
    std::string b = a.substr(0, random() % (a.size() + 1));
    const size_t more = random() % 6;
    for (size_t k = 0; k < more; ++k) b += alphabet[random() % 6];
    ASSERT_EQ(sign(CompareKeys(a, b)), reference(a, b)) << i;
    ASSERT_EQ(sign(CompareKeys(b, a)), reference(b, a)) << i;
  }
}

TEST_F(EntryTreeTest, EmptiedPageIsFreedAndFirstEntryDeletionRenewsItsSeparator) {
  auto file = OpenOrFail("pages.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  for (int i = 0; i < 600; ++i) ASSERT_TRUE(file->Insert(StoreEntry(Key(i), "some data")).ok());
  ASSERT_TRUE(file->Commit().ok());
  const uint32_t leaves_before = file->header().PagesIn(1) + file->header().PagesIn(2) +
                                 file->header().PagesIn(3) + file->header().PagesIn(4);
  ASSERT_TRUE(file->BeginWrite().ok());

  std::vector<std::string> second_leaf;
  size_t separators = 0;
  {
    PagePin root(file->pages().Root());
    ASSERT_EQ(root->level(), 1);
    ASSERT_GE(root->size(), 3u);
    separators = root->size();
    PagePin leaf(file->pages().Load(root->content.children[1]));
    for (const StoreEntry& entry : leaf->content.entries) second_leaf.emplace_back(entry.key());
  }
  // The first entry goes: the separator follows the new first key.
  ASSERT_TRUE(file->Delete(second_leaf[0]).ok());
  {
    PagePin root(file->pages().Root());
    EXPECT_EQ(root->content.entries[1].key(), second_leaf[1]);
  }
  for (const std::string& key : second_leaf) ASSERT_TRUE(file->Delete(key).ok());
  {
    PagePin root(file->pages().Root());
    EXPECT_EQ(root->size(), separators - 1);
  }
  ASSERT_TRUE(file->Commit().ok());
  const uint32_t leaves_after = file->header().PagesIn(1) + file->header().PagesIn(2) +
                                file->header().PagesIn(3) + file->header().PagesIn(4);
  EXPECT_EQ(leaves_after, leaves_before - 1);
  EXPECT_EQ(CheckTree(*file, true), 600 - second_leaf.size());
}

// What a key rebuild does: every key entry goes, leaving a later entry first
// in the file, and the new ones arrive in ascending order below it. Insertion
// leaves the first separators on the leftmost path naming that later entry,
// so index pages there fill with separators below their own first one; they
// must still be found (and renumbered) when placed at commit.
TEST_F(EntryTreeTest, KeysArrivingBelowTheFirstSeparatorKeepEveryPageFindable) {
  auto file = OpenOrFail("rebuild.zph", "pw");
  // Long keys give index pages few separators, so the tree has three levels.
  const auto long_key = [](char kind, int n) { return kind + Key(n) + std::string(90, '.'); };
  ASSERT_TRUE(file->BeginWrite().ok());
  ASSERT_TRUE(file->Insert(StoreEntry("z counter", "1")).ok());
  for (int i = 0; i < 3000; ++i) ASSERT_TRUE(file->Insert(StoreEntry(long_key('b', i), "")).ok());
  ASSERT_TRUE(file->Commit().ok());
  EXPECT_EQ(PagePin(file->pages().Root())->level(), 2);

  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(file->BeginWrite().ok());
    for (int i = 0; i < 3000; ++i) ASSERT_TRUE(file->Delete(long_key('b' - round, i)).ok());
    for (int i = 0; i < 3000; ++i) {
      ASSERT_TRUE(file->Insert(StoreEntry(long_key('a' - round, i), "")).ok());
    }
    ASSERT_EQ(CheckTree(*file, false), 3001u);
    const Status commit = file->Commit();
    ASSERT_TRUE(commit.ok()) << commit.number();
    ASSERT_EQ(CheckTree(*file, true), 3001u);
  }
  std::optional<StoreEntry> first;
  ASSERT_TRUE(file->First(&first).ok());
  EXPECT_EQ(first->key(), long_key('a' - 1, 0));
}

TEST_F(EntryTreeTest, SmallEntriesSplitAtTwentyOnceOver4096) {
  auto file = OpenOrFail("split.zph", "pw");
  ASSERT_TRUE(file->BeginWrite().ok());
  // 21 entries of 200 bytes: budget 13 + 21 * 205 = 4318 > 4096 with more than 20 entries.
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(file->Insert(StoreEntry(Key(i), std::string(189, 'x' + i % 2))).ok());
  EXPECT_EQ(PagePin(file->pages().Root())->level(), 0);
  ASSERT_TRUE(file->Insert(StoreEntry(Key(20), std::string(189, 'y'))).ok());
  PagePin root(file->pages().Root());
  EXPECT_EQ(root->level(), 1);
  ASSERT_EQ(root->size(), 2u);
  EXPECT_EQ(PagePin(file->pages().Load(root->content.children[0]))->size(), 10u);
  EXPECT_EQ(PagePin(file->pages().Load(root->content.children[1]))->size(), 11u);
  EXPECT_EQ(root->content.entries[1].key(), Key(10));
}

}  // namespace
}  // namespace vaultara::store
