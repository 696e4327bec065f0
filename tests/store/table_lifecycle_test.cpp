#include <gtest/gtest.h>

#include "data/character_tables.h"
#include "store/table_name.h"
#include "tests/store/table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using TableLifecycleTest = TableFixture;

TEST_F(TableLifecycleTest, NamesSplitIntoPathAndUpperCaseTable) {
  ASSERT_EQ(platform_.MakeDirectory(PathOf("odd")), 0);
  struct Case {
    std::string name, path, table, shown;
  } cases[] = {
      {"f/a.zph\\!products", "f/a.zph", "PRODUCTS", "f/a.zph\\!PRODUCTS"},
      {"f/a\\!Types", "f/a.ZPH", "TYPES", "f/a.ZPH\\!TYPES"},
      {"f/plain", "f/plain.ZPH", "UNNAMED", "f/plain.ZPH"},
      {"f/x.v1/plain", "f/x.v1/plain.ZPH", "UNNAMED", "f/x.v1/plain.ZPH"},
      {"f/a.zph\\!one\\!two", "f/a.zph", "ONE\\!TWO", "f/a.zph\\!ONE\\!TWO"},
  };
  for (const Case& c : cases) {
    const TableName n = TableName::Split(c.name, platform_);
    EXPECT_EQ(n.path, c.path) << c.name;
    EXPECT_EQ(n.table, c.table) << c.name;
    EXPECT_EQ(n.DisplayName(), c.shown) << c.name;
  }
  // A separator whose left side is an existing folder belongs to the path.
  const TableName in_folder = TableName::Split(PathOf("odd\\!f\\!t"), platform_);
  EXPECT_EQ(in_folder.path, PathOf("odd\\!f.ZPH"));
  EXPECT_EQ(in_folder.table, "T");
}

TEST_F(TableLifecycleTest, SeveralTablesShareOneFileUntilTheLastIsRemoved) {
  auto a = Simple("shared.zph\\!alpha");
  auto b = Simple("shared.zph\\!beta");
  AddRecord(*a, "in alpha");
  AddRecord(*b, "in beta");
  AddRecord(*b, "also beta");
  EXPECT_EQ(Records(*a), 1u);
  EXPECT_EQ(Records(*b), 2u);
  EXPECT_EQ(a->handle->DisplayName(), PathOf("shared.zph") + "\\!ALPHA");
  // Record numbers are unique in the file, table numbers never collide.
  EXPECT_NE(a->handle->table_number(), b->handle->table_number());
  EXPECT_EQ(a->handle->Close(), 0);
  EXPECT_EQ(b->handle->Close(), 0);

  EXPECT_EQ(a->handle->Remove(), 0);
  ASSERT_TRUE(Exists("shared.zph"));
  EXPECT_EQ(a->handle->Open(kReadWrite), err::kFileNotFound);
  ASSERT_EQ(b->handle->Open(kReadWrite), 0);
  EXPECT_EQ(Records(*b), 2u);
  EXPECT_EQ(b->handle->Close(), 0);

  EXPECT_EQ(b->handle->Remove(), 0);
  EXPECT_FALSE(Exists("shared.zph"));
}

TEST_F(TableLifecycleTest, CreatingAnExistingTableGivesANewNumberAndNoRecords) {
  auto t = Simple("again.zph\\!t");
  AddRecord(*t, "old");
  const Identifier old_number = t->handle->table_number();
  EXPECT_EQ(t->handle->Close(), 0);
  ASSERT_EQ(t->handle->Create(), 0);
  ASSERT_EQ(t->handle->Open(kReadWrite), 0);
  EXPECT_GT(t->handle->table_number(), old_number);
  EXPECT_EQ(Records(*t), 0u);
  // Nothing of the old table is left in the file: no entry carries its number.
  std::optional<StoreEntry> entry;
  ASSERT_TRUE(t->handle->file().Successor(TablePrefix(old_number), &entry).ok());
  ASSERT_TRUE(entry.has_value());
  EXPECT_NE(entry->key().substr(0, 4), TablePrefix(old_number));
}

TEST_F(TableLifecycleTest, BadNamesAndMissingTablesGiveTheirErrors) {
  auto t = Simple("names.zph\\!present", false);
  data::RecordDeclarationBuilder b;
  b.Long("T:ID").String("T:NAME", 20);
  auto empty = Declare("", b.Build());
  Handle(*empty);
  EXPECT_EQ(empty->handle->Open(kReadWrite), err::kInvalidFilename);
  EXPECT_EQ(empty->handle->Create(), err::kInvalidFilename);
  empty->SetName("\\!table");
  empty->handle->TakeNames();
  EXPECT_EQ(empty->handle->Open(kReadWrite), err::kInvalidFilename);

  auto missing = Declare("names.zph\\!absent", b.Build());
  Handle(*missing);
  EXPECT_EQ(missing->handle->Open(kReadWrite), err::kFileNotFound);
  EXPECT_EQ(missing->handle->Remove(), err::kFileNotFound);
  auto no_file = Declare("nowhere.zph", b.Build());
  Handle(*no_file);
  EXPECT_EQ(no_file->handle->Open(kReadWrite), err::kFileNotFound);
  EXPECT_FALSE(Exists("nowhere.zph"));

  auto no_create = Declare("names.zph\\!new", b.Build(), 0);
  Handle(*no_create);
  EXPECT_EQ(no_create->handle->Create(), err::kNoCreateAttribute);
  EXPECT_EQ(no_create->handle->Open(kReadWrite), err::kFileNotFound);
}

TEST_F(TableLifecycleTest, EmptyKeepsTheTableAndItsCollation) {
  auto t = Simple("empty.zph");
  AddRecord(*t, "one");
  AddRecord(*t, "two");
  ASSERT_EQ(t->handle->Empty(), 0);
  ASSERT_EQ(t->handle->Commit(), 0);
  EXPECT_EQ(Records(*t), 0u);
  EXPECT_EQ(t->handle->Close(), 0);
  ASSERT_EQ(t->handle->Open(kReadWrite), 0);
  EXPECT_EQ(Records(*t), 0u);
  std::optional<StoreEntry> collation;
  ASSERT_TRUE(
      t->handle->file().Find(CollationBlockKey(t->handle->table_number()), &collation).ok());
  EXPECT_TRUE(collation.has_value());
}

TEST_F(TableLifecycleTest, LimitsAreRefused) {
  data::RecordDeclarationBuilder wide;
  wide.String("W:TEXT", 15001);
  auto too_long = Declare("limits.zph", wide.Build());
  std::unique_ptr<TableHandle> handle;
  EXPECT_EQ(TableHandle::Make(too_long->fcb, platform_, {&files_}, &handle),
            err::kInvalidRecordDeclaration);
  EXPECT_EQ(handle, nullptr);

  data::RecordDeclarationBuilder b;
  b.Long("L:ID").String("L:NAME", 10).Field(data::FieldType::kMemo, "L:BAD", 4);
  auto bad_type = Declare("limits.zph", b.Build());
  Handle(*bad_type);
  EXPECT_EQ(bad_type->handle->Create(), err::kInvalidRecordDeclaration);

  data::RecordDeclarationBuilder keyed;
  keyed.Long("K:ID").Field(data::FieldType::kLong, "K:ARR", 4, {3});
  auto array_key = Declare("limits.zph", keyed.Build());
  array_key->fcb.AddKey("K:BYARR", 0, {2});
  Handle(*array_key);
  EXPECT_EQ(array_key->handle->Create(), err::kInvalidRecordDeclaration);

  data::RecordDeclarationBuilder memo;
  memo.Long("M:ID");
  auto big_memo = Declare("limits.zph", memo.Build());
  big_memo->fcb.AddMemo("M:TEXT", 64001);
  Handle(*big_memo);
  EXPECT_EQ(big_memo->handle->Create(), err::kInvalidRecordDeclaration);

  auto nested = [](int depth) {
    data::RecordDeclarationBuilder deep;
    for (int i = 0; i < depth; ++i) deep.BeginGroup("D:G" + std::to_string(i));
    return deep.Long("D:IN").Build();
  };
  auto too_deep = Declare("limits.zph", nested(101));
  Handle(*too_deep);
  EXPECT_EQ(too_deep->handle->Create(), err::kInvalidRecordDeclaration);
  EXPECT_FALSE(Exists("limits.zph"));
  auto deepest = Declare("limits.zph", nested(100));
  Handle(*deepest);
  EXPECT_EQ(deepest->handle->Create(), 0);
}

}  // namespace
}  // namespace vaultara::store
