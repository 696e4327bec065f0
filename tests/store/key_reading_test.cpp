#include <gtest/gtest.h>

#include "data/character_tables.h"
#include "data/error_texts.h"
#include "tests/store/key_table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using data::key_flag::kDup;

class KeyReadingTest : public KeyTableFixture {
 protected:
  void SetUp() override {
    KeyTableFixture::SetUp();
    data::RecordDeclarationBuilder b;
    b.Long("P:ID").Long("P:N").Real("P:R").String("P:NAME", 6);
    Declare(b);
  }
  void TearDown() override {
    KeyTableFixture::TearDown();
    data::ResetCharacterTables();
  }
  int32_t AddRow(int32_t id, int32_t n, double r, const std::string& name) {
    Clear();
    SetLong("P:ID", id);
    SetLong("P:N", n);
    SetReal("P:R", r);
    SetString("P:NAME", name);
    return Add();
  }
};

TEST_F(KeyReadingTest, KeysWalkInTheirDeclaredOrder) {
  Key("P:K_N", kDup, {"P:N"});
  Key("P:K_NDESC", kDup, {"-P:N"});
  Key("P:K_R", kDup, {"P:R"});
  Key("P:K_RDESC", kDup, {"-P:R"});
  Open();
  ASSERT_EQ(AddRow(1, 0, 3.0, "A"), 0);
  ASSERT_EQ(AddRow(2, 1, -1.0, "B"), 0);
  ASSERT_EQ(AddRow(3, -1, 0.0, "C"), 0);
  ASSERT_EQ(AddRow(4, 1, -2.5, "D"), 0);
  EXPECT_EQ(WalkLongs(0, "P:N"), (std::vector<int32_t>{-1, 0, 1, 1}));
  EXPECT_EQ(WalkLongs(1, "P:N"), (std::vector<int32_t>{1, 1, 0, -1}));
  // Equal values of a key with duplicates follow their record numbers.
  EXPECT_EQ(WalkLongs(1, "P:ID"), (std::vector<int32_t>{2, 4, 1, 3}));
  EXPECT_EQ(WalkLongs(2, "P:ID"), (std::vector<int32_t>{4, 2, 3, 1}));  // -2.5 -1 0 3
  EXPECT_EQ(WalkLongs(3, "P:ID"), (std::vector<int32_t>{1, 3, 2, 4}));
}

TEST_F(KeyReadingTest, StringKeysUseTheCollationStoredWithTheTable) {
  Key("P:K_NAME", 0, {"P:NAME"});
  // Created while "Æ" sorts as "AE": the table keeps that order even when the
  // program's tables no longer say so.
  data::CurrentCharacterTables().SetDigraphs(
      {"\xC6"
       "AE"});
  Open();
  data::ResetCharacterTables();
  table_.reset();
  Open(nullptr, false);
  ASSERT_EQ(AddRow(1, 0, 0, "AF"), 0);
  ASSERT_EQ(AddRow(2, 0, 0, "\xC6Z"), 0);
  ASSERT_EQ(AddRow(3, 0, 0, "AD"), 0);
  EXPECT_EQ(WalkLongs(0, "P:ID"), (std::vector<int32_t>{3, 2, 1}));

  // A full build takes the program's current tables instead.
  table_->set_full_build(true);
  ASSERT_EQ(keys_.BuildFile(*table_), 0);
  EXPECT_EQ(WalkLongs(0, "P:ID"), (std::vector<int32_t>{3, 1, 2}));
}

TEST_F(KeyReadingTest, GetByKeyAndPositionStringsFindTheRecord) {
  Key("P:K_N", kDup, {"P:N"});
  Open();
  ASSERT_EQ(AddRow(1, 5, 0, "A"), 0);
  const uint32_t first = table_->current();
  ASSERT_EQ(AddRow(2, 7, 0, "B"), 0);
  ASSERT_EQ(AddRow(3, 7, 0, "C"), 0);
  const uint32_t third = table_->current();
  Clear();
  SetLong("P:N", 7);
  ASSERT_EQ(keys_.GetByKey(*table_, 0), 0);  // the first of equal values
  EXPECT_EQ(GetLong("P:ID"), 2);
  ASSERT_EQ(table_->Fetch(third), 0);
  const std::string position = keys_.PositionKey(*table_, 0);
  EXPECT_EQ(position.substr(0, 4), BigEndian(third));
  ASSERT_EQ(table_->Fetch(first), 0);
  ASSERT_EQ(keys_.RegetKey(*table_, 0, position), 0);
  EXPECT_EQ(GetLong("P:ID"), 3);
  // A value and record number that no entry has: 35.
  std::string wrong = position;
  wrong.replace(0, 4, BigEndian(first));
  EXPECT_EQ(keys_.RegetKey(*table_, 0, wrong), err::kRecordNotFound);
  Clear();
  SetLong("P:N", 6);
  EXPECT_EQ(keys_.GetByKey(*table_, 0), err::kRecordNotFound);
}

}  // namespace
}  // namespace vaultara::store
