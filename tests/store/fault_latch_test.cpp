#include "store/fault_latch.h"

#include <gtest/gtest.h>

#include <cstring>

#include "data/error_state.h"
#include "data/replacement_texts.h"
#include "store/byte_order.h"
#include "store/lock_wait.h"
#include "tests/store/child_runner.h"
#include "tests/store/process_table.h"

namespace vaultara::store {
namespace {

using data::Op;

class FaultLatchTest : public StoreFixture {
 protected:
  void TearDown() override {
    data::ClearReplacementTexts();
    data::ClearErrors();
    StoreFixture::TearDown();
  }

  // Damages the root page on disk and moves the change counter on, so that
  // the next validation re-reads the tree and meets the damage.
  void DamageRootPage() {
    auto raw =
        ScratchFolder::OpenOrFail("people.zph", kReadWrite, platform::Disposition::kOpenExisting);
    std::string header = Contents(raw.get()).substr(0, format::kHeaderSize);
    auto* bytes = reinterpret_cast<uint8_t*>(header.data());
    const int32_t root = static_cast<int32_t>(LoadU32(bytes + format::kHeaderRootPage));
    StoreU32(bytes + format::kHeaderChangeCounter,
             LoadU32(bytes + format::kHeaderChangeCounter) + 2);
    Write(raw.get(), 0, header);
    Write(raw.get(), PageOffset(root) + format::kPageStoredLength, std::string("\x01\x7f", 2));
  }

  // Whether another process could take range of the file now.
  int OthersCanTake(lock_map::Range range) {
    ChildRunner probe([&] {
      auto raw =
          ScratchFolder::OpenOrFail("people.zph", kReadWrite, platform::Disposition::kOpenExisting);
      return TakeLock(*raw, range, true, LockWait::kNoWait) == platform::syserr::kOk ? 0 : 1;
    });
    return probe.WaitFor(kChildLimitMs).value_or(-1);
  }
};

TEST_F(FaultLatchTest, AfterAFaultOnlyNameAndCloseRunAndCloseGivesBackTheLocks) {
  const std::string path = PathOf("people.zph");
  ProcessTable table(path);
  ASSERT_EQ(table.Create(), 0);
  ASSERT_EQ(table.Open(), 0);
  Identifier record = 0;
  ASSERT_EQ(table.Add("first", &record), 0);
  // A second table of the same file keeps it open after the first closes.
  ProcessTable second(path, &table);
  ASSERT_EQ(second.Open(), 0);

  table.handle().RequestHold();
  ASSERT_EQ(table.Read(record), "first");
  DamageRootPage();
  table.SetName("second");
  // The add meets the damage in write mode, holding the writer lock.
  const int32_t error = table.handle().Add();
  ASSERT_EQ(error, kFaultError);
  const int latched = table.handle().fault_status();
  ASSERT_NE(latched, 0);
  EXPECT_EQ(ReportFault(latched), kFaultError);
  EXPECT_EQ(data::FileErrorCode(), std::to_string(latched));
  EXPECT_EQ(data::FileError(), "Possible data corruption in file");
  EXPECT_EQ(OthersCanTake(lock_map::WriterLock()), 1);
  EXPECT_EQ(OthersCanTake(lock_map::Hold(record)), 1);

  data::ClearErrors();
  for (Op op : {Op::kNext, Op::kPut, Op::kAdd, Op::kGetFilePtr, Op::kFlush, Op::kLockFile}) {
    int32_t refused = 0;
    EXPECT_FALSE(AdmittedAfterFault(latched, op, &refused)) << static_cast<int>(op);
    EXPECT_EQ(refused, kFaultError);
    EXPECT_EQ(data::FileErrorCode(), std::to_string(latched));
  }
  int32_t untouched = 0;
  EXPECT_TRUE(AdmittedAfterFault(latched, Op::kName, &untouched));
  EXPECT_EQ(table.handle().DisplayName(), path + "\\!PEOPLE");
  EXPECT_TRUE(AdmittedAfterFault(latched, Op::kClose, &untouched));
  EXPECT_EQ(untouched, 0);

  EXPECT_EQ(table.handle().Close(), 0);
  EXPECT_EQ(table.handle().fault_status(), 0);
  EXPECT_EQ(OthersCanTake(lock_map::WriterLock()), 0);
  EXPECT_EQ(OthersCanTake(lock_map::Hold(record)), 0);
  EXPECT_EQ(OthersCanTake(lock_map::AllReaderSlots()), 0);
}

TEST_F(FaultLatchTest, MessageComesFromReplacementText4101) {
  data::SetReplacementText(4101, "Damaged");
  EXPECT_EQ(ReportFault(1477), kFaultError);
  EXPECT_EQ(data::FileErrorCode(), "1477");
  EXPECT_EQ(data::FileError(), "Damaged");
  EXPECT_EQ(FatalFaultText(1477), "Damaged (1477)");
  data::SetReplacementText(4101, "");
  ReportFault(522);
  EXPECT_EQ(data::FileError(), "Zephyron File Driver Error");
}

}  // namespace
}  // namespace vaultara::store
