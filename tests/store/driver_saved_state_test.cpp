#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "data/state_bits.h"
#include "tests/store/driver_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using SavedStates = DriverFixture;

TEST_F(SavedStates, RestoreAfterNextReadsTheSavedRecordAgain) {
  CreateWith({30, 10, 20});
  data::FileControlBlock& fcb = people_->fcb;
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 10);
  const int32_t handle = data::GetState(fcb);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(Next(), 20);
  EXPECT_EQ(Next(), 30);
  ASSERT_EQ(data::RestoreState(fcb, handle), 0);
  EXPECT_EQ(people_->Id(), 10);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 20);
  // Restoring works again, also after the table was closed.
  data::Close(fcb);
  ASSERT_EQ(data::RestoreState(fcb, handle), 0);
  EXPECT_TRUE(fcb.state()->bits & data::state::kOpen);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(data::FreeState(fcb, handle), 0);
  EXPECT_EQ(data::RestoreState(fcb, handle), err::kInvalidRecordDeclaration);
}

TEST_F(SavedStates, RestoreFailsWith35WhenTheSavedRecordChanged) {
  CreateWith({30, 10, 20});
  data::FileControlBlock& fcb = people_->fcb;
  ASSERT_EQ(data::SetFile(fcb), 0);
  EXPECT_EQ(Next(), 30);
  const int32_t handle = data::GetState(fcb);
  people_->Set(31, "changed");
  ASSERT_EQ(data::Put(fcb), 0);
  ASSERT_EQ(data::RestoreState(fcb, handle), 0);
  EXPECT_EQ(Next(), -err::kRecordNotFound);
  data::FreeState(fcb, handle);
}

TEST_F(SavedStates, RestoreReissuesASetAndRefusesAnotherFile) {
  CreateWith({30, 10, 20});
  data::FileControlBlock& fcb = people_->fcb;
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  const int32_t handle = data::GetState(fcb);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 20);
  ASSERT_EQ(data::RestoreState(fcb, handle), 0);
  EXPECT_EQ(Next(), 10);

  DriverTable other(driver_, path_, "people");
  ASSERT_EQ(data::Open(other.fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::RestoreState(other.fcb, handle), err::kInvalidRecordDeclaration);
  data::FreeState(fcb, handle);
}

}  // namespace
}  // namespace vaultara::store
