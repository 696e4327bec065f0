#include "store/transaction.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/fault_injection.h"
#include "store/commit_policy.h"
#include "store/status_numbers.h"
#include "store/transaction_mark.h"
#include "tests/platform/child_process.h"
#include "tests/store/locked_store_fixture.h"

namespace vaultara::store {
namespace {

// Two data files in one folder, each with one committed entry "k" = "old".
class TransactionTest : public LockedStoreFixture {
 protected:
  void SetUp() override {
    LockedStoreFixture::SetUp();
    for (const char* name : {"one.zph", "two.zph"}) {
      auto file = OpenLockedOrFail(name);
      ASSERT_TRUE(Put(file->file(), "k", "old").ok());
    }
  }

  // Logs out both files (two first, so one commits first), changes both and
  // commits; platform carries the files and the control file.
  Status ChangeBoth(platform::Platform& platform, Transaction& transaction) {
    std::unique_ptr<LockedStoreFile> one, two;
    Status status = OpenLocked("one.zph", &one, kShared, &platform);
    if (status.ok()) status = OpenLocked("two.zph", &two, kShared, &platform);
    if (!status.ok()) return status;
    for (StoreFile* file : {&two->file(), &one->file()}) {
      if (!(status = transaction.Logout(*file)).ok()) return status;
      if (!(status = Put(*file, "k", "new")).ok()) return status;
    }
    return transaction.Commit(platform);
  }

  std::string Seen(const std::string& name) {
    auto file = OpenLockedOrFail(name);
    const std::string data = Get(file->file(), "k");
    // A writer's validation settles the journal for good.
    EXPECT_TRUE(file->file().BeginWrite().ok());
    EXPECT_EQ(Get(file->file(), "k"), data);
    EXPECT_FALSE(file->file().header().JournalPending());
    return data;
  }

  int CrashAt(const char* point) {
    return platform::ExitStatusOf([&] {
      platform::FaultInjection faults(platform_);
      faults.CrashAtCheckpoint(point);
      Transaction transaction;
      ChangeBoth(faults, transaction);
      return 0;
    });
  }
};

TEST_F(TransactionTest, CommitOverTwoFilesIsAllOrNothingAcrossACrash) {
  // Stopped after both journals, before the control file lets go of the
  // number: both files stay as they were, readers included.
  ASSERT_EQ(CrashAt("transaction.journals-written"), platform::FaultInjection::kCrashExitCode);
  EXPECT_TRUE(platform_.Exists(PathOf(kControlFileName)));
  {
    auto reader = OpenLockedOrFail("one.zph");
    EXPECT_TRUE(reader->file().header().JournalPending());
    EXPECT_EQ(Get(reader->file(), "k"), "old");
  }
  EXPECT_EQ(Seen("one.zph"), "old");
  EXPECT_EQ(Seen("two.zph"), "old");

  // Stopped right after the number is deleted: both show the changes.
  ASSERT_EQ(CrashAt("transaction.durable"), platform::FaultInjection::kCrashExitCode);
  {
    auto reader = OpenLockedOrFail("two.zph");
    EXPECT_EQ(Get(reader->file(), "k"), "new");
  }
  EXPECT_EQ(Seen("one.zph"), "new");
  EXPECT_EQ(Seen("two.zph"), "new");
}

TEST_F(TransactionTest, CompletedCommitChangesBothAndLeavesNoJournal) {
  Transaction transaction;
  ASSERT_TRUE(ChangeBoth(platform_, transaction).ok());
  EXPECT_FALSE(transaction.active());
  EXPECT_EQ(Seen("one.zph"), "new");
  EXPECT_EQ(Seen("two.zph"), "new");
}

TEST_F(TransactionTest, FailedJournalOfTheSecondFilePutsTheFirstBack) {
  platform::FaultInjection faults(platform_);
  std::unique_ptr<LockedStoreFile> one = OpenLockedOrFail("one.zph");
  std::unique_ptr<LockedStoreFile> two = OpenLockedOrFail("two.zph", kShared, &faults);
  Transaction transaction;
  ASSERT_TRUE(transaction.Logout(two->file()).ok());
  ASSERT_TRUE(transaction.Logout(one->file()).ok());
  ASSERT_TRUE(Put(one->file(), "k", "new").ok());
  ASSERT_TRUE(Put(two->file(), "k", "new").ok());
  faults.FailWrite(1);  // the first write of two's phase 1
  EXPECT_FALSE(transaction.Commit(platform_).ok());
  EXPECT_FALSE(one->file().changes_pending());
  EXPECT_FALSE(two->file().changes_pending());
  one.reset();
  two.reset();
  EXPECT_EQ(Seen("one.zph"), "old");
  EXPECT_EQ(Seen("two.zph"), "old");
}

TEST_F(TransactionTest, TransactionChangingOneFileNeverTouchesAControlFile) {
  auto one = OpenLockedOrFail("one.zph");
  auto two = OpenLockedOrFail("two.zph");
  Transaction transaction;
  ASSERT_TRUE(transaction.Logout(one->file()).ok());
  ASSERT_TRUE(transaction.Logout(two->file()).ok());  // logged out, unchanged
  ASSERT_TRUE(Put(one->file(), "k", "new").ok());
  // Inside the transaction the change is kept, not committed.
  EXPECT_TRUE(one->file().changes_pending());
  ASSERT_TRUE(transaction.Commit(platform_).ok());
  EXPECT_FALSE(platform_.Exists(PathOf(kControlFileName)));
  EXPECT_EQ(Get(one->file(), "k"), "new");
  EXPECT_EQ(Seen("one.zph"), "new");
}

TEST_F(TransactionTest, RollbackDiscardsEveryFilesChanges) {
  auto one = OpenLockedOrFail("one.zph");
  auto two = OpenLockedOrFail("two.zph");
  Transaction transaction;
  for (StoreFile* file : {&one->file(), &two->file()}) {
    ASSERT_TRUE(transaction.Logout(*file).ok());
    ASSERT_TRUE(Put(*file, "k", "new").ok());
  }
  transaction.Rollback();
  EXPECT_FALSE(transaction.active());
  EXPECT_EQ(Get(one->file(), "k"), "old");
  EXPECT_EQ(Seen("two.zph"), "old");
}

TEST_F(TransactionTest, ExplicitControlFileIsNamedInTheMark) {
  Transaction transaction;
  transaction.SetControlFile(PathOf("own.tcf"));
  ASSERT_TRUE(ChangeBoth(platform_, transaction).ok());
  EXPECT_TRUE(platform_.Exists(PathOf("own.tcf")));
  EXPECT_FALSE(platform_.Exists(PathOf(kControlFileName)));
  auto one = OpenLockedOrFail("one.zph");
  std::optional<StoreEntry> entry;
  ASSERT_TRUE(one->file().Find(kTransactionMarkKey, &entry).ok());
  ASSERT_TRUE(entry);
  EXPECT_EQ(DecodeTransactionMark(*entry)->control_file, PathOf("own.tcf"));
}

// A journal whose mark names a control file that is gone is discarded.
TEST_F(TransactionTest, JournalOfAMarkWithoutControlFileIsDiscarded) {
  ASSERT_EQ(CrashAt("transaction.durable"), platform::FaultInjection::kCrashExitCode);
  ASSERT_EQ(platform_.Delete(PathOf(kControlFileName)), platform::syserr::kOk);
  EXPECT_EQ(Seen("one.zph"), "old");
}

// A later commit of one file alone drops the mark of the transaction before
// it, so that replaying its journal never depends on that control file.
TEST_F(TransactionTest, SingleFileCommitAfterATransactionDoesNotDependOnItsControlFile) {
  Transaction transaction;
  ASSERT_TRUE(ChangeBoth(platform_, transaction).ok());
  const int crashed = platform::ExitStatusOf([&] {
    platform::FaultInjection faults(platform_);
    faults.CrashAtCheckpoint("commit.journal-committed");
    std::unique_ptr<LockedStoreFile> one;
    if (!OpenLocked("one.zph", &one, kShared, &faults).ok()) return 2;
    Put(one->file(), "k", "later");
    return 0;
  });
  ASSERT_EQ(crashed, platform::FaultInjection::kCrashExitCode);
  ASSERT_EQ(platform_.Delete(PathOf(kControlFileName)), platform::syserr::kOk);
  EXPECT_EQ(Seen("one.zph"), "later");
}

TEST_F(TransactionTest, HundredAndFirstFolderIsAnInternalFault) {
  std::vector<std::unique_ptr<LockedStoreFile>> files;
  Transaction transaction;
  for (size_t i = 0; i <= Transaction::kMaxFolders; ++i) {
    const std::string folder = "f" + std::to_string(i);
    ASSERT_EQ(platform_.MakeDirectory(PathOf(folder)), platform::syserr::kOk);
    files.push_back(OpenLockedOrFail(folder + "/d.zph"));
    const Status status = transaction.Logout(files.back()->file());
    if (i < Transaction::kMaxFolders) {
      ASSERT_TRUE(status.ok()) << i;
    } else {
      EXPECT_EQ(status, Status::Fault(status::kTooManyFolders));
    }
  }
  EXPECT_EQ(transaction.default_control_files().size(), Transaction::kMaxFolders);
  transaction.Rollback();
}

}  // namespace
}  // namespace vaultara::store
