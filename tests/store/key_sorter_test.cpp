#include "store/key_sorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/fault_injection.h"

namespace vaultara::store {
namespace {

std::vector<std::string> RandomItems(size_t n, size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::string> items(n, std::string(size, '\0'));
  // Few distinct leading bytes, so equal prefixes are common.
  for (std::string& item : items) {
    for (size_t i = 0; i < size; ++i) item[i] = static_cast<char>(random() % (i == 0 ? 3 : 256));
  }
  return items;
}

std::vector<std::string> Drain(KeySorter& sorter) {
  std::vector<std::string> out;
  std::string item;
  for (;;) {
    EXPECT_TRUE(sorter.Next(&item).ok());
    if (item.empty()) return out;
    out.push_back(item);
  }
}

TEST(KeySorter, GivesItemsInByteOrderWhetherOrNotItSpills) {
  struct Case {
    size_t items;
    size_t memory;
    size_t runs_at_least;
    bool on_disk;
  };
  const std::vector<Case> cases = {
      {0, KeySorter::kDefaultMemoryLimit, 0, false},
      {1000, KeySorter::kDefaultMemoryLimit, 0, false},  // stays in memory
      {1000, 2000, 5, false},                            // runs small enough for memory
      {5000, 3000, 15, true},                            // runs in a temporary file
  };
  for (const Case& c : cases) {
    const std::vector<std::string> items = RandomItems(c.items, 12, 7);
    KeySorter sorter(platform::RealPlatform(), 12, c.memory);
    for (const std::string& item : items) ASSERT_TRUE(sorter.Add(item).ok());
    std::vector<std::string> expected = items;
    std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
      return std::lexicographical_compare(
          a.begin(), a.end(), b.begin(), b.end(),
          [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
    });
    EXPECT_EQ(Drain(sorter), expected) << c.items << " items, memory " << c.memory;
    EXPECT_GE(sorter.runs(), c.runs_at_least);
    if (c.runs_at_least == 0) {
      EXPECT_EQ(sorter.runs(), 0u);
    }
    EXPECT_EQ(sorter.spilled_to_disk(), c.on_disk);
  }
}

TEST(KeySorter, ASpillFileThatCannotBeWrittenFailsTheSort) {
  platform::FaultInjection faults(platform::RealPlatform());
  KeySorter sorter(faults, 8, 100);
  faults.FailWrite(1);
  Status status;
  for (const std::string& item : RandomItems(4000, 8, 3)) {
    status = sorter.Add(item);
    if (!status.ok()) break;
  }
  EXPECT_EQ(status.kind(), Status::Kind::kSystemError);
}

}  // namespace
}  // namespace vaultara::store
