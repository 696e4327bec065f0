#include <gtest/gtest.h>

#include <map>

#include "platform/fault_injection.h"
#include "store/entry_cursor.h"
#include "tests/platform/child_process.h"
#include "tests/store/store_fixture.h"
#include "tests/store/tree_check.h"

namespace vaultara::store {
namespace {

using Entries = std::map<std::string, std::string>;

// A committed store (the old state) and one commit that changes it into the
// new state: deletions that free pages, and growing entries that change
// their pages' size class, so pages move inside the old page area.
class CrashRecoveryTest : public StoreFixture {
 protected:
  static constexpr const char* kName = "crash.zph";
  static constexpr const char* kPassword = "crash pw";

  void SetUp() override {
    StoreFixture::SetUp();
    auto file = OpenOrFail(kName, kPassword);
    ASSERT_TRUE(file->BeginWrite().ok());
    for (int i = 0; i < 400; ++i) {
      old_[Key(i)] = std::string(20 + i % 50, static_cast<char>('a' + i % 26));
      ASSERT_TRUE(file->Insert(StoreEntry(Key(i), old_[Key(i)])).ok());
    }
    ASSERT_TRUE(file->Commit().ok());
    ASSERT_TRUE(file->Truncate().ok());  // as closing the file does
    file.reset();
    old_bytes_ = Raw(kName);
    new_ = old_;
    for (int i = 0; i < 400; i += 3) new_.erase(Key(i));
    for (int i = 400; i < 520; ++i)
      new_[Key(i)] = std::string(700, static_cast<char>('A' + i % 26));
  }

  // Applies the change and commits it through platform.
  Status ChangeAndCommit(platform::Platform& platform) {
    std::unique_ptr<StoreFile> file;
    Status status = Open(kName, kPassword, &file, &platform);
    if (!status.ok()) return status;
    if (!(status = file->BeginWrite()).ok()) return status;
    for (int i = 0; i < 400; i += 3) {
      if (!(status = file->Delete(Key(i))).ok()) return status;
    }
    for (int i = 400; i < 520; ++i) {
      if (!(status = file->Insert(StoreEntry(Key(i), new_[Key(i)]))).ok()) return status;
    }
    return file->Commit();
  }

  void RestoreOldFile() {
    auto raw = ScratchFolder::OpenOrFail(kName, kReadWrite, platform::Disposition::kCreateAlways);
    Write(raw.get(), 0, old_bytes_);
  }

  Entries ReadAll(StoreFile& file) {
    Entries all;
    EntryCursor cursor(file);
    EXPECT_TRUE(cursor.SeekFirst().ok());
    while (cursor.valid()) {
      all[std::string(cursor.entry().key())] = std::string(cursor.entry().data());
      EXPECT_TRUE(cursor.Next().ok());
    }
    return all;
  }

  // Reopens the file as a writer (which replays or discards a journal) and
  // says which state it holds.
  std::string StateAfterReopen() {
    auto file = OpenOrFail(kName, kPassword);
    if (!file) return "unreadable";
    EXPECT_TRUE(file->BeginWrite().ok());
    const Entries all = ReadAll(*file);
    EXPECT_FALSE(file->header().JournalPending());
    CheckTree(*file, true);
    return all == old_ ? "old" : all == new_ ? "new" : "mixed";
  }

  // Writes and flushes one commit makes.
  void CountCalls(uint64_t* writes, uint64_t* flushes) {
    platform::FaultInjection counting(platform_);
    ASSERT_TRUE(ChangeAndCommit(counting).ok());
    *writes = counting.writes();
    *flushes = counting.flushes();
    RestoreOldFile();
  }

  Entries old_;
  Entries new_;
  std::string old_bytes_;
};

TEST_F(CrashRecoveryTest, CrashAtAnyWriteOrFlushLeavesOldOrNewState) {
  uint64_t writes = 0;
  uint64_t flushes = 0;
  CountCalls(&writes, &flushes);
  ASSERT_GT(writes, 10u);
  bool saw_old = false;
  bool saw_new = false;
  for (int kind = 0; kind < 2; ++kind) {
    const uint64_t count = kind == 0 ? writes : flushes;
    for (uint64_t n = 1; n <= count; ++n) {
      RestoreOldFile();
      const int exit_status = platform::ExitStatusOf([&] {
        platform::FaultInjection faults(platform_);
        if (kind == 0) {
          faults.CrashAtWrite(n);
        } else {
          faults.CrashAtFlush(n);
        }
        ChangeAndCommit(faults);
        return 0;
      });
      ASSERT_EQ(exit_status, platform::FaultInjection::kCrashExitCode) << kind << " " << n;
      const std::string state = StateAfterReopen();
      ASSERT_TRUE(state == "old" || state == "new") << state << " at " << kind << " " << n;
      saw_old |= state == "old";
      saw_new |= state == "new";
    }
  }
  EXPECT_TRUE(saw_old);
  EXPECT_TRUE(saw_new);
}

TEST_F(CrashRecoveryTest, CrashBetweenThePhasesIsReplayedAndReadersSeeIt) {
  for (const char* point : {"commit.journal-written", "commit.journal-committed",
                            "commit.home-written", "commit.journal-reset"}) {
    RestoreOldFile();
    const int exit_status = platform::ExitStatusOf([&] {
      platform::FaultInjection faults(platform_);
      faults.CrashAtCheckpoint(point);
      ChangeAndCommit(faults);
      return 0;
    });
    ASSERT_EQ(exit_status, platform::FaultInjection::kCrashExitCode) << point;
    const std::string expected = std::string(point) == "commit.journal-written" ? "old" : "new";
    if (std::string(point) == "commit.journal-committed") {
      // A reader serves the pages from the journal and writes nothing.
      const std::string before = Raw(kName);
      auto reader = OpenOrFail(kName, kPassword);
      EXPECT_TRUE(reader->header().JournalPending());
      EXPECT_EQ(ReadAll(*reader), new_);
      reader->EndOperation();
      EXPECT_EQ(ReadAll(*reader), new_);
      reader.reset();
      EXPECT_TRUE(Raw(kName) == before);
    }
    EXPECT_EQ(StateAfterReopen(), expected) << point;
  }
}

TEST_F(CrashRecoveryTest, FailedWriteLeavesTheFileAsItWasAndDiscardsTheChanges) {
  uint64_t writes = 0;
  uint64_t flushes = 0;
  CountCalls(&writes, &flushes);
  for (int kind = 0; kind < 3; ++kind) {
    const uint64_t count = kind == 2 ? flushes : writes;
    for (uint64_t n = 1; n <= count; ++n) {
      RestoreOldFile();
      platform::FaultInjection faults(platform_);
      if (kind == 0) faults.FailWrite(n);
      if (kind == 1) faults.ShortWritesFrom(n);
      if (kind == 2) faults.FailFlush(n);
      std::unique_ptr<StoreFile> file;
      ASSERT_TRUE(Open(kName, kPassword, &file, &faults).ok());
      ASSERT_TRUE(file->BeginWrite().ok());
      for (int i = 400; i < 520; ++i)
        ASSERT_TRUE(file->Insert(StoreEntry(Key(i), new_[Key(i)])).ok());
      for (int i = 0; i < 400; i += 3) ASSERT_TRUE(file->Delete(Key(i)).ok());
      const Status status = file->CommitJournal();
      if (status.ok()) {
        // The fault fell in phase 2: the commit is durable and replays.
        file->CommitHome();
        file.reset();
        EXPECT_EQ(StateAfterReopen(), "new") << kind << " " << n;
        continue;
      }
      EXPECT_EQ(status.kind(), Status::Kind::kSystemError);
      EXPECT_FALSE(file->changes_pending());
      const std::string now = Raw(kName);
      EXPECT_EQ(now.size(), old_bytes_.size()) << kind << " " << n;
      EXPECT_TRUE(now == old_bytes_) << "file changed at " << kind << " " << n;
      faults.Reset();
      EXPECT_EQ(ReadAll(*file), old_);
    }
  }
}

}  // namespace
}  // namespace vaultara::store
