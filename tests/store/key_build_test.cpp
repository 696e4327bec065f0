#include <gtest/gtest.h>

#include "data/error_texts.h"
#include "platform/fault_injection.h"
#include "tests/store/key_table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using data::key_flag::kDup;
using data::key_flag::kIndex;

class KeyBuildTest : public KeyTableFixture {
 protected:
  void SetUp() override {
    KeyTableFixture::SetUp();
    data::RecordDeclarationBuilder b;
    b.Long("P:ID").Long("P:A").Long("P:B").String("P:NAME", 12);
    Declare(b);
  }
  int32_t AddRow(int32_t id, int32_t a, int32_t b, bool append = false, bool commit = true) {
    Clear();
    SetLong("P:ID", id);
    SetLong("P:A", a);
    SetLong("P:B", b);
    SetString("P:NAME", "N" + std::to_string(id));
    return Add(append, commit);
  }
};

TEST_F(KeyBuildTest, AppendMarksTheKeysAndBuildFileAddsExactlyTheMissingEntries) {
  Key("P:K_ID", 0, {"P:ID"});
  Key("P:K_NAME", kDup, {"P:NAME"});
  Open();
  for (int i = 1; i <= 5; ++i) ASSERT_EQ(AddRow(i, 0, 0), 0);
  ASSERT_EQ(AddRow(6, 0, 0, true), 0);
  const uint32_t first_appended = table_->current();
  for (int i = 7; i <= 15; ++i) ASSERT_EQ(AddRow(i, 0, 0, true), 0);
  for (size_t key = 0; key < 2; ++key) {
    EXPECT_EQ(CounterOf(key).out_of_date_from, first_appended);
    EXPECT_EQ(RecordsKey(key), 5u);
  }
  EXPECT_EQ(RecordsFile(), 15u);

  ASSERT_EQ(keys_.BuildFile(*table_), 0);
  for (size_t key = 0; key < 2; ++key) {
    EXPECT_EQ(CounterOf(key).out_of_date_from, 0u);
    EXPECT_EQ(RecordsKey(key), 15u);
    EXPECT_EQ(Walk(key).size(), 15u);
  }
  Clear();
  SetLong("P:ID", 12);
  ASSERT_EQ(keys_.GetByKey(*table_, 0), 0);
  EXPECT_EQ(std::string(At("P:NAME"), 3), "N12");
  // A second build finds nothing to do.
  ASSERT_EQ(keys_.BuildFile(*table_), 0);
  EXPECT_EQ(RecordsKey(0), 15u);
}

TEST_F(KeyBuildTest, ASpillingBuildGivesTheSameKeyAsOneInMemory) {
  Key("P:K_A", kDup, {"-P:A", "P:B"});
  Open();
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(AddRow(i, (i * 7919) % 61, i % 13, true, false), 0);
  ASSERT_EQ(table_->Commit(), 0);
  table_->set_full_build(true);
  ASSERT_EQ(keys_.BuildKey(*table_, 0), 0);
  const std::vector<uint32_t> in_memory = Walk(0);
  BuildSettings small;
  small.sorter_memory = 500;  // many runs, spilled to a temporary file
  ASSERT_EQ(keys_.BuildKey(*table_, 0, small), 0);
  EXPECT_EQ(Walk(0), in_memory);
  EXPECT_EQ(RecordsKey(0), 3000u);
  // Descending on A, then ascending on B.
  const std::vector<int32_t> a = WalkLongs(0, "P:A");
  EXPECT_TRUE(std::is_sorted(a.rbegin(), a.rend()));
}

TEST_F(KeyBuildTest, ABuildInterruptedByAFaultResumesFromItsMark) {
  Key("P:K_ID", 0, {"P:ID"});
  platform::FaultInjection faults(platform_);
  Open(&faults);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(AddRow(2000 - i, 0, 0, true, false), 0);
  ASSERT_EQ(table_->Commit(), 0);
  const uint32_t mark = CounterOf(0).out_of_date_from;
  ASSERT_NE(mark, 0u);
  BuildSettings settings;
  settings.commit_pages = 2;  // commit often
  // The disk fills up part-way (a single failed write may fall where a
  // commit is already durable, which does not stop the build).
  faults.ShortWritesFrom(40);
  EXPECT_NE(keys_.BuildKey(*table_, 0, settings), 0);
  faults.Reset();
  table_.reset();
  Open(&faults, false);
  // What the last commit kept is counted, and the key is still marked.
  const Counter kept = CounterOf(0);
  EXPECT_EQ(kept.out_of_date_from, mark);
  EXPECT_GT(kept.count, 0u);
  EXPECT_LT(kept.count, 2000u);
  EXPECT_EQ(Walk(0).size(), kept.count);
  ASSERT_EQ(keys_.BuildKey(*table_, 0, settings), 0);
  EXPECT_EQ(CounterOf(0).out_of_date_from, 0u);
  EXPECT_EQ(RecordsKey(0), 2000u);
  const std::vector<int32_t> ids = WalkLongs(0, "P:ID");
  ASSERT_EQ(ids.size(), 2000u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
}

TEST_F(KeyBuildTest, ACancelledBuildStopsWith93AndAnotherFinishesIt) {
  Key("P:K_ID", 0, {"P:ID"});
  Open();
  for (int i = 1; i <= 100; ++i) ASSERT_EQ(AddRow(i, 0, 0, true), 0);
  const std::string before(record_.data(), record_.size());
  BuildSettings cancelling;
  cancelling.progress.interval = 16;
  uint64_t reported = 0;
  cancelling.progress.report = [&](uint64_t read) {
    reported = read;
    return read >= 48;
  };
  EXPECT_EQ(keys_.BuildKey(*table_, 0, cancelling), err::kBuildCancelled);
  EXPECT_EQ(reported, 48u);
  EXPECT_NE(CounterOf(0).out_of_date_from, 0u);
  // The record buffer is the program's again after the build.
  EXPECT_EQ(std::string(record_.data(), record_.size()), before);
  ASSERT_EQ(keys_.BuildKey(*table_, 0), 0);
  EXPECT_EQ(RecordsKey(0), 100u);
}

TEST_F(KeyBuildTest, ABuildMeetingARepeatedValueLeavesItOutAndStaysMarkedFromIt) {
  Key("P:K_A", 0, {"P:A"});
  Open();
  for (int i = 1; i <= 6; ++i) ASSERT_EQ(AddRow(i, i == 5 ? 2 : i, 0, true), 0);
  const uint32_t first = CounterOf(0).out_of_date_from;
  EXPECT_EQ(keys_.BuildKey(*table_, 0), err::kCreatesDuplicateKey);
  EXPECT_EQ(RecordsKey(0), 5u);
  // Record 5 (the fifth appended) repeats the value of record 2.
  EXPECT_EQ(CounterOf(0).out_of_date_from, first + 4);
}

TEST_F(KeyBuildTest, BuildDynOrdersByTheNamedComponentsAndRefusesUnknownNames) {
  Key("P:DYN", kIndex, {});
  Open();
  const int32_t rows[][2] = {{1, 5}, {3, 2}, {1, 1}, {2, 9}, {3, 1}};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(AddRow(i + 1, rows[i][0], rows[i][1]), 0);
  // An index declared without components is not maintained by changes.
  EXPECT_TRUE(Walk(0).empty());
  ASSERT_EQ(keys_.BuildDynamic(*table_, 0, "-P:A, +P:B"), 0);
  EXPECT_EQ(WalkLongs(0, "P:ID"), (std::vector<int32_t>{5, 2, 4, 3, 1}));
  EXPECT_EQ(RecordsKey(0), 5u);
  EXPECT_EQ(keys_.BuildDynamic(*table_, 0, "-P:A,+P:BB"), err::kInvalidIndexString);
  EXPECT_EQ(keys_.BuildDynamic(*table_, 0, ""), err::kInvalidIndexString);
  // A filter picks the records indexed.
  ASSERT_EQ(keys_.BuildDynamicFiltered(*table_, 0, "P:B",
                                       [&](const char* buffer) {
                                         int32_t a;
                                         std::memcpy(&a, buffer + 4, 4);
                                         return a != 3;
                                       }),
            0);
  EXPECT_EQ(WalkLongs(0, "P:ID"), (std::vector<int32_t>{3, 1, 4}));
}

TEST_F(KeyBuildTest, AnIndexIsMarkedByChangesAndBuiltFromTheMark) {
  Key("P:K_ID", 0, {"P:ID"});
  Key("P:IX_B", kIndex, {"P:B"});
  Open();
  for (int i = 1; i <= 4; ++i) ASSERT_EQ(AddRow(i, 0, 10 - i), 0);
  EXPECT_EQ(RecordsKey(1), 0u);
  EXPECT_NE(CounterOf(1).out_of_date_from, 0u);
  ASSERT_EQ(keys_.BuildFile(*table_), 0);  // indexes are not part of it
  EXPECT_EQ(RecordsKey(1), 0u);
  ASSERT_EQ(keys_.BuildKey(*table_, 1), 0);
  EXPECT_EQ(WalkLongs(1, "P:ID"), (std::vector<int32_t>{4, 3, 2, 1}));
  EXPECT_EQ(CounterOf(1).out_of_date_from, 0u);
}

}  // namespace
}  // namespace vaultara::store
