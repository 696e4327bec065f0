#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdio>
#include <vector>

#include "platform/fault_injection.h"
#include "tests/platform/child_process.h"
#include "tests/store/workload_fixture.h"

namespace vaultara::store {
namespace {

// The workload stopped at one write or flush: a child puts the files back
// as they were before the step that makes that call, runs the workload from
// there and ends at the call. Afterwards the files must hold exactly the
// state after the last completed step, or after the step that was running
// (it may have become durable before it returned), and check clean.
class StatementCrashSweepTest : public WorkloadFixture {
 protected:
  // The files before a step, and the calls made before it.
  struct Before {
    std::string vault;
    std::string journal;
    std::string control;  // empty: no control file yet
    uint64_t writes = 0;
    uint64_t flushes = 0;
  };

  void SetUp() override {
    WorkloadFixture::SetUp();
    void* shared =
        mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    completed_ = static_cast<volatile int*>(shared);
  }
  void TearDown() override {
    munmap(const_cast<int*>(completed_), sizeof(int));
    WorkloadFixture::TearDown();
  }

  // Runs the whole workload once, noting the files and the calls before
  // each step.
  void Record() {
    RestoreFiles();
    platform::FaultInjection counting(unflushed_);
    ZephyronDriver driver(counting);
    WorkloadTables tables(driver, folder_);
    ASSERT_EQ(tables.Open(), 0);
    for (const WorkloadStep& step : workload_.steps()) {
      Before before{Raw("vault.zph"), Raw("journal.zph"), "", counting.writes(),
                    counting.flushes()};
      if (platform_.Exists(PathOf("zephyron.tcf"))) before.control = Raw("zephyron.tcf");
      before_.push_back(before);
      ASSERT_EQ(tables.Apply(step), 0);
    }
    tables.Close();
    writes_ = counting.writes();
    flushes_ = counting.flushes();
  }

  void Restore(const Before& before) {
    for (const auto& [name, bytes] : {std::pair{"vault.zph", &before.vault},
                                      {"journal.zph", &before.journal},
                                      {"zephyron.tcf", &before.control}}) {
      platform_.Delete(PathOf(name));
      if (bytes->empty()) continue;
      auto raw = ScratchFolder::OpenOrFail(name, kReadWrite, platform::Disposition::kCreateAlways);
      Write(raw.get(), 0, *bytes);
    }
  }

  // The step that makes write (or flush) n of the whole workload.
  size_t StepOf(uint64_t n, bool write) const {
    size_t s = 0;
    while (s + 1 < before_.size() && (write ? before_[s + 1].writes : before_[s + 1].flushes) < n) {
      ++s;
    }
    return s;
  }

  // In a child: the workload from step from on, ending at call n of it.
  int CrashRun(size_t from, uint64_t n, bool write) {
    Restore(before_[from]);
    *completed_ = static_cast<int>(from);
    return platform::ExitStatusOf([&] {
      platform::FaultInjection faults(unflushed_);
      ZephyronDriver driver(faults);
      WorkloadTables tables(driver, folder_);
      if (tables.Open() != 0) return 9;
      if (write) {
        faults.CrashAtWrite(n);
      } else {
        faults.CrashAtFlush(n);
      }
      for (size_t s = from; s < workload_.steps().size(); ++s) {
        if (tables.Apply(workload_.steps()[s]) != 0) return 10 + static_cast<int>(s);
        *completed_ = static_cast<int>(s) + 1;
      }
      return 0;
    });
  }

  std::vector<Before> before_;
  uint64_t writes_ = 0;
  uint64_t flushes_ = 0;
  volatile int* completed_ = nullptr;
};

TEST_F(StatementCrashSweepTest, EveryCrashPointLeavesTheLastCommittedState) {
  Record();
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(ReadThroughStatements(), workload_.state(kSteps));

  const uint64_t every = SweepStep(writes_ + flushes_, 120);
  uint64_t covered = 0;
  size_t in_flight_durable = 0;
  for (uint64_t point = 1; point <= writes_ + flushes_; point += every) {
    const bool write = point <= writes_;
    const uint64_t n = write ? point : point - writes_;
    SCOPED_TRACE((write ? "write " : "flush ") + std::to_string(n));
    const size_t from = StepOf(n, write);
    const uint64_t before = write ? before_[from].writes : before_[from].flushes;
    ASSERT_EQ(CrashRun(from, n - before, write), platform::FaultInjection::kCrashExitCode);
    const auto done = static_cast<size_t>(*completed_);
    ASSERT_EQ(done, from);
    const WorkloadState read = ReadThroughStatements();
    const bool kept = read == workload_.state(done + 1);
    ASSERT_TRUE(read == workload_.state(done) || kept)
        << "neither the state before step " << done << " nor after it";
    in_flight_durable += kept;
    EXPECT_EQ(CheckFiles(), Records(read));
    EXPECT_EQ(ReadThroughStatements(), read) << "after a writer settled the journal";
    ++covered;
    if (HasFailure()) break;
  }
  std::printf(
      "[ crash sweep ] %d steps, %llu writes + %llu flushes = %llu crash points; covered %llu "
      "(every %llu-th; VAULTARA_FULL_SWEEPS=1 for all); %zu stops kept the step in flight\n",
      kSteps, static_cast<unsigned long long>(writes_), static_cast<unsigned long long>(flushes_),
      static_cast<unsigned long long>(writes_ + flushes_), static_cast<unsigned long long>(covered),
      static_cast<unsigned long long>(every), in_flight_durable);
}

}  // namespace
}  // namespace vaultara::store
