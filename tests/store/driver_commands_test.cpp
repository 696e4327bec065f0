#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "data/record_queue.h"
#include "data/state_bits.h"
#include "data/transaction.h"
#include "store/transaction.h"
#include "tests/store/driver_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using DriverCommands = DriverFixture;

TEST(ZephyronRegistration, NamesItsOperationsTypesAndExtension) {
  const data::DriverRegistration r = ZephyronRegistration();
  EXPECT_EQ(r.name, "ZEPHYRON");
  ASSERT_EQ(r.operations.size(), 73u);
  EXPECT_EQ(std::vector<uint8_t>(r.operations.begin(), r.operations.begin() + 6),
            (std::vector<uint8_t>{1, 4, 2, 5, 3, 6}));
  EXPECT_EQ(r.operations.back(), 102);
  EXPECT_EQ(r.field_types.size(), 17u);
  EXPECT_EQ(r.default_extension, ".ZPH");
  EXPECT_EQ(data::FindDriver("zephyron"), &TheZephyronDriver());
}

TEST_F(DriverCommands, FullBuildSwitch) {
  CreateWith({});
  EXPECT_EQ(data::Send(people_->fcb, "FULLBUILD"), "OFF");
  EXPECT_EQ(data::Send(people_->fcb, "FULLBUILD=on"), "ON");
  EXPECT_EQ(data::Send(people_->fcb, "fullbuild"), "ON");
  EXPECT_EQ(data::GetProperty(people_->fcb, 29232), "1");
  EXPECT_EQ(data::Send(people_->fcb, "FULLBUILD=yes"), "OFF");
  EXPECT_EQ(data::GetProperty(people_->fcb, 29232), "");
  EXPECT_EQ(data::Send(people_->fcb, "something else"), "");
}

TEST_F(DriverCommands, TableNamesAfterAGivenName) {
  CreateWith({1});
  DriverTable alpha(driver_, path_, "alpha");
  ASSERT_EQ(data::Create(alpha.fcb), 0);
  EXPECT_EQ(data::Send(people_->fcb, "PNM="), "ALPHA");
  EXPECT_EQ(data::Send(people_->fcb, "PNM=alpha"), "PEOPLE");
  EXPECT_EQ(data::Send(people_->fcb, "PNM=PEOPLE"), "");
  // Not open: no answer.
  EXPECT_EQ(data::Send(alpha.fcb, "PNM="), "");

  // PNMQ= fills a string queue, opening the file for the purpose.
  data::RecordDeclarationBuilder builder;
  builder.String("Q:NAME", 32);
  const data::RecordDeclaration layout = builder.Build();
  std::vector<char> buffer(layout.record_length);
  data::RecordQueue queue(&layout, buffer.data());
  const std::string reference = driver_.ReferToQueue(queue);
  EXPECT_EQ(data::Send(alpha.fcb, "PNMQ=" + reference), "");
  ASSERT_EQ(queue.Count(), 2);
  queue.FetchAt(1);
  EXPECT_EQ(std::string(buffer.data(), 5), "ALPHA");
  queue.FetchAt(2);
  EXPECT_EQ(std::string(buffer.data(), 6), "PEOPLE");
  driver_.ForgetQueue(queue);
}

TEST_F(DriverCommands, ControlFileFlagsAndRegister) {
  CreateWith({1});
  EXPECT_EQ(data::Send(people_->fcb, "TCF"), "");
  EXPECT_EQ(data::Send(people_->fcb, "TCF=" + PathOf("mine.tcf")), PathOf("mine.tcf"));
  EXPECT_EQ(ProcessTransaction().control_file(), PathOf("mine.tcf"));
  EXPECT_EQ(data::Send(people_->fcb, "which TCF"), PathOf("mine.tcf"));
  EXPECT_EQ(data::Send(people_->fcb, "TCF="), "");

  EXPECT_EQ(data::Send(people_->fcb, "FLAGS"), "0");
  EXPECT_EQ(data::Send(people_->fcb, "flags=77"), "77");
  EXPECT_EQ(data::Close(people_->fcb), 0);
  ASSERT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::Send(people_->fcb, "FLAGS"), "77");
  EXPECT_EQ(data::RecordsFile(people_->fcb), 1);

  EXPECT_EQ(data::Send(people_->fcb, "REGISTER"), "1");
  EXPECT_NE(people_->fcb.state(), nullptr);
  data::Close(people_->fcb);
  EXPECT_EQ(data::Send(people_->fcb, "REGISTER"), "1");
  EXPECT_EQ(people_->fcb.state(), nullptr);
}

TEST_F(DriverCommands, Properties) {
  CreateWith({1});
  data::FileControlBlock& fcb = people_->fcb;
  EXPECT_EQ(data::GetProperty(fcb, 29453), "ZEPHYRON");
  EXPECT_EQ(data::GetProperty(fcb, 29455), "2");
  EXPECT_EQ(data::GetProperty(fcb, 29458), "2");
  EXPECT_EQ(data::GetProperty(fcb, 29462), people_->name);
  EXPECT_EQ(data::GetProperty(fcb, 12345), "");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 29463), "PEO:K_NAME");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 29466), "1");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 29467), "1");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_id, 29467), "");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_id, 29470), "1");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 29471, 1), "2");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 29472, 1), "1");
  EXPECT_EQ(data::GetPropertyKey(*people_->by_name, 31745), "KEY");
  EXPECT_EQ(data::SetPropertyKey(*people_->by_name, 29463, "ignored"), 0);

  // A name set by property is used at the next open instead of the
  // declared one.
  data::Close(fcb);
  DriverTable other(driver_, PathOf("other.zph"), "people");
  ASSERT_EQ(data::Create(other.fcb), 0);
  ASSERT_EQ(data::SetProperty(fcb, 29462, other.name), 0);
  ASSERT_EQ(data::Open(fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::RecordsFile(fcb), 0);
  EXPECT_EQ(data::Name(fcb), PathOf("other.zph") + "\\!PEOPLE");
}

TEST_F(DriverCommands, RefusedOperations) {
  CreateWith({1});
  DriverTable other(driver_, PathOf("other.zph"), "people");
  // A key of another file.
  EXPECT_EQ(data::SetKeyKey(*people_->by_id, *other.by_id), err::kInvalidKeyFile);
  EXPECT_EQ(data::ErrorCode(), err::kInvalidKeyFile);
  // Operations the store does not carry out.
  EXPECT_EQ(data::AddFileLen(people_->fcb, 4), err::kUnsupportedFunction);
  EXPECT_EQ(data::SetNull(people_->fcb, 1), err::kUnsupportedFunction);
  EXPECT_EQ(data::ErrorMessage(), "Unsupported File Driver Function");
  // Opening write-only, an empty name, a second open.
  EXPECT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), err::kFileAlreadyOpen);
  data::Close(people_->fcb);
  EXPECT_EQ(data::Open(people_->fcb, 0x41), err::kAccessDenied);
  std::string blank;
  people_->fcb.name.data = blank.data();
  people_->fcb.name.length = 0;
  EXPECT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), err::kInvalidFilename);
  people_->fcb.attributes = 0;
  EXPECT_EQ(data::Create(other.fcb), 0);
  other.fcb.attributes = 0;
  EXPECT_EQ(data::Create(other.fcb), err::kNoCreateAttribute);
}

TEST_F(DriverCommands, TransactionsCommitAndRollBack) {
  CreateWith({1});
  ASSERT_EQ(data::Logout(0, {&people_->fcb}), 0);
  ASSERT_EQ(people_->Add(2), 0);
  ASSERT_EQ(data::Rollback(), 0);
  EXPECT_EQ(data::RecordsFile(people_->fcb), 1);
  ASSERT_EQ(data::Logout(0, {&people_->fcb}), 0);
  ASSERT_EQ(people_->Add(3), 0);
  ASSERT_EQ(data::Commit(), 0);
  data::Close(people_->fcb);
  ASSERT_EQ(data::Open(people_->fcb, kReadWriteDenyNone), 0);
  EXPECT_EQ(data::RecordsFile(people_->fcb), 2);
}

TEST_F(DriverCommands, StreamDefersCommitsUntilFlush) {
  CreateWith({1});
  ASSERT_EQ(data::Stream(people_->fcb), 0);
  ASSERT_EQ(people_->Add(2), 0);
  ASSERT_EQ(people_->Add(3), 0);
  EXPECT_TRUE(people_->fcb.state()->bits & data::state::kStreaming);
  ASSERT_EQ(data::Flush(people_->fcb), 0);
  EXPECT_FALSE(people_->fcb.state()->bits & data::state::kStreaming);
  EXPECT_EQ(data::RecordsFile(people_->fcb), 3);
}

TEST_F(DriverCommands, TableLockShutsOutAnotherOpener) {
  CreateWith({1});
  DriverTable second(driver_, path_, "people");
  ASSERT_EQ(data::Open(second.fcb, kReadWriteDenyNone), 0);
  ASSERT_EQ(data::LockFile(people_->fcb), 0);
  EXPECT_EQ(data::LockFileSec(second.fcb, 0), err::kFileIsAlreadyLocked);
  ASSERT_EQ(data::Unlock(people_->fcb), 0);
  EXPECT_EQ(data::LockFileSec(second.fcb, 0), 0);
  EXPECT_EQ(data::Unlock(second.fcb), 0);
}

}  // namespace
}  // namespace vaultara::store
