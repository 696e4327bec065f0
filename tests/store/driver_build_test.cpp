#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "tests/store/driver_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using DriverBuilds = DriverFixture;

TEST_F(DriverBuilds, AppendedRecordsAreFoundByKeyAfterABuild) {
  CreateWith({}, kReadWriteDenyAll);
  for (int32_t id : {5, 3, 4, 1, 2}) {
    people_->Set(id, "n");
    ASSERT_EQ(data::Append(people_->fcb), 0);
  }
  ASSERT_EQ(data::BuildKey(*people_->by_id), 0);
  EXPECT_EQ(data::RecordsKey(*people_->by_id), 5);
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 1);
  EXPECT_EQ(Next(), 2);
  // Building needs exclusive access.
  data::Close(people_->fcb);
  ASSERT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::BuildFile(people_->fcb), err::kExclusiveAccessRequired);
}

TEST_F(DriverBuilds, ProgressEventsMakeTheBuildWaitForBuildEvent) {
  CreateWith({});
  for (int32_t id = 40; id > 0; --id) {
    people_->Set(id, "n");
    ASSERT_EQ(data::Append(people_->fcb), 0);
  }
  data::Close(people_->fcb);
  std::vector<int32_t> messages;
  uint64_t reported = 0;
  bool cancel = true;
  driver_.SetBuildRequestHandler(
      [&](data::FileControlBlock&, int32_t message) { messages.push_back(message); });
  driver_.SetBuildProgressHandler([&](data::FileControlBlock&, uint64_t records) {
    reported = records;
    return cancel;
  });

  ASSERT_EQ(data::SetProperty(people_->fcb, 29446, "1"), 0);
  ASSERT_EQ(data::BuildFile(people_->fcb), 0);
  EXPECT_EQ(messages, std::vector<int32_t>{kBuildRequestMessage});
  EXPECT_EQ(data::BuildEvent(people_->fcb), err::kBuildCancelled);
  EXPECT_GT(reported, 0u);

  cancel = false;
  ASSERT_EQ(data::SetProperty(people_->fcb, 29446, "1"), 0);
  ASSERT_EQ(data::BuildFile(people_->fcb), 0);
  ASSERT_EQ(data::BuildEvent(people_->fcb), 0);
  ASSERT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::RecordsKey(*people_->by_id), 40);
  ASSERT_EQ(data::SetKey(*people_->by_id), 0);
  EXPECT_EQ(Next(), 1);

  // Without the request a build runs at once.
  data::Close(people_->fcb);
  messages.clear();
  EXPECT_EQ(data::BuildFile(people_->fcb), 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(DriverBuilds, DynamicIndexWithAFilter) {
  data::KeyControlBlock& index = people_->fcb.AddKey("PEO:DYN", data::key_flag::kIndex, {});
  CreateWith({5, 3, 4, 1, 2});
  EXPECT_EQ(data::SetKey(index), err::kKeyFileMustBeRebuilt);
  EXPECT_EQ(data::BuildDyn(index, ""), err::kInvalidIndexString);
  ASSERT_EQ(data::BuildDynFilter(index, "-PEO:ID", "PEO:ID > 2"), 0);
  ASSERT_EQ(data::SetKey(index), 0);
  EXPECT_EQ(Next(), 5);
  EXPECT_EQ(Next(), 4);
  EXPECT_EQ(Next(), 3);
  EXPECT_EQ(Next(), -err::kRecordNotAvailable);
}

}  // namespace
}  // namespace vaultara::store
