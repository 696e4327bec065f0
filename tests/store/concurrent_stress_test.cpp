#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

#include "store/commit_policy.h"
#include "store/entry_cursor.h"
#include "store/entry_kinds.h"
#include "tests/store/child_runner.h"
#include "tests/store/process_table.h"
#include "tests/store/tree_check.h"

namespace vaultara::store {
namespace {

using Records = std::map<Identifier, std::string>;

constexpr int kProcesses = 4;
constexpr auto kRunTime = std::chrono::milliseconds(1500);

// Several processes add, change and delete records of one table at once,
// each its own records; every statement is committed at once. Afterwards
// the table holds exactly what each process committed last, its data
// counter (a value every add and delete of every process updates) agrees,
// and the tree is sound.
class ConcurrentStressTest : public StoreFixture {
 protected:
  // The work of process p; writes what it left behind to its result file.
  int Work(int p) {
    ProcessTable table(path_);
    if (table.Open() != 0) return 2;
    Records mine;
    const auto end = std::chrono::steady_clock::now() + kRunTime;
    for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
      const std::string name = "c" + std::to_string(p) + "-" + std::to_string(n);
      if (n % 4 < 2 || mine.empty()) {
        Identifier record = 0;
        if (table.Add(name, &record) != 0) return 3;
        mine[record] = name;
        continue;
      }
      // Change or delete one of this process's records.
      auto it = std::next(mine.begin(), n % mine.size());
      if (table.Read(it->first) != it->second) return 4;
      if (n % 4 == 2) {
        table.SetName(name + "x");
        if (table.Statement(table.handle().Put()) != 0) return 5;
        it->second = name + "x";
      } else {
        if (table.Statement(table.handle().Delete()) != 0) return 6;
        mine.erase(it);
      }
    }
    std::ofstream out(ResultFile(p));
    for (const auto& [record, name] : mine) out << record << ' ' << name << '\n';
    return out ? 0 : 7;
  }

  std::string ResultFile(int p) const { return PathOf("result-" + std::to_string(p)); }

  std::string path_;
};

TEST_F(ConcurrentStressTest, EveryCommittedChangeIsThereExactlyOnce) {
  path_ = PathOf("people.zph");
  {
    ProcessTable table(path_);
    ASSERT_EQ(table.Create(), 0);
  }
  std::vector<std::unique_ptr<ChildRunner>> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(std::make_unique<ChildRunner>([this, p] { return Work(p); }));
  }
  for (int p = 0; p < kProcesses; ++p) {
    ASSERT_EQ(children[p]->WaitFor(30000), 0) << "process " << p;
  }

  Records expected;
  for (int p = 0; p < kProcesses; ++p) {
    std::ifstream in(ResultFile(p));
    Identifier record = 0;
    std::string name;
    while (in >> record >> name) {
      ASSERT_TRUE(expected.emplace(record, name).second) << "record " << record << " twice";
    }
  }
  ASSERT_GT(expected.size(), 20u);

  ProcessTable table(path_);
  ASSERT_EQ(table.Open(), 0);
  StoreFile& file = table.handle().file();
  const std::string prefix =
      TablePrefix(table.handle().table_number()) + static_cast<char>(entry_kind::kDataRecord);
  Records stored;
  EntryCursor cursor(file);
  ASSERT_TRUE(cursor.Seek(prefix).ok());
  while (cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix) {
    const StoreEntry& entry = cursor.entry();
    std::string name(entry.data().substr(4, 20));
    name.erase(name.find_last_not_of(' ') + 1);
    ASSERT_TRUE(stored.emplace(ReadBigEndian(entry.key(), 5), name).second);
    ASSERT_TRUE(cursor.Next().ok());
  }
  EXPECT_EQ(stored, expected);
  CheckTree(file, true);
  FinishOperation(file);
  uint32_t count = 0;
  ASSERT_EQ(table.handle().Records(&count), 0);
  EXPECT_EQ(count, expected.size());
}

}  // namespace
}  // namespace vaultara::store
