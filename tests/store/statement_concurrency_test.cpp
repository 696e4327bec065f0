#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "tests/store/child_runner.h"
#include "tests/store/workload_fixture.h"

namespace vaultara::store {
namespace {

constexpr auto kRunTime = std::chrono::milliseconds(1500);
constexpr int kProducts = 0;
constexpr int kTypes = 1;
constexpr int kEntries = 3;
constexpr int kCounters = 3;  // TYPES records 1..3 hold a count in their name

// Processes working on the workload's files at once, each through its own
// driver, for a bounded time:
//  - two holders read a counter with a hold, wait a moment and put it back
//    one higher (the put gives the hold back);
//  - a watcher reads a counter with a watch and puts it back one higher
//    without a hold: a record held elsewhere must refuse it with 5, one
//    changed since the read with 89;
//  - a transaction process adds a record to PRODUCTS and one to ENTRIES
//    (two files) in each LOGOUT/COMMIT, and rolls every fifth back;
//  - an adder adds and deletes records of its own in PRODUCTS.
// Each child writes what it committed and the conflicts it saw to a result
// file. Afterwards every counter equals the increments committed, each
// committed record is there once and nothing rolled back is, and the files
// check clean. A child that does not end in time fails the test: nothing
// may wait without end.
class StatementConcurrencyTest : public WorkloadFixture {
 protected:
  void SetUp() override {
    WorkloadFixture::SetUp();
    RestoreFiles();
    ZephyronDriver driver(platform_);
    WorkloadTables tables(driver, folder_);
    ASSERT_EQ(tables.Open(), 0);
    for (int32_t c = 1; c <= kCounters; ++c) {
      WorkloadOp add{WorkloadOp::kAdd, kTypes, c, {"0", "c" + std::to_string(c), "counter"}};
      ASSERT_EQ(tables.Apply(add), 0);
    }
    tables.Close();
  }

  std::string ResultFile(int p) const { return PathOf("result-" + std::to_string(p)); }

  template <typename Body>
  static void Until(Body body) {
    const auto end = std::chrono::steady_clock::now() + kRunTime;
    for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
      if (!body(n)) return;
    }
  }

  // A holder (watch false) or the watcher: lines "inc <counter>" and
  // "conflict <error>". Returns 0, or the unexpected error.
  int Counting(int p, bool watch) {
    ZephyronDriver driver(platform_);
    WorkloadTables tables(driver, folder_);
    if (tables.OpenTable(kTypes, false) != 0) return 2;
    data::FileControlBlock& types = tables.table(kTypes).fcb;
    std::ofstream out(ResultFile(p));
    int result = 0;
    Until([&](int n) {
      const int32_t c = 1 + (n + p) % kCounters;
      if (watch) {
        data::Watch(types);
      } else {
        data::HoldFileSec(types, 1);
      }
      int32_t error = tables.Get(kTypes, c);
      if (error == data::err::kRecordIsAlreadyHeld && !watch) {
        out << "conflict " << error << '\n';
        return true;
      }
      if (error != 0) return (result = 100 + error), false;
      WorkloadRow row = tables.Row(kTypes);
      if (!watch) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      row.name = std::to_string(std::stoi(row.name) + 1);
      tables.SetRow(kTypes, c, row);
      error = data::Put(types);
      if (error == 0) {
        out << "inc " << c << '\n';
      } else if (watch && (error == data::err::kAccessDenied ||
                           error == data::err::kRecordChangedByAnotherStation)) {
        out << "conflict " << error << '\n';
      } else {
        return (result = 200 + error), false;
      }
      return true;
    });
    return result != 0 ? result : out ? 0 : 7;
  }

  // Lines "both <n>" for every committed transaction.
  int Transactions(int p) {
    ZephyronDriver driver(platform_);
    WorkloadTables tables(driver, folder_);
    if (tables.OpenTable(kProducts, false) != 0 || tables.OpenTable(kEntries, false) != 0) return 2;
    std::ofstream out(ResultFile(p));
    int result = 0;
    Until([&](int n) {
      int32_t error = data::Logout(1, {&tables.table(kProducts).fcb, &tables.table(kEntries).fcb});
      if (error != 0) return (result = 100 + error), false;
      const WorkloadRow row{"tx " + std::to_string(n), "t" + std::to_string(n), "both files"};
      for (int t : {kProducts, kEntries}) {
        tables.SetRow(t, 1000000 + n, row);
        if ((error = data::Add(tables.table(t).fcb)) != 0) {
          data::Rollback();
          return (result = 200 + error), false;
        }
      }
      if (n % 5 == 4) {
        if ((error = data::Rollback()) != 0) return (result = 300 + error), false;
        return true;
      }
      if ((error = data::Commit()) != 0) return (result = 400 + error), false;
      out << "both " << 1000000 + n << '\n';
      return true;
    });
    return result != 0 ? result : out ? 0 : 7;
  }

  // Lines "own <id>" for the records it left in PRODUCTS.
  int Adding(int p) {
    ZephyronDriver driver(platform_);
    WorkloadTables tables(driver, folder_);
    if (tables.OpenTable(kProducts, false) != 0) return 2;
    std::vector<int32_t> mine;
    int result = 0;
    Until([&](int n) {
      int32_t error = 0;
      if (n % 3 == 2 && !mine.empty()) {
        const int32_t id = mine[n % mine.size()];
        if ((error = tables.Get(kProducts, id)) == 0)
          error = data::Delete(tables.table(kProducts).fcb);
        if (error == 0) std::erase(mine, id);
      } else {
        const int32_t id = 2000000 + n;
        tables.SetRow(kProducts, id, {"own " + std::to_string(n), "o" + std::to_string(n), ""});
        if ((error = data::Add(tables.table(kProducts).fcb)) == 0) mine.push_back(id);
      }
      if (error != 0) result = 100 + error;
      return error == 0;
    });
    std::ofstream out(ResultFile(p));
    for (int32_t id : mine) out << "own " << id << '\n';
    return result != 0 ? result : out ? 0 : 7;
  }
};

TEST_F(StatementConcurrencyTest, NothingCommittedIsLostOrDoubledAndConflictsAreReported) {
  std::vector<std::unique_ptr<ChildRunner>> children;
  children.push_back(std::make_unique<ChildRunner>([this] { return Counting(0, false); }));
  children.push_back(std::make_unique<ChildRunner>([this] { return Counting(1, false); }));
  children.push_back(std::make_unique<ChildRunner>([this] { return Counting(2, true); }));
  children.push_back(std::make_unique<ChildRunner>([this] { return Transactions(3); }));
  children.push_back(std::make_unique<ChildRunner>([this] { return Adding(4); }));
  for (size_t p = 0; p < children.size(); ++p) {
    const std::optional<int> status = children[p]->WaitFor(60000);
    ASSERT_TRUE(status.has_value()) << "process " << p << " did not end: a wait without end";
    EXPECT_EQ(*status, 0) << "process " << p;
  }

  std::map<int32_t, int> increments;
  std::map<int32_t, int> conflicts;  // by error
  std::set<int32_t> products;
  std::set<int32_t> entries;
  for (size_t p = 0; p < children.size(); ++p) {
    std::ifstream in(ResultFile(p));
    std::string what;
    int32_t number = 0;
    while (in >> what >> number) {
      if (what == "inc") ++increments[number];
      if (what == "conflict") ++conflicts[number];
      if (what == "both") {
        products.insert(number);
        entries.insert(number);
      }
      if (what == "own") products.insert(number);
    }
  }
  ASSERT_FALSE(HasFailure());

  const WorkloadState state = ReadThroughStatements();
  for (int32_t c = 1; c <= kCounters; ++c) {
    ASSERT_TRUE(state[kTypes].count(c));
    EXPECT_EQ(state[kTypes].at(c).name, std::to_string(increments[c])) << "counter " << c;
  }
  std::set<int32_t> stored_products;
  for (const auto& [id, row] : state[kProducts]) stored_products.insert(id);
  std::set<int32_t> stored_entries;
  for (const auto& [id, row] : state[kEntries]) stored_entries.insert(id);
  EXPECT_EQ(stored_products, products);
  EXPECT_EQ(stored_entries, entries);
  EXPECT_EQ(CheckFiles(), Records(state));
  std::printf(
      "[ concurrency ] %d increments, %zu transactions, %zu records of the adder; "
      "conflicts: %d held (43), %d refused put (5), %d changed (89)\n",
      increments[1] + increments[2] + increments[3], entries.size(),
      products.size() - entries.size(), conflicts[43], conflicts[5], conflicts[89]);
}

}  // namespace
}  // namespace vaultara::store
