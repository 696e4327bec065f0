#include <gtest/gtest.h>

#include "store/lock_requests.h"
#include "tests/platform/child_process.h"
#include "tests/store/process_table.h"

namespace vaultara::store {
namespace {

// Three records in a shared table; a second process competes for them.
class RecordHoldTest : public StoreFixture {
 protected:
  void SetUp() override {
    StoreFixture::SetUp();
    path_ = PathOf("people.zph");
    ProcessTable table(path_);
    ASSERT_EQ(table.Create(), 0);
    ASSERT_EQ(table.Open(), 0);
    for (Identifier& record : records_) ASSERT_EQ(table.Add("first", &record), 0);
  }

  // A child that holds record and keeps it until Finish.
  std::unique_ptr<platform::HoldingChild> HolderOf(Identifier record) {
    return std::make_unique<platform::HoldingChild>([this, record] {
      static ProcessTable* table = nullptr;  // lives until the child ends
      table = new ProcessTable(path_);
      if (table->Open() != 0) return -2;
      table->handle().RequestHold();
      return table->Statement(table->handle().Fetch(record));
    });
  }

  std::string path_;
  Identifier records_[3] = {};
};

TEST_F(RecordHoldTest, RecordHeldElsewhereRefusesHoldPutAndDeleteButNotReading) {
  auto holder = HolderOf(records_[1]);
  ASSERT_EQ(holder->setup_result(), 0);
  ProcessTable table(path_);
  ASSERT_EQ(table.Open(), 0);
  EXPECT_EQ(table.Read(records_[1]), "first");

  platform::Platform& real = platform::RealPlatform();
  const uint32_t start = real.TickCount();
  const int32_t held = ReadHolding(real, 2, [&] {
    table.handle().RequestHold();
    return table.Statement(table.handle().Fetch(records_[1]));
  });
  EXPECT_EQ(held, kRecordIsAlreadyHeld);
  EXPECT_GE(real.TickCount() - start, 1900u);
  table.handle().ClearRequests();

  ASSERT_EQ(table.Read(records_[1]), "first");
  table.SetName("second");
  EXPECT_EQ(table.Statement(table.handle().Put()), 5);
  EXPECT_EQ(table.Statement(table.handle().Delete()), 33);
  // Other records are free.
  ASSERT_EQ(table.Read(records_[2]), "first");
  table.SetName("second");
  EXPECT_EQ(table.Statement(table.handle().Put()), 0);

  holder->Finish();  // the holder's end releases its hold
  ASSERT_EQ(table.Read(records_[1]), "first");
  table.SetName("second");
  EXPECT_EQ(table.Statement(table.handle().Put()), 0);
  EXPECT_EQ(table.Read(records_[1]), "second");
  EXPECT_EQ(ReadHolding(real, 2,
                        [&] {
                          table.handle().RequestHold();
                          return table.Statement(table.handle().Fetch(records_[1]));
                        }),
            0);
  EXPECT_TRUE(table.handle().held());
}

TEST_F(RecordHoldTest, HoldLastsUntilReleasePutOrTheNextRead) {
  ProcessTable table(path_);
  ASSERT_EQ(table.Open(), 0);
  auto other_can_hold = [&](Identifier record) {
    return platform::ExitStatusOf([&] {
      ProcessTable other(path_);
      if (other.Open() != 0) return 2;
      other.handle().RequestHold();
      return other.Statement(other.handle().Fetch(record)) == 0 ? 0 : 1;
    });
  };
  table.handle().RequestHold();
  ASSERT_EQ(table.Read(records_[0]), "first");
  EXPECT_EQ(other_can_hold(records_[0]), 1);
  table.handle().Release();
  EXPECT_EQ(other_can_hold(records_[0]), 0);

  table.handle().RequestHold();
  ASSERT_EQ(table.Read(records_[0]), "first");
  ASSERT_EQ(table.Read(records_[2]), "first");  // the next read lets go
  EXPECT_EQ(other_can_hold(records_[0]), 0);

  table.handle().RequestHold();
  ASSERT_EQ(table.Read(records_[0]), "first");
  table.SetName("third");
  ASSERT_EQ(table.Statement(table.handle().Put()), 0);
  EXPECT_FALSE(table.handle().held());
  EXPECT_EQ(other_can_hold(records_[0]), 0);
}

TEST_F(RecordHoldTest, WatchedRecordChangedElsewhereIsNotOverwritten) {
  ProcessTable table(path_);
  ASSERT_EQ(table.Open(), 0);
  table.handle().RequestWatch();
  ASSERT_EQ(table.Read(records_[0]), "first");
  const int changed = platform::ExitStatusOf([&] {
    ProcessTable other(path_);
    if (other.Open() != 0 || other.Read(records_[0]) != "first") return 2;
    other.SetName("theirs");
    return other.Statement(other.handle().Put());
  });
  ASSERT_EQ(changed, 0);
  table.SetName("mine");
  EXPECT_EQ(table.Statement(table.handle().Put()), 89);
  EXPECT_EQ(table.Read(records_[0]), "theirs");

  // Unchanged since the watched read: the update goes through.
  table.handle().RequestWatch();
  ASSERT_EQ(table.Read(records_[0]), "theirs");
  table.SetName("mine");
  EXPECT_EQ(table.Statement(table.handle().Put()), 0);
  EXPECT_EQ(table.Read(records_[0]), "mine");
}

TEST_F(RecordHoldTest, TableLockWithSecondsFailsWhileHeldElsewhere) {
  ProcessTable table(path_);
  ASSERT_EQ(table.Open(), 0);
  const Identifier number = table.handle().table_number();
  platform::HoldingChild locker([&] {
    static ProcessTable* other = nullptr;
    other = new ProcessTable(path_);
    if (other->Open() != 0) return -2;
    return LockTable(platform::RealPlatform(), *other->handle().registered_file()->locks, number,
                     nullptr, 0);
  });
  ASSERT_EQ(locker.setup_result(), 0);
  FileLocks& locks = *table.handle().registered_file()->locks;
  platform::Platform& real = platform::RealPlatform();
  const uint32_t start = real.TickCount();
  EXPECT_EQ(LockTable(real, locks, number, nullptr, 1), kFileIsAlreadyLocked);
  EXPECT_GE(real.TickCount() - start, 900u);
  // A table lock does not stand in the way of records.
  table.handle().RequestHold();
  EXPECT_EQ(table.Read(records_[0]), "first");
  locker.Finish();
  EXPECT_EQ(LockTable(real, locks, number, nullptr, 1), 0);
  locks.ReleaseHold(number, nullptr);
}

}  // namespace
}  // namespace vaultara::store
