#include <gtest/gtest.h>

#include <cstdio>

#include "platform/fault_injection.h"
#include "tests/store/workload_fixture.h"

namespace vaultara::store {
namespace {

// The workload with one write or flush failing, or with the disk full from
// one write on. A statement that fails must report an error and leave both
// files on disk exactly as they were before it; the same step then goes
// through (the disk has recovered), and the end state is the workload's.
class StatementIoErrorSweepTest : public WorkloadFixture {
 protected:
  enum class Fault { kWrite, kFlush, kDiskFull };

  // What holds a file's committed state: the header's identifier, root and
  // regions, and the bytes of the page area they describe. Neither the
  // change counter (a commit that is put back advances it, so that other
  // openers drop their caches) nor what lies beyond the page area (space of
  // an old journal, which a failed commit may have written into) is part of
  // it. Empty while a journal is pending (a commit whose copying home
  // failed: the next writer settles it), since the bytes then change without
  // a commit.
  std::string Committed(const std::string& name, const std::string& password) {
    const std::string bytes = Raw(name);
    std::unique_ptr<StoreFile> file;
    if (!Open(name, password, &file).ok()) return "unreadable";
    const StoreHeader& header = file->header();
    if (header.JournalPending()) return "";
    std::string state(reinterpret_cast<const char*>(header.identifier.data()), 4);
    state.append(reinterpret_cast<const char*>(&header.root_page), 4);
    state.append(reinterpret_cast<const char*>(header.region_start.data()),
                 sizeof header.region_start);
    state.append(reinterpret_cast<const char*>(header.region_end.data()), sizeof header.region_end);
    return state + bytes.substr(format::kHeaderSize, header.EndOfPageArea() - format::kHeaderSize);
  }

  // Runs the workload with the fault armed at call n; returns the number of
  // statements that failed.
  int RunWithFault(Fault fault, uint64_t n) {
    RestoreFiles();
    platform::FaultInjection faults(unflushed_);
    if (fault == Fault::kWrite) faults.FailWrite(n);
    if (fault == Fault::kFlush) faults.FailFlush(n);
    if (fault == Fault::kDiskFull) faults.ShortWritesFrom(n);
    int failures = 0;
    {
      ZephyronDriver driver(faults);
      WorkloadTables tables(driver, folder_);
      EXPECT_EQ(tables.Open(), 0);
      for (size_t s = 0; s < workload_.steps().size(); ++s) {
        const std::string vault = Committed("vault.zph", "vault secret");
        const std::string journal = Committed("journal.zph", "");
        data::ClearErrors();
        const int32_t result = tables.Apply(workload_.steps()[s]);
        if (result == 0) continue;
        ++failures;
        SCOPED_TRACE("step " + std::to_string(s) + " failed with " + std::to_string(result));
        EXPECT_NE(data::ErrorCode(), 0);
        if (!vault.empty()) {
          EXPECT_TRUE(Committed("vault.zph", "vault secret") == vault) << "vault.zph changed";
        }
        if (!journal.empty()) {
          EXPECT_TRUE(Committed("journal.zph", "") == journal) << "journal.zph changed";
        }
        faults.Reset();
        EXPECT_EQ(tables.Apply(workload_.steps()[s]), 0) << "the step again";
      }
      int32_t error = 0;
      EXPECT_EQ(tables.ReadAll(&error), workload_.state(kSteps));
      EXPECT_EQ(error, 0);
      tables.Close();
    }
    EXPECT_EQ(ReadThroughStatements(), workload_.state(kSteps));
    EXPECT_EQ(CheckFiles(), Records(workload_.state(kSteps)));
    return failures;
  }
};

TEST_F(StatementIoErrorSweepTest, AFailedStatementLeavesTheFilesAsTheyWere) {
  RestoreFiles();
  platform::FaultInjection counting(unflushed_);
  {
    ZephyronDriver driver(counting);
    WorkloadTables tables(driver, folder_);
    ASSERT_EQ(tables.Open(), 0);
    for (const WorkloadStep& step : workload_.steps()) ASSERT_EQ(tables.Apply(step), 0);
    tables.Close();
  }
  const uint64_t writes = counting.writes();
  const uint64_t flushes = counting.flushes();
  const uint64_t every = SweepStep(writes + flushes, 60);
  uint64_t covered = 0;
  int failed_statements = 0;
  for (uint64_t point = 1; point <= writes + flushes && !HasFailure(); point += every) {
    const bool at_write = point <= writes;
    const uint64_t n = at_write ? point : point - writes;
    SCOPED_TRACE((at_write ? "failing write " : "failing flush ") + std::to_string(n));
    failed_statements += RunWithFault(at_write ? Fault::kWrite : Fault::kFlush, n);
    ++covered;
  }
  int disk_full_runs = 0;
  for (uint64_t n = 1; n <= writes && !HasFailure(); n += writes / 4 + 1) {
    SCOPED_TRACE("disk full from write " + std::to_string(n));
    EXPECT_EQ(RunWithFault(Fault::kDiskFull, n), 1);
    ++disk_full_runs;
  }
  std::printf(
      "[ i/o error sweep ] %llu writes + %llu flushes; covered %llu failing calls "
      "(every %llu-th; VAULTARA_FULL_SWEEPS=1 for all), %d failed statements; "
      "%d disk-full runs\n",
      static_cast<unsigned long long>(writes), static_cast<unsigned long long>(flushes),
      static_cast<unsigned long long>(covered), static_cast<unsigned long long>(every),
      failed_statements, disk_full_runs);
}

}  // namespace
}  // namespace vaultara::store
