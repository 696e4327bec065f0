#include <gtest/gtest.h>

#include <memory>

#include "platform/fault_injection.h"
#include "store/commit_policy.h"
#include "store/lock_wait.h"
#include "tests/platform/child_process.h"
#include "tests/store/child_runner.h"
#include "tests/store/hooked_platform.h"
#include "tests/store/locked_store_fixture.h"

namespace vaultara::store {
namespace {

constexpr const char* kName = "shared.zph";
constexpr platform::OpenMode kReader{platform::Access::kRead, platform::Share::kDenyNone};
constexpr platform::OpenMode kDenyWrite{platform::Access::kReadWrite, platform::Share::kDenyWrite};

class ReaderWriterLockTest : public LockedStoreFixture {
 protected:
  void SetUp() override {
    LockedStoreFixture::SetUp();
    auto file = OpenLockedOrFail(kName);
    ASSERT_TRUE(Put(file->file(), "a", "1").ok());
  }

  // Whether a lock on range could be taken right now by another opener.
  platform::SysError Probe(lock_map::Range range) {
    auto raw = ScratchFolder::OpenOrFail(kName, kReader, platform::Disposition::kOpenExisting);
    return TakeLock(*raw, range, true, LockWait::kNoWait);
  }

  // A child that opens the file for reading and checks what it sees.
  int ReaderSees(const std::string& key, const std::string& data) {
    std::unique_ptr<LockedStoreFile> file;
    if (!OpenLocked(kName, &file, kReader).ok()) return 2;
    return Get(file->file(), key) == data ? 0 : 1;
  }
};

TEST_F(ReaderWriterLockTest, ReadersNeverWaitForEachOther) {
  auto file = OpenLockedOrFail(kName);
  std::optional<StoreEntry> entry;
  ASSERT_TRUE(file->file().Find("a", &entry).ok());  // an operation in progress
  ChildRunner reader([&] {
    if (Probe(lock_map::AllReaderSlots()) != platform::syserr::kLockViolation) return 3;
    return ReaderSees("a", "1");
  });
  EXPECT_EQ(reader.WaitFor(kChildLimitMs), 0);
  FinishOperation(file->file());
  EXPECT_EQ(Probe(lock_map::AllReaderSlots()), platform::syserr::kOk);
}

TEST_F(ReaderWriterLockTest, WriterBlocksOtherWritersForOneOperationOnly) {
  auto file = OpenLockedOrFail(kName);
  ASSERT_TRUE(file->file().BeginWrite().ok());
  ASSERT_TRUE(file->file().Insert(StoreEntry("mine", "x")).ok());
  ChildRunner writer([&] {
    std::unique_ptr<LockedStoreFile> other;
    if (!OpenLocked(kName, &other).ok()) return 2;
    return Put(other->file(), "theirs", "y").ok() ? 0 : 1;
  });
  // Readers go on reading the committed state meanwhile.
  ChildRunner reader([&] { return ReaderSees("a", "1") + ReaderSees("mine", "-"); });
  EXPECT_EQ(reader.WaitFor(kChildLimitMs), 0);
  EXPECT_FALSE(writer.WaitFor(kStillWaitingMs));
  ASSERT_TRUE(FinishOperation(file->file()).ok());
  EXPECT_EQ(writer.WaitFor(kChildLimitMs), 0);
  EXPECT_EQ(Get(file->file(), "theirs"), "y");
  EXPECT_EQ(Get(file->file(), "mine"), "x");
}

// A commit keeps new readers out until its journal is reset; they then see
// the new state. The same holds for a deny-write file, which takes no lock
// at all while it only validates.
class CommitLockTest : public ReaderWriterLockTest,
                       public ::testing::WithParamInterface<platform::OpenMode> {};

TEST_P(CommitLockTest, CommitKeepsReadersOutUntilItEnds) {
  std::unique_ptr<ChildRunner> reader;
  bool waited = false;
  HookedPlatform hooked(platform_, "commit.journal-written", [&] {
    reader = std::make_unique<ChildRunner>([&] { return ReaderSees("b", "2"); });
    waited = !reader->WaitFor(kStillWaitingMs);
  });
  auto file = OpenLockedOrFail(kName, GetParam(), &hooked);
  ASSERT_TRUE(file->file().BeginWrite().ok());
  ASSERT_TRUE(file->file().Insert(StoreEntry("b", "2")).ok());
  if (GetParam().share == platform::Share::kDenyWrite) {
    EXPECT_EQ(Probe(lock_map::WriterLock()), platform::syserr::kOk);
  } else {
    EXPECT_EQ(Probe(lock_map::WriterLock()), platform::syserr::kLockViolation);
  }
  ASSERT_TRUE(FinishOperation(file->file()).ok());
  ASSERT_TRUE(reader);
  EXPECT_TRUE(waited);
  EXPECT_EQ(reader->WaitFor(kChildLimitMs), 0);
}

INSTANTIATE_TEST_SUITE_P(SharedAndDenyWrite, CommitLockTest,
                         ::testing::Values(kShared, kDenyWrite));

TEST_F(ReaderWriterLockTest, DeadWriterLeavesNoLocksAndItsJournalIsReplayed) {
  const int crashed = platform::ExitStatusOf([&] {
    platform::FaultInjection faults(platform_);
    faults.CrashAtCheckpoint("commit.journal-committed");
    std::unique_ptr<LockedStoreFile> file;
    if (!OpenLocked(kName, &file, kShared, &faults).ok()) return 2;
    Put(file->file(), "b", "2");
    return 0;
  });
  ASSERT_EQ(crashed, platform::FaultInjection::kCrashExitCode);
  // A reader sees the commit through the journal; a writer copies it home.
  ChildRunner reader([&] { return ReaderSees("b", "2"); });
  EXPECT_EQ(reader.WaitFor(kChildLimitMs), 0);
  ChildRunner writer([&] {
    std::unique_ptr<LockedStoreFile> file;
    if (!OpenLocked(kName, &file).ok()) return 2;
    if (!Put(file->file(), "c", "3").ok()) return 1;
    return file->file().header().JournalPending() ? 4 : ReaderSees("b", "2");
  });
  EXPECT_EQ(writer.WaitFor(kChildLimitMs), 0);
}

}  // namespace
}  // namespace vaultara::store
