#include "framework/data/field_pair_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vaultara::framework {
namespace {

using data::FieldType;

// A record of a LONG and a STRING(4), with a second LONG and STRING(4) to pair
// them with.
struct Record {
  int32_t id = 0;
  char name[4] = {' ', ' ', ' ', ' '};
  int32_t other_id = 0;
  char other_name[4] = {' ', ' ', ' ', ' '};

  AnyValue Id() { return AnyValue::Refer(id); }
  AnyValue Name() { return AnyValue::Refer(FieldType::kString, name, 4); }
  AnyValue OtherId() { return AnyValue::Refer(other_id); }
  AnyValue OtherName() { return AnyValue::Refer(FieldType::kString, other_name, 4); }
  std::string NameText() const { return std::string(name, 4); }
  std::string OtherNameText() const { return std::string(other_name, 4); }
};

TEST(FieldPairListTest, AnEmptyListMatchesInEveryForm) {
  FieldPairList plain;
  BufferedPairList buffered;
  plain.Initialise();
  buffered.Initialise();
  EXPECT_TRUE(plain.LeftMatchesRight());
  EXPECT_TRUE(buffered.LeftMatchesRight());
  EXPECT_TRUE(buffered.LeftMatchesBuffer());
  EXPECT_TRUE(buffered.RightMatchesBuffer());
}

TEST(FieldPairListTest, ComparesAndCopiesEveryPair) {
  Record r;
  FieldPairList pairs;
  pairs.Initialise();
  pairs.AppendPair(r.Id(), r.OtherId());
  pairs.AppendPair(r.Name(), r.OtherName());
  r.id = 7;
  std::memcpy(r.name, "ab  ", 4);
  EXPECT_FALSE(pairs.LeftMatchesRight());
  pairs.SetRightFromLeft();
  EXPECT_EQ(r.other_id, 7);
  EXPECT_EQ(r.OtherNameText(), "ab  ");
  EXPECT_TRUE(pairs.LeftMatchesRight());

  r.other_id = 9;  // the first pair differs, the second still matches
  EXPECT_FALSE(pairs.LeftMatchesRight());
  pairs.SetLeftFromRight();
  EXPECT_EQ(r.id, 9);

  pairs.BlankLeft();
  EXPECT_EQ(r.id, 0);
  EXPECT_EQ(r.NameText(), "    ");
  EXPECT_EQ(r.other_id, 9);
  pairs.BlankRight();
  EXPECT_EQ(r.OtherNameText(), "    ");
  EXPECT_TRUE(pairs.LeftMatchesRight());

  pairs.Kill();
  EXPECT_TRUE(pairs.List.empty());
}

TEST(FieldPairListTest, PairsOfDifferentTypesFollowTheValueRules) {
  Record r;
  FieldPairList pairs;
  pairs.AppendPair(r.Id(), r.Name());  // a 32-bit number beside a text
  struct Case {
    int32_t id;
    const char* name;
    bool match;
  } cases[] = {{10, "10  ", true},  {10, "  10", true}, {10, "10.0", true},
               {10, "1   ", false}, {0, "    ", true},  {0, "abc ", true}};
  for (const Case& c : cases) {
    r.id = c.id;
    std::memcpy(r.name, c.name, 4);
    EXPECT_EQ(pairs.LeftMatchesRight(), c.match) << c.id << " '" << c.name << "'";
  }
  std::memcpy(r.name, "42.7", 4);
  pairs.SetLeftFromRight();
  EXPECT_EQ(r.id, 42);
  r.id = -5;
  pairs.SetRightFromLeft();
  EXPECT_EQ(r.NameText(), "-5  ");
}

TEST(FieldPairListTest, AFieldCopyRemembersTheValueItHadWhenAppended) {
  Record r;
  r.id = 3;
  std::memcpy(r.name, "keep", 4);
  FieldPairList remembered;
  remembered.AppendFieldCopy(r.Id());
  remembered.AppendFieldCopy(r.Name());
  EXPECT_TRUE(remembered.LeftMatchesRight());
  std::memcpy(r.name, "lost", 4);
  EXPECT_FALSE(remembered.LeftMatchesRight());
  remembered.SetLeftFromRight();
  EXPECT_EQ(r.NameText(), "keep");
  EXPECT_EQ(r.id, 3);
}

TEST(FieldPairListTest, BufferedPairsStartWithABlankBuffer) {
  struct Case {
    int32_t other_id;
    const char* other_name;
    bool right_matches_buffer;
  } cases[] = {{0, "    ", true}, {4, "    ", false}, {0, "x   ", false}};
  for (const Case& c : cases) {
    Record r;
    r.other_id = c.other_id;
    std::memcpy(r.other_name, c.other_name, 4);
    BufferedPairList pairs;
    pairs.AppendPair(r.Id(), r.OtherId());
    pairs.AppendPair(r.Name(), r.OtherName());
    EXPECT_EQ(pairs.RightMatchesBuffer(), c.right_matches_buffer) << c.other_id;
    EXPECT_EQ(r.other_id, c.other_id);  // right keeps its value
    EXPECT_EQ(&pairs.RealList, &pairs.List);
  }
}

TEST(FieldPairListTest, BufferedPairsRememberAndRestoreEitherSide) {
  Record r;
  BufferedPairList pairs;
  FieldPairList& base = pairs;
  base.AppendPair(r.Id(), r.OtherId());  // the buffered form, through the base
  ASSERT_FALSE(pairs.List.front().Buffer.IsEmpty());
  pairs.AppendPair(r.Name(), r.OtherName());

  r.id = 1;
  std::memcpy(r.name, "left", 4);
  pairs.SetBufferFromLeft();
  EXPECT_TRUE(pairs.LeftMatchesBuffer());
  r.id = 2;
  EXPECT_FALSE(pairs.LeftMatchesBuffer());
  pairs.SetRightFromBuffer();
  EXPECT_EQ(r.other_id, 1);
  EXPECT_EQ(r.OtherNameText(), "left");
  EXPECT_TRUE(pairs.RightMatchesBuffer());

  r.other_id = 8;
  std::memcpy(r.other_name, "rite", 4);
  pairs.SetBufferFromRight();
  pairs.SetLeftFromBuffer();
  EXPECT_EQ(r.id, 8);
  EXPECT_EQ(r.NameText(), "rite");
  EXPECT_TRUE(pairs.LeftMatchesRight());  // the plain operations work on it too
  pairs.BlankRight();
  EXPECT_FALSE(pairs.RightMatchesBuffer());
}

}  // namespace
}  // namespace vaultara::framework
