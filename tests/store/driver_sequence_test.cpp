#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "tests/store/driver_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using Sequencing = DriverFixture;

TEST_F(Sequencing, RecordOrderForwardAndBackward) {
  CreateWith({30, 10, 20});
  ASSERT_EQ(data::SetFile(people_->fcb), 0);
  EXPECT_EQ(Next(), 30);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 20);
  EXPECT_EQ(Next(), -err::kRecordNotAvailable);
  ASSERT_EQ(data::SetFile(people_->fcb), 0);
  EXPECT_EQ(Previous(), 20);
  EXPECT_EQ(Previous(), 10);
  data::Close(people_->fcb);
}

TEST_F(Sequencing, KeyStartReadsTheLowestThenPreviousGoesBack) {
  CreateWith({30, 10, 20});
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 20);
  EXPECT_EQ(Previous(), 10);
  EXPECT_EQ(data::QueryKey(people_->fcb), 1);
}

TEST_F(Sequencing, RecordPointerBeyondTheLastReadsTheLast) {
  CreateWith({30, 10, 20});
  ASSERT_EQ(data::SetFilePtr(people_->fcb, 1000), 0);
  EXPECT_EQ(Next(), 20);
  // A pointer to an existing record starts there, in either direction.
  ASSERT_EQ(data::SetFilePtr(people_->fcb, data::PointerFile(people_->fcb) - 1), 0);
  EXPECT_EQ(Previous(), 10);
  EXPECT_EQ(Previous(), 30);
}

TEST_F(Sequencing, EofAfterTheLastInKeyOrderAndBofBeforeTheFirst) {
  CreateWith({30, 10, 20});
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_TRUE(data::Bof(people_->fcb) == false);
  EXPECT_EQ(Next(), 10);
  EXPECT_TRUE(data::Bof(people_->fcb));
  EXPECT_EQ(Next(), 20);
  EXPECT_FALSE(data::Eof(people_->fcb));
  EXPECT_EQ(Next(), 30);
  EXPECT_TRUE(data::Eof(people_->fcb));
  // EOF neither read nor moved.
  EXPECT_EQ(people_->Id(), 30);
  EXPECT_EQ(Next(), -err::kRecordNotAvailable);
  EXPECT_EQ(data::ErrorCode(), err::kRecordNotAvailable);
}

TEST_F(Sequencing, SkipStopsQuietlyAtEitherEnd) {
  CreateWith({30, 10, 20});
  ASSERT_EQ(data::SetFile(people_->fcb), 0);
  EXPECT_EQ(data::Skip(people_->fcb, 5), 0);
  EXPECT_EQ(Next(), -err::kRecordNotAvailable);

  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(data::Skip(people_->fcb, 2), 0);
  EXPECT_EQ(Next(), 30);
  EXPECT_EQ(data::Skip(people_->fcb, -1), 0);
  EXPECT_EQ(Previous(), 10);
  EXPECT_EQ(data::Skip(people_->fcb, -7), 0);
  EXPECT_EQ(Previous(), -err::kRecordNotAvailable);
}

TEST_F(Sequencing, KeyValueStartsAndDuplicates) {
  CreateWith({});
  for (auto [id, name] : std::vector<std::pair<int32_t, std::string>>{
           {1, "bob"}, {2, "amy"}, {3, "Bob"}, {4, "cid"}, {5, "BOB"}}) {
    ASSERT_EQ(people_->Add(id, name), 0);
  }
  // SETkeykey in key order: every "bob" (case ignored) in record order, then on.
  people_->Set(0, "bob");
  ASSERT_EQ(data::SetKeyKey(*people_->by_name, *people_->by_name), 0);
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Next(), 3);
  EXPECT_EQ(Next(), 5);
  EXPECT_EQ(Next(), 4);
  people_->Set(0, "bob");
  ASSERT_EQ(data::SetKeyKey(*people_->by_name, *people_->by_name), 0);
  EXPECT_EQ(Previous(), 5);
  EXPECT_EQ(Previous(), 3);
  // SETfilekey: the first "bob" entry, then record order from its record.
  people_->Set(0, "BOB");
  ASSERT_EQ(data::SetFileKey(people_->fcb, *people_->by_name), 0);
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Next(), 2);
  // A value that is absent starts at the next entry.
  people_->Set(0, "b");
  ASSERT_EQ(data::SetKeyKey(*people_->by_name, *people_->by_name), 0);
  EXPECT_EQ(Next(), 1);
  // SETkeykeyptr: that value and record number, then key order.
  people_->Set(0, "bob");
  ASSERT_EQ(data::SetKeyKeyPtr(*people_->by_name, people_->pointers[3]), 0);
  EXPECT_EQ(Next(), 3);
  EXPECT_EQ(Next(), 5);
  // SETkeyptr: key order from the entry of that record; a missing record
  // starts at the last entry.
  ASSERT_EQ(data::SetKeyPtr(*people_->by_name, people_->pointers[3]), 0);
  EXPECT_EQ(Next(), 3);
  EXPECT_EQ(Next(), 5);
  ASSERT_EQ(data::SetKeyPtr(*people_->by_name, 99), 0);
  EXPECT_EQ(Next(), 4);
}

TEST_F(Sequencing, PositionsReadTheSameRecordAgain) {
  CreateWith({30, 10, 20, 40});
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 20);
  const std::string key_position = data::PositionKey(*people_->by_id);
  const std::string file_position = data::PositionFile(people_->fcb);
  EXPECT_EQ(key_position.size(), 8u);
  EXPECT_EQ(file_position.size(), 4u);
  EXPECT_EQ(Next(), 30);

  ASSERT_EQ(data::ResetKey(*people_->by_id, key_position), 0);
  EXPECT_EQ(Next(), 20);
  EXPECT_EQ(Next(), 30);
  ASSERT_EQ(data::ResetKey(*people_->by_id, key_position), 0);
  EXPECT_EQ(Previous(), 20);
  EXPECT_EQ(Previous(), 10);

  ASSERT_EQ(data::ResetFile(people_->fcb, file_position), 0);
  EXPECT_EQ(Next(), 20);
  EXPECT_EQ(Next(), 40);

  EXPECT_EQ(people_->Read(data::RegetKey(*people_->by_id, key_position)), 20);
  EXPECT_EQ(people_->Read(data::RegetFile(people_->fcb, file_position)), 20);
  EXPECT_EQ(data::RegetFile(people_->fcb, std::string("\0\0\0\x63", 4)), err::kRecordNotFound);
}

TEST_F(Sequencing, KeyOrderPassesOverAnEntryWhoseRecordWasDeleted) {
  CreateWith({10, 20, 30});
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 10);
  ASSERT_EQ(people_->Read(data::GetFilePtr(people_->fcb, people_->pointers[20])), 20);
  ASSERT_EQ(data::Delete(people_->fcb), 0);
  ASSERT_EQ(data::SetKeyPtr(*people_->by_id, people_->pointers[10]), 0);
  EXPECT_EQ(Next(), 10);
  EXPECT_EQ(Next(), 30);
}

}  // namespace
}  // namespace vaultara::store
