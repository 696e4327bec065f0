#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "tests/store/key_table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using data::key_flag::kDup;
using data::key_flag::kNoCase;
using data::key_flag::kOpt;

class KeyMaintenanceTest : public KeyTableFixture {
 protected:
  void SetUp() override {
    KeyTableFixture::SetUp();
    data::RecordDeclarationBuilder b;
    b.Long("P:ID").String("P:NAME", 10).String("P:CITY", 8);
    Declare(b);
  }
  int32_t AddPerson(int32_t id, const std::string& name, const std::string& city = "") {
    Clear();
    SetLong("P:ID", id);
    SetString("P:NAME", name);
    SetString("P:CITY", city);
    return Add();
  }
};

TEST_F(KeyMaintenanceTest, ADuplicateInTheSecondKeyLeavesNoEntryInTheFirst) {
  Key("P:K_ID", 0, {"P:ID"});
  Key("P:K_NAME", 0, {"P:NAME"});
  Open();
  ASSERT_EQ(AddPerson(1, "ANN"), 0);
  EXPECT_EQ(AddPerson(2, "ANN"), err::kCreatesDuplicateKey);
  EXPECT_EQ(RecordsFile(), 1u);
  EXPECT_EQ(RecordsKey(0), 1u);
  EXPECT_EQ(RecordsKey(1), 1u);
  EXPECT_EQ(Walk(0).size(), 1u);
  Clear();
  SetLong("P:ID", 2);
  EXPECT_EQ(keys_.GetByKey(*table_, 0), err::kRecordNotFound);
}

TEST_F(KeyMaintenanceTest, APutThatWouldDuplicateChangesNoKey) {
  Key("P:K_ID", 0, {"P:ID"});
  Key("P:K_NAME", 0, {"P:NAME"});
  Open();
  ASSERT_EQ(AddPerson(1, "ANN"), 0);
  ASSERT_EQ(AddPerson(2, "BOB"), 0);
  // Record 2 takes a new number and Ann's name: the name key refuses, and the
  // number key keeps the old number.
  SetLong("P:ID", 7);
  SetString("P:NAME", "ANN");
  EXPECT_EQ(Put(), err::kCreatesDuplicateKey);
  Clear();
  SetLong("P:ID", 7);
  EXPECT_EQ(keys_.GetByKey(*table_, 0), err::kRecordNotFound);
  SetLong("P:ID", 2);
  ASSERT_EQ(keys_.GetByKey(*table_, 0), 0);
  EXPECT_EQ(std::string(At("P:NAME"), 3), "BOB");
  // A put that changes one key moves exactly that entry.
  SetString("P:NAME", "CAROL");
  ASSERT_EQ(Put(), 0);
  EXPECT_EQ(RecordsKey(1), 2u);
  SetString("P:NAME", "BOB");
  EXPECT_EQ(keys_.GetByKey(*table_, 1), err::kRecordNotFound);
  // Deleting removes the record's entry from every key.
  SetString("P:NAME", "CAROL");
  ASSERT_EQ(keys_.GetByKey(*table_, 1), 0);
  ASSERT_EQ(table_->Delete(), 0);
  ASSERT_EQ(table_->Commit(), 0);
  EXPECT_EQ(RecordsKey(0), 1u);
  EXPECT_EQ(RecordsKey(1), 1u);
}

TEST_F(KeyMaintenanceTest, ACaseInsensitiveKeyTakesLettersOfEitherCaseAsEqual) {
  Key("P:K_NAME", kNoCase, {"P:NAME"});
  Open();
  ASSERT_EQ(AddPerson(1, "ABC"), 0);
  EXPECT_EQ(AddPerson(2, "abc"), err::kCreatesDuplicateKey);
  EXPECT_EQ(AddPerson(3, "aBd"), 0);
  SetString("P:NAME", "Abc");
  ASSERT_EQ(keys_.GetByKey(*table_, 0), 0);
  EXPECT_EQ(GetLong("P:ID"), 1);
}

TEST_F(KeyMaintenanceTest, AnOptionalKeyLeavesBlankValuesOut) {
  Key("P:K_CITY", kOpt | kDup, {"P:CITY"});
  Key("P:K_ID", 0, {"P:ID"});
  Open();
  const char* cities[] = {"ROME", "", "OSLO", "", "", "ROME"};
  for (int i = 0; i < 6; ++i) ASSERT_EQ(AddPerson(i + 1, "X", cities[i]), 0);
  EXPECT_EQ(RecordsFile(), 6u);
  EXPECT_EQ(RecordsKey(0), 3u);
  EXPECT_EQ(RecordsKey(1), 6u);
  // Filling in a blank value adds the entry; blanking one removes it.
  SetLong("P:ID", 2);
  ASSERT_EQ(keys_.GetByKey(*table_, 1), 0);
  SetString("P:CITY", "PARIS");
  ASSERT_EQ(Put(), 0);
  SetLong("P:ID", 1);
  ASSERT_EQ(keys_.GetByKey(*table_, 1), 0);
  SetString("P:CITY", "");
  ASSERT_EQ(Put(), 0);
  EXPECT_EQ(RecordsKey(0), 3u);
  EXPECT_EQ(Walk(0).size(), 3u);
}

TEST_F(KeyMaintenanceTest, TheDuplicateTestLooksAtKeysWithoutDuplicatesOnly) {
  Key("P:K_ID", 0, {"P:ID"});
  Key("P:K_CITY", kDup, {"P:CITY"});
  Open();
  ASSERT_EQ(AddPerson(1, "ANN", "ROME"), 0);
  bool duplicate = true;
  // The current record does not count against itself.
  ASSERT_EQ(keys_.Duplicate(*table_, std::nullopt, &duplicate), 0);
  EXPECT_FALSE(duplicate);
  Clear();
  table_->set_current(0);
  SetLong("P:ID", 1);
  SetString("P:CITY", "OSLO");
  ASSERT_EQ(keys_.Duplicate(*table_, std::nullopt, &duplicate), 0);
  EXPECT_TRUE(duplicate);
  ASSERT_EQ(keys_.Duplicate(*table_, 1, &duplicate), 0);
  EXPECT_FALSE(duplicate);
  SetLong("P:ID", 2);
  SetString("P:CITY", "ROME");
  ASSERT_EQ(keys_.Duplicate(*table_, std::nullopt, &duplicate), 0);
  EXPECT_FALSE(duplicate);
}

}  // namespace
}  // namespace vaultara::store
