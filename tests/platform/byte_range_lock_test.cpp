#include "tests/platform/child_process.h"
#include "tests/platform/scratch_folder.h"

namespace vaultara::platform {
namespace {

constexpr OpenMode kShared{Access::kReadWrite, Share::kDenyNone};
constexpr uint64_t kLockBase = uint64_t{1} << 31;

using ByteRangeLockTest = ScratchFolder;

TEST_F(ByteRangeLockTest, LockAboveTwoGigabytesIsSeenByAnotherProcess) {
  auto file = OpenOrFail("f", kShared, Disposition::kCreateNew);
  const std::string path = PathOf("f");
  // Tries the range from a fresh process with its own open.
  auto other_process_lock = [&](uint64_t offset, uint64_t length) {
    return ExitStatusOf([&] {
      std::unique_ptr<File> mine;
      const SysError error = platform_.Open(path, kShared, Disposition::kOpenExisting, &mine);
      return error != syserr::kOk ? 100 + error : mine->Lock(offset, length);
    });
  };

  ASSERT_EQ(file->Lock(kLockBase + 1025 + 7, 1), syserr::kOk);
  ASSERT_EQ(file->Lock(kLockBase, 1023), syserr::kOk);
  EXPECT_EQ(other_process_lock(kLockBase + 1025 + 7, 1), syserr::kLockViolation);
  EXPECT_EQ(other_process_lock(kLockBase + 500, 1), syserr::kLockViolation);
  EXPECT_EQ(other_process_lock(kLockBase + 1023, 1), syserr::kOk);
  EXPECT_EQ(other_process_lock(kLockBase + 1025 + 8, 1), syserr::kOk);

  ASSERT_EQ(file->Unlock(kLockBase + 1025 + 7, 1), syserr::kOk);
  EXPECT_EQ(other_process_lock(kLockBase + 1025 + 7, 1), syserr::kOk);
  EXPECT_EQ(other_process_lock(kLockBase + 500, 1), syserr::kLockViolation);
  file.reset();  // closing releases the rest
  EXPECT_EQ(other_process_lock(kLockBase, 1023), syserr::kOk);
}

TEST_F(ByteRangeLockTest, HeldByAnotherProcessUntilItEnds) {
  OpenOrFail("f", kShared, Disposition::kCreateNew);
  const std::string path = PathOf("f");
  std::unique_ptr<File> held;
  HoldingChild child([&] {
    const SysError error = platform_.Open(path, kShared, Disposition::kOpenExisting, &held);
    return error != syserr::kOk ? error : held->Lock(kLockBase + 1023, 1);
  });
  ASSERT_EQ(child.setup_result(), syserr::kOk);
  auto file = OpenOrFail("f", kShared, Disposition::kOpenExisting);
  EXPECT_EQ(file->Lock(kLockBase + 1023, 1), syserr::kLockViolation);
  EXPECT_EQ(file->Lock(kLockBase + 1023, 1, /*exclusive=*/false), syserr::kLockViolation);
  child.Finish();
  EXPECT_EQ(file->Lock(kLockBase + 1023, 1), syserr::kOk);
}

TEST_F(ByteRangeLockTest, TwoOpensInOneProcessExcludeEachOther) {
  auto first = OpenOrFail("f", kShared, Disposition::kCreateNew);
  auto second = OpenOrFail("f", kShared, Disposition::kOpenExisting);
  // Shared locks coexist; an exclusive one needs the range to itself.
  ASSERT_EQ(first->Lock(kLockBase + 3, 1, /*exclusive=*/false), syserr::kOk);
  EXPECT_EQ(second->Lock(kLockBase + 3, 1, /*exclusive=*/false), syserr::kOk);
  EXPECT_EQ(second->Lock(kLockBase, 1023), syserr::kLockViolation);
  ASSERT_EQ(first->Unlock(kLockBase + 3, 1), syserr::kOk);
  EXPECT_EQ(first->Lock(kLockBase, 1023), syserr::kLockViolation);  // second still reads
  ASSERT_EQ(second->Unlock(kLockBase + 3, 1), syserr::kOk);
  EXPECT_EQ(first->Lock(kLockBase, 1023), syserr::kOk);
  // Locking again what one already holds is no conflict with oneself.
  EXPECT_EQ(first->Lock(kLockBase + 10, 1), syserr::kOk);
}

TEST_F(ByteRangeLockTest, RefusesEmptyRangesAndTheSharingArea) {
  auto file = OpenOrFail("f", kShared, Disposition::kCreateNew);
  EXPECT_EQ(file->Lock(kLockBase, 0), syserr::kInvalidParameter);
  EXPECT_EQ(file->Lock(uint64_t{1} << 62, 1), syserr::kInvalidParameter);
  EXPECT_EQ(file->Unlock(0, UINT64_MAX), syserr::kInvalidParameter);
  EXPECT_EQ(file->Lock((uint64_t{1} << 62) - 1, 1), syserr::kOk);
}

}  // namespace
}  // namespace vaultara::platform
