#include "data/transaction.h"

#include <gtest/gtest.h>

#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/open_file_registry.h"
#include "data/statements.h"
#include "fake_driver.h"

namespace vaultara::data {
namespace {

using testing::FakeFile;

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearErrors();
    a.SetBits(state::kOpen);
    b.SetBits(state::kOpen);
  }
  void TearDown() override {
    if (TransactionActive()) Rollback();
  }
  FakeFile a;
  FakeFile b;
};

TEST_F(TransactionTest, CommitWithoutLogoutGives91) {
  EXPECT_EQ(Commit(), err::kLogoutNotActive);
  EXPECT_EQ(ErrorCode(), err::kLogoutNotActive);
  EXPECT_EQ(Rollback(), err::kLogoutNotActive);
}

TEST_F(TransactionTest, LogoutCommitsEveryFile) {
  ASSERT_EQ(Logout(1, {&a.file, &b.file}), 0);
  EXPECT_TRUE(a.bits() & state::kInTransaction);
  EXPECT_EQ(Logout(1, {&a.file}), err::kLogoutAlreadyActive);
  ASSERT_EQ(Commit(), 0);
  EXPECT_FALSE(TransactionActive());
  EXPECT_FALSE(a.bits() & state::kInTransaction);
  EXPECT_EQ(b.driver.performed.back(), Op::kCommit);
}

TEST_F(TransactionTest, AFileThatCannotLogOutRollsBackTheOthers) {
  b.driver.errors[Op::kLogout] = err::kAccessDenied;
  EXPECT_EQ(Logout(1, {&a.file, &b.file}), err::kUnableToLogTransaction);
  EXPECT_EQ(ErrorCode(), err::kUnableToLogTransaction);
  EXPECT_FALSE(TransactionActive());
  EXPECT_EQ(a.driver.performed.back(), Op::kRollback);
  EXPECT_FALSE(a.bits() & state::kInTransaction);
}

TEST_F(TransactionTest, ClosedOrUnlistedFilesCannotLogOut) {
  FakeFile closed;
  closed.SetBits(0);
  EXPECT_EQ(Logout(1, {&a.file, &closed.file}), err::kFileNotOpen);
  EXPECT_EQ(a.driver.performed.back(), Op::kRollback);
  EXPECT_EQ(Logout(1, {}), err::kUnableToLogTransaction);  // nobody registered
  OpenFiles().SetLogoutCandidate(b.file, true);
  EXPECT_EQ(Logout(1, {}), 0);
  EXPECT_EQ(Rollback(), 0);
  OpenFiles().SetLogoutCandidate(b.file, false);
}

TEST_F(TransactionTest, LocksAtLogoutAndUnlocksAfterWhenTheDriverAsks) {
  a.driver.answers_.lock_at_logout = true;
  a.driver.answers_.unlock_after_transaction = true;
  FakeFile c;
  c.driver.answers_ = a.driver.answers_;
  c.SetBits(state::kOpen);
  ASSERT_EQ(Logout(2, {&c.file}), 0);
  EXPECT_TRUE(c.bits() & state::kLocked);
  ASSERT_EQ(Commit(), 0);
  EXPECT_FALSE(c.bits() & state::kLocked);
  EXPECT_EQ(c.driver.performed.back(), Op::kUnlock);
}

}  // namespace
}  // namespace vaultara::data
