#include <gtest/gtest.h>

#include "data/character_tables.h"
#include "store/entry_cursor.h"
#include "tests/store/table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;

class TableCopyTest : public TableFixture {
 protected:
  std::unique_ptr<DeclaredTable> WithMemo(const std::string& name, bool create = true) {
    data::RecordDeclarationBuilder b;
    b.Long("C:ID").String("C:NAME", 20);
    auto t = Declare(name, b.Build());
    t->fcb.AddKey("C:K_NAME", data::key_flag::kDup, {2});
    t->fcb.AddMemo("C:NOTES", 600);
    Handle(*t);
    if (create) {
      EXPECT_EQ(t->handle->Create(), 0);
    }
    return t;
  }

  // Fills a table with three records whose memos differ, and returns their
  // names and memos in record order.
  std::vector<std::pair<std::string, std::string>> Fill(DeclaredTable& t) {
    std::vector<std::pair<std::string, std::string>> rows;
    EXPECT_EQ(t.handle->Open(kReadWrite), 0);
    for (int i = 0; i < 3; ++i) {
      const std::string name = "row " + std::to_string(i);
      const std::string memo = std::string(100 + 200 * i, static_cast<char>('a' + i));
      t.Put(4, name);
      t.SetMemo(0, memo);
      EXPECT_EQ(t.handle->Add(), 0);
      rows.emplace_back(name, memo);
    }
    // A key entry in the duplicates form, as the key layer writes one.
    EXPECT_TRUE(t.handle->file()
                    .Insert(StoreEntry(TablePrefix(t.handle->table_number()) + '\0' +
                                           std::string("row 0") + BigEndian(t.handle->current()),
                                       ""))
                    .ok());
    EXPECT_EQ(t.handle->Commit(), 0);
    EXPECT_EQ(t.handle->Close(), 0);
    return rows;
  }

  // The names and memos of a table, in record order, and its record numbers.
  std::vector<std::pair<std::string, std::string>> Rows(DeclaredTable& t,
                                                        std::vector<Identifier>* numbers) {
    std::vector<std::pair<std::string, std::string>> rows;
    EXPECT_EQ(t.handle->Open(kReadWrite), 0);
    const std::string prefix =
        TablePrefix(t.handle->table_number()) + char(entry_kind::kDataRecord);
    EntryCursor cursor(t.handle->file());
    EXPECT_TRUE(cursor.Seek(prefix).ok());
    while (cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix) {
      const StoreEntry entry = cursor.entry();
      EXPECT_EQ(t.handle->FetchEntry(entry), 0);
      numbers->push_back(t.handle->current());
      std::string memo(t.memo(0).data(), t.memo(0).size());
      memo.erase(memo.find_last_not_of(' ') + 1);
      rows.emplace_back(std::string(data::TrimRight(t.Text(4, 20))), memo);
      EXPECT_TRUE(cursor.Next().ok());
    }
    EXPECT_EQ(Records(t), rows.size());
    return rows;
  }
};

TEST_F(TableCopyTest, CopyAndRenameBetweenFilesRenumberAndKeepEveryMemo) {
  auto target_other = Simple("target.zph\\!other");  // the target file has entries already
  AddRecord(*target_other, "occupies numbers");
  ASSERT_EQ(target_other->handle->Close(), 0);

  auto source = WithMemo("source.zph\\!items");
  const auto rows = Fill(*source);
  std::vector<Identifier> source_numbers;
  ASSERT_EQ(Rows(*source, &source_numbers), rows);
  const Identifier source_table = source->handle->table_number();
  ASSERT_EQ(source->handle->Close(), 0);

  ASSERT_EQ(source->handle->Copy(PathOf("target.zph") + "\\!copied"), 0);
  auto copied = WithMemo("target.zph\\!copied", false);
  std::vector<Identifier> copied_numbers;
  EXPECT_EQ(Rows(*copied, &copied_numbers), rows);
  ASSERT_EQ(copied_numbers.size(), 3u);
  EXPECT_GT(copied_numbers[0], source_numbers[2]);
  // The duplicates-form key entry carries the new record number.
  std::optional<StoreEntry> key;
  ASSERT_TRUE(copied->handle->file()
                  .Find(TablePrefix(copied->handle->table_number()) + '\0' + "row 0" +
                            BigEndian(copied_numbers[2]),
                        &key)
                  .ok());
  EXPECT_TRUE(key.has_value());
  // The counter was raised past every copied number: new records follow.
  copied->Put(4, "after copy");
  ASSERT_EQ(copied->handle->Add(), 0);
  EXPECT_GT(copied->handle->current(), copied_numbers[2]);
  ASSERT_EQ(copied->handle->Commit(), 0);
  ASSERT_EQ(copied->handle->Close(), 0);

  ASSERT_EQ(source->handle->Rename(PathOf("target.zph") + "\\!moved"), 0);
  EXPECT_EQ(source->handle->Open(kReadWrite), err::kFileNotFound);
  auto moved = WithMemo("target.zph\\!moved", false);
  std::vector<Identifier> moved_numbers;
  EXPECT_EQ(Rows(*moved, &moved_numbers), rows);
  EXPECT_GT(moved_numbers[0], copied_numbers[2]);
  ASSERT_EQ(moved->handle->Close(), 0);
  // The source file keeps no entry of the moved table.
  auto probe = WithMemo("source.zph\\!probe");
  ASSERT_EQ(probe->handle->Open(kReadWrite), 0);
  std::optional<StoreEntry> after;
  ASSERT_TRUE(probe->handle->file().Successor(TablePrefix(source_table), &after).ok());
  ASSERT_TRUE(after.has_value());
  EXPECT_NE(after->key().substr(0, 4), TablePrefix(source_table));
}

TEST_F(TableCopyTest, RenameOntoAnExistingTableFailsAndCopyReplacesIt) {
  auto source = WithMemo("a.zph\\!src");
  const auto rows = Fill(*source);
  auto existing = Simple("b.zph\\!dst");
  AddRecord(*existing, "will go");
  AddRecord(*existing, "will go too");
  ASSERT_EQ(existing->handle->Close(), 0);

  EXPECT_EQ(source->handle->Rename(PathOf("b.zph") + "\\!dst"), err::kAccessDenied);
  std::vector<Identifier> numbers;
  EXPECT_EQ(Rows(*source, &numbers), rows);  // the source is untouched
  ASSERT_EQ(source->handle->Close(), 0);

  ASSERT_EQ(source->handle->Copy(PathOf("b.zph") + "\\!dst"), 0);
  auto replaced = WithMemo("b.zph\\!dst", false);
  numbers.clear();
  EXPECT_EQ(Rows(*replaced, &numbers), rows);
  ASSERT_EQ(replaced->handle->Close(), 0);

  // Within one file a rename keeps the table number; onto itself a copy
  // changes nothing.
  ASSERT_EQ(source->handle->Open(kReadWrite), 0);
  const Identifier number = source->handle->table_number();
  ASSERT_EQ(source->handle->Copy(PathOf("a.zph") + "\\!SRC"), 0);
  ASSERT_EQ(source->handle->Rename(PathOf("a.zph") + "\\!renamed"), 0);
  auto renamed = WithMemo("a.zph\\!renamed", false);
  numbers.clear();
  EXPECT_EQ(Rows(*renamed, &numbers), rows);
  EXPECT_EQ(renamed->handle->table_number(), number);
  ASSERT_EQ(renamed->handle->Close(), 0);

  // A closed table copied to another name in its own file: both tables then
  // hold every row.
  ASSERT_EQ(renamed->handle->Copy(PathOf("a.zph") + "\\!twin"), 0);
  auto twin = WithMemo("a.zph\\!twin", false);
  numbers.clear();
  EXPECT_EQ(Rows(*twin, &numbers), rows);
  EXPECT_NE(twin->handle->table_number(), number);
}

TEST_F(TableCopyTest, PlainNamesCopyAndRenameTheWholeFile) {
  auto source = WithMemo("whole.zph");
  const auto rows = Fill(*source);
  ASSERT_EQ(platform_.MakeDirectory(PathOf("sub")), 0);
  ASSERT_EQ(source->handle->Copy(PathOf("sub")), 0);
  ASSERT_EQ(source->handle->Rename(PathOf("renamed")), 0);
  EXPECT_FALSE(Exists("whole.zph"));
  for (const char* name : {"sub/whole.zph", "renamed.zph"}) {
    auto t = WithMemo(name, false);
    std::vector<Identifier> numbers;
    EXPECT_EQ(Rows(*t, &numbers), rows) << name;
  }
}

TEST_F(TableCopyTest, ATableKeepsTheCollationItWasCreatedWith) {
  data::CharacterTables custom = data::CharacterTables::Plain();
  custom.SetCollation("zyx");
  data::CurrentCharacterTables() = custom;
  auto t = WithMemo("collate.zph");
  data::ResetCharacterTables();
  auto later = WithMemo("collate.zph\\!later");

  ASSERT_EQ(t->handle->Open(kReadWrite), 0);
  EXPECT_EQ(data::SaveLocale(t->handle->character_tables()), data::SaveLocale(custom));
  EXPECT_EQ(data::SaveLocale(data::CurrentCharacterTables()),
            data::SaveLocale(data::CharacterTables::Plain()));
  ASSERT_EQ(later->handle->Open(kReadWrite), 0);
  EXPECT_EQ(data::SaveLocale(later->handle->character_tables()),
            data::SaveLocale(data::CharacterTables::Plain()));
  // Emptying and copying keep it too.
  ASSERT_EQ(t->handle->Empty(), 0);
  ASSERT_EQ(t->handle->Commit(), 0);
  ASSERT_EQ(t->handle->Copy(PathOf("collate.zph") + "\\!copy"), 0);
  ASSERT_EQ(t->handle->Close(), 0);
  auto copy = WithMemo("collate.zph\\!copy", false);
  ASSERT_EQ(copy->handle->Open(kReadWrite), 0);
  EXPECT_EQ(data::SaveLocale(copy->handle->character_tables()), data::SaveLocale(custom));
}

}  // namespace
}  // namespace vaultara::store
