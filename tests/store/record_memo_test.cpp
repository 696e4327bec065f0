#include <gtest/gtest.h>

#include <cstring>

#include "platform/code_page.h"
#include "store/entry_cursor.h"
#include "tests/store/table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;

class RecordMemoTest : public TableFixture {
 protected:
  // A LONG, a 20-byte STRING, a 6-byte CSTRING and PSTRING, a text memo of
  // 300 and a blob; created first unless it is a second buffer of a table.
  std::unique_ptr<DeclaredTable> WithMemos(const std::string& name, uint8_t attributes = 0,
                                           bool create = true) {
    data::RecordDeclarationBuilder b;
    b.Long("M:ID").String("M:NAME", 20).CString("M:C", 6).PString("M:P", 6);
    auto t = Declare(name, b.Build(), data::attribute::kCreate | attributes);
    t->fcb.AddMemo("M:NOTES", 300);
    t->fcb.AddMemo("M:BLOB", 0, data::memo_flag::kBlob);
    Handle(*t);
    if (create) {
      EXPECT_EQ(t->handle->Create(), 0);
    }
    EXPECT_EQ(t->handle->Open(kReadWrite), 0);
    return t;
  }

  // The segments stored for memo of record: their lengths, in order.
  std::vector<size_t> Segments(DeclaredTable& t, Identifier record, uint8_t memo) {
    const std::string prefix = MemoPrefix(t.handle->table_number(), record) + char(memo);
    EntryCursor cursor(t.handle->file());
    EXPECT_TRUE(cursor.Seek(prefix).ok());
    std::vector<size_t> lengths;
    while (cursor.valid() && cursor.entry().key().substr(0, prefix.size()) == prefix) {
      lengths.push_back(cursor.entry().data().size());
      EXPECT_TRUE(cursor.Next().ok());
    }
    return lengths;
  }

  std::string StoredRecord(DeclaredTable& t, Identifier record) {
    std::optional<StoreEntry> entry;
    EXPECT_TRUE(t.handle->file().Find(DataKey(t.handle->table_number(), record), &entry).ok());
    return entry ? std::string(entry->data()) : std::string();
  }
};

TEST_F(RecordMemoTest, MemosAreCutIntoSegmentsWithoutTrailingSpaces) {
  auto t = WithMemos("memo.zph");
  t->SetMemo(0, std::string(300, 'x'));
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier full = t->handle->current();
  t->SetMemo(0, "ten chars!");
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier short_one = t->handle->current();
  t->SetMemo(0, "");
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier blank = t->handle->current();
  ASSERT_EQ(t->handle->Commit(), 0);

  EXPECT_EQ(Segments(*t, full, 0), (std::vector<size_t>{256, 44}));
  EXPECT_EQ(Segments(*t, short_one, 0), (std::vector<size_t>{10}));
  EXPECT_TRUE(Segments(*t, blank, 0).empty());
  EXPECT_TRUE(Segments(*t, full, 1).empty());  // an empty blob has none

  ASSERT_EQ(t->handle->Fetch(short_one), 0);
  EXPECT_EQ(std::string(t->memo(0).data(), 300), "ten chars!" + std::string(290, ' '));
  ASSERT_EQ(t->handle->Fetch(full), 0);
  EXPECT_EQ(std::string(t->memo(0).data(), 300), std::string(300, 'x'));

  // A shorter rewrite drops the segment no longer needed.
  t->SetMemo(0, std::string(100, 'y'));
  ASSERT_EQ(t->handle->Put(), 0);
  EXPECT_EQ(Segments(*t, full, 0), (std::vector<size_t>{100}));
  ASSERT_EQ(t->handle->Delete(), 0);
  ASSERT_EQ(t->handle->Commit(), 0);
  EXPECT_TRUE(Segments(*t, full, 0).empty());
  EXPECT_EQ(StoredRecord(*t, full), "");
  EXPECT_EQ(Records(*t), 2u);
}

TEST_F(RecordMemoTest, BlobKeepsItsLengthInFrontOfItsFirstSegment) {
  auto t = WithMemos("blob.zph");
  std::string bytes(600, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  bytes[599] = ' ';  // trailing blanks of a blob are content
  ASSERT_EQ(t->handle->BlobWrite(1, 0, bytes), 0);
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier record = t->handle->current();
  ASSERT_EQ(t->handle->Commit(), 0);
  EXPECT_EQ(Segments(*t, record, 1), (std::vector<size_t>{260, 256, 88}));
  std::optional<StoreEntry> first;
  ASSERT_TRUE(
      t->handle->file().Find(MemoKey(t->handle->table_number(), record, 1, 0), &first).ok());
  EXPECT_EQ(first->data().substr(0, 4), std::string("\x58\x02\x00\x00", 4));

  ASSERT_EQ(t->handle->SetBlobProperty(1, TableHandle::BlobProperty::kSize, "0"), 0);
  ASSERT_EQ(t->handle->Fetch(record), 0);
  std::string value;
  ASSERT_EQ(t->handle->GetBlobProperty(1, TableHandle::BlobProperty::kSize, &value), 0);
  EXPECT_EQ(value, "600");
  ASSERT_EQ(t->handle->GetBlobProperty(1, TableHandle::BlobProperty::kTouched, &value), 0);
  EXPECT_EQ(value, "0");
  std::string read;
  ASSERT_EQ(t->handle->BlobRead(1, 0, 1000, &read), 0);
  EXPECT_EQ(read, bytes);
  ASSERT_EQ(t->handle->GetBlobProperty(1, TableHandle::BlobProperty::kTouched, &value), 0);
  EXPECT_EQ(value, "1");

  const std::string replacement = "new content";
  ASSERT_EQ(
      t->handle->SetBlobProperty(1, TableHandle::BlobProperty::kHandle,
                                 std::to_string(reinterpret_cast<uintptr_t>(replacement.data())),
                                 replacement.size()),
      0);
  ASSERT_EQ(t->handle->BlobRead(1, 4, 3, &read), 0);
  EXPECT_EQ(read, "con");
  ASSERT_EQ(t->handle->SetBlobProperty(1, TableHandle::BlobProperty::kHandle, "0"), 0);
  ASSERT_EQ(t->handle->GetBlobProperty(1, TableHandle::BlobProperty::kSize, &value), 0);
  EXPECT_EQ(value, "0");
  EXPECT_EQ(t->handle->BlobRead(0, 0, 1, &read), err::kUnsupportedFunction);
}

TEST_F(RecordMemoTest, PutAndDeleteNeedACurrentRecordAndWatchCatchesChanges) {
  auto t = WithMemos("put.zph");
  EXPECT_EQ(t->handle->Put(), err::kRecordNotAvailable);
  EXPECT_EQ(t->handle->Delete(), err::kRecordNotAvailable);
  t->Put(4, "first");
  t->SetMemo(0, "memo one");
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier record = t->handle->current();
  ASSERT_EQ(t->handle->Commit(), 0);

  // A second buffer on the same table changes the record after a watched read.
  auto other = WithMemos("put.zph", 0, false);

  t->handle->RequestWatch();
  ASSERT_EQ(t->handle->Fetch(record), 0);
  ASSERT_EQ(other->handle->Fetch(record), 0);
  other->SetMemo(0, "memo changed");
  ASSERT_EQ(other->handle->Put(), 0);
  ASSERT_EQ(other->handle->Commit(), 0);
  t->Put(4, "mine");
  EXPECT_EQ(t->handle->Put(), err::kRecordChangedByAnotherStation);
  EXPECT_EQ(StoredRecord(*t, record).substr(4, 5), "first");

  // Without a watch the put goes through; after NOMEMO the memos stay.
  t->handle->RequestNoMemo();
  ASSERT_EQ(t->handle->Fetch(record), 0);
  t->SetMemo(0, "ignored");
  t->Put(4, "second");
  ASSERT_EQ(t->handle->Put(), 0);
  ASSERT_EQ(t->handle->Commit(), 0);
  ASSERT_EQ(other->handle->Fetch(record), 0);
  EXPECT_EQ(other->Text(4, 6), "second");
  EXPECT_EQ(std::string(other->memo(0).data(), 12), "memo changed");
  EXPECT_EQ(other->handle->Fetch(record + 100), err::kRecordNotFound);
}

TEST_F(RecordMemoTest, OemModeConvertsTextFieldsAndMemosOnDisk) {
  auto t = WithMemos("oem.zph", data::attribute::kOem);
  EXPECT_TRUE(t->handle->oem());
  t->Put(4, "caf\xE9");                                    // STRING: the whole field
  t->Put(24, std::string("\xE9\0\xE9\xE9\xE9\xE9", 6));    // CSTRING up to its zero
  t->Put(30, std::string("\x02\xE9\xE9\xE9\xE9\xE9", 6));  // PSTRING over its count
  t->SetMemo(0, "na\xEFve");
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier record = t->handle->current();
  ASSERT_EQ(t->handle->Commit(), 0);

  const std::string stored = StoredRecord(*t, record);
  EXPECT_EQ(stored.substr(4, 4), platform::Windows1252ToOem("caf\xE9"));
  EXPECT_EQ(stored.substr(24, 6), "\x82" + std::string(1, '\0') + std::string(4, '\xE9'));
  EXPECT_EQ(stored.substr(30, 6), "\x02\x82\x82" + std::string(3, '\xE9'));
  std::optional<StoreEntry> memo;
  ASSERT_TRUE(t->handle->file().Find(MemoKey(t->handle->table_number(), record, 0, 0), &memo).ok());
  EXPECT_EQ(memo->data(), platform::Windows1252ToOem("na\xEFve"));

  // The flag lives in the file: a declaration without it still reads OEM.
  EXPECT_EQ(t->handle->Close(), 0);
  auto plain = WithMemos("oem.zph", 0, false);
  EXPECT_TRUE(plain->handle->oem());
  ASSERT_EQ(plain->handle->Fetch(record), 0);
  EXPECT_EQ(plain->Text(4, 4), "caf\xE9");
  EXPECT_EQ(plain->Text(24, 6), t->Text(24, 6));
  EXPECT_EQ(plain->Text(30, 6), t->Text(30, 6));
  EXPECT_EQ(std::string(plain->memo(0).data(), 5), "na\xEFve");
}

// Keys that refuse the second key of every record, like a duplicate would.
class RefusingKeys : public KeyMaintenance {
 public:
  int32_t Maintain(TableHandle&, const char* old_image, const char* new_image, uint32_t record,
                   bool append) override {
    calls.push_back({old_image != nullptr, new_image != nullptr, record, append});
    return refuse ? data::err::kCreatesDuplicateKey : 0;
  }
  struct Call {
    bool old_image, new_image;
    uint32_t record;
    bool append;
  };
  std::vector<Call> calls;
  bool refuse = false;
};

TEST_F(RecordMemoTest, KeyRefusalLeavesNothingStored) {
  RefusingKeys refusing;
  keys_ = &refusing;
  auto t = WithMemos("keys.zph");
  t->SetMemo(0, "memo");
  ASSERT_EQ(t->handle->Add(), 0);
  const Identifier first = t->handle->current();
  ASSERT_EQ(t->handle->Append(), 0);
  refusing.refuse = true;
  EXPECT_EQ(t->handle->Add(), err::kCreatesDuplicateKey);
  ASSERT_EQ(t->handle->Commit(), 0);
  EXPECT_EQ(Records(*t), 2u);
  const Identifier refused = refusing.calls.back().record;
  EXPECT_EQ(StoredRecord(*t, refused), "");
  EXPECT_TRUE(Segments(*t, refused, 0).empty());

  ASSERT_EQ(t->handle->Fetch(first), 0);
  t->Put(4, "changed");
  EXPECT_EQ(t->handle->Put(), err::kCreatesDuplicateKey);
  EXPECT_NE(StoredRecord(*t, first).substr(4, 7), "changed");
  refusing.refuse = false;
  ASSERT_EQ(t->handle->Delete(), 0);
  ASSERT_EQ(refusing.calls.size(), 5u);
  EXPECT_TRUE(refusing.calls[1].append);
  EXPECT_TRUE(refusing.calls[3].old_image && refusing.calls[3].new_image);
  EXPECT_TRUE(refusing.calls[4].old_image && !refusing.calls[4].new_image);
}

}  // namespace
}  // namespace vaultara::store
