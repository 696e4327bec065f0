#include "store/declaration_stream.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/store/table_fixture.h"

namespace vaultara::store {
namespace {

namespace err = data::err;
using data::FieldType;
using DeclarationStreamTest = TableFixture;

// A declaration with every stored field type, a dimensioned group, arrays,
// overlays (one of a type stored only as an overlay), memos and a blob.
data::RecordDeclaration EveryType() {
  data::RecordDeclarationBuilder b;
  b.Byte("A:BYTE").Short("A:SHORT").UShort("A:USHORT").Date("A:DATE").Time("A:TIME");
  b.Long("A:LONG").Named("LongName").ULong("A:ULONG").SReal("A:SREAL").Real("A:REAL");
  b.Decimal("A:DEC", 7, 2).String("A:STR", 10).CString("A:CSTR", 8).PString("A:PSTR", 6);
  b.String("A:PIC", 5).WithPicture("@s5");
  b.Field(FieldType::kLong, "A:ARR", 4, {2, 3});
  b.BeginGroup("A:G", {2}).Short("A:G1").BeginGroup("A:H").String("A:H1", 3).EndGroup().EndGroup();
  b.Over("A:STR").PDecimal("A:OVERPD", 5, 1);
  b.Over("A:LONG").String("A:OVERS", 4);
  b.Over("A:REAL").BeginGroup("A:OG").Short("A:OG1").EndGroup();
  return b.Build();
}

class EveryTypeTest : public TableFixture {
 protected:
  std::unique_ptr<DeclaredTable> Make(const std::string& name,
                                      const std::function<void(DeclaredTable&)>& tweak = {}) {
    auto t = Declare(name, EveryType());
    t->fcb.AddKey("A:K_ID", data::key_flag::kPrimary, {6}, "KeyId");
    t->fcb.AddKey("A:K_NAME", data::key_flag::kDup | data::key_flag::kNoCase, {11, -2});
    t->fcb.AddKey("A:K_DYN", data::key_flag::kIndex | data::key_flag::kDup, {});
    t->fcb.AddMemo("A:NOTES", 300, 0, "Notes");
    t->fcb.AddMemo("A:RAW", 40, data::memo_flag::kBinary);
    t->fcb.AddMemo("A:BLOB", 0, data::memo_flag::kBlob);
    if (tweak) tweak(*t);
    Handle(*t);
    return t;
  }
};

TEST_F(EveryTypeTest, StreamRoundTripsByteForByte) {
  auto t = Make("every.zph");
  const TableDeclaration& d = t->handle->declaration();
  ASSERT_FALSE(d.beyond_limits);
  EXPECT_EQ(d.version, 2);
  const std::string stream = DeclarationWriter::Write(d);
  const TableDeclaration back = DeclarationReader::Read(stream);
  EXPECT_EQ(DeclarationWriter::Write(back), stream);
  EXPECT_TRUE(Matches(back, d));

  // Overlays: declared OVER, and every member of a group declared over.
  std::vector<uint16_t> overlays;
  for (const StoredField& f : d.fields) overlays.push_back(f.overlay);
  const size_t n = d.fields.size();
  ASSERT_EQ(n, 23u);
  EXPECT_EQ(std::vector<uint16_t>(overlays.begin(), overlays.end() - 4),
            std::vector<uint16_t>(n - 4, 0));
  // A:OVERPD and A:OVERS are declared over, A:OG1 lies in A:OG, declared over.
  EXPECT_EQ(std::vector<uint16_t>(overlays.end() - 4, overlays.end()), std::vector<uint16_t>(4, 1));

  // Through the file: created, then read back from its declaration blocks.
  ASSERT_EQ(t->handle->Create(), 0);
  ASSERT_EQ(t->handle->Open(kReadWrite), 0);
  std::string stored;
  ASSERT_TRUE(ReadDeclarationBlocks(t->handle->file(), t->handle->table_number(), &stored).ok());
  EXPECT_EQ(stored, stream);
}

TEST_F(DeclarationStreamTest, LayoutOfASmallDeclaration) {
  data::RecordDeclarationBuilder b;
  b.Long("S:ID").String("S:NAME", 3).WithPicture("@s3").Decimal("S:SUM", 5, 2);
  auto t = Declare("small.zph", b.Build());
  t->fcb.AddKey("S:K", data::key_flag::kDup | data::key_flag::kPrimary, {-1});
  t->fcb.AddMemo("S:M", 10);
  Handle(*t);
  static const char kBytes[] =
      "\x01\x00"  // version
      "\x0A\x00"  // record length 4 + 3 + 3
      "\x03\x00\x01\x00\x01\x00"
      // S:ID
      "\x06\x00\x00S:ID\x00\x01\x00\x04\x00\x00\x00\x00\x00"
      // S:NAME: element length 3, picture
      "\x12\x04\x00S:NAME\x00\x01\x00\x03\x00\x00\x00\x01\x00"
      "\x03\x00@s3\x00"
      // S:SUM: places 2, 3 bytes
      "\x0A\x07\x00S:SUM\x00\x01\x00\x03\x00\x00\x00\x02\x00"
      "\x02\x03"
      // memo: absent external name, label, size, flags
      "\x00\x01S:M\x00\x0A\x00\x00\x00"
      // key: absent name, label, flags, 1 component
      "\x00\x01S:K\x00\x11\x01\x00\x00\x00\x01\x00";
  const std::string expected(kBytes, sizeof kBytes - 1);
  EXPECT_EQ(DeclarationWriter::Write(t->handle->declaration()), expected);
}

TEST_F(EveryTypeTest, AnyComparedDifferenceFailsTheOpenWith47) {
  auto created = Make("cmp.zph");
  ASSERT_EQ(created->handle->Create(), 0);
  struct Case {
    const char* what;
    std::function<void(DeclaredTable&)> tweak;
    int32_t expected;
  } cases[] = {
      {"same", {}, 0},
      {"primary flag", [](DeclaredTable& t) { t.fcb.keys[0]->flags = 0; }, 0},
      {"memo flags", [](DeclaredTable& t) { t.fcb.memos[1]->flags = 0; }, 0},
      {"blob size", [](DeclaredTable& t) { t.fcb.memos[2]->size = 999; }, 0},
      {"field name", [](DeclaredTable& t) { t.declaration.fields[5].external_name = "Other"; },
       err::kInvalidRecordDeclaration},
      {"field type", [](DeclaredTable& t) { t.declaration.fields[6].type = FieldType::kLong; },
       err::kInvalidRecordDeclaration},
      {"picture", [](DeclaredTable& t) { t.declaration.fields[13].picture = "@s6"; },
       err::kInvalidRecordDeclaration},
      {"places", [](DeclaredTable& t) { t.declaration.fields[9].decimal_places = 3; },
       err::kInvalidRecordDeclaration},
      {"memo size", [](DeclaredTable& t) { t.fcb.memos[0]->size = 301; },
       err::kInvalidRecordDeclaration},
      {"memo label", [](DeclaredTable& t) { t.fcb.memos[1]->label = "A:OTHER"; },
       err::kInvalidRecordDeclaration},
      {"key flags", [](DeclaredTable& t) { t.fcb.keys[1]->flags &= ~data::key_flag::kNoCase; },
       err::kInvalidRecordDeclaration},
      {"key component", [](DeclaredTable& t) { t.fcb.keys[1]->components[1] = 2; },
       err::kInvalidRecordDeclaration},
      {"key count", [](DeclaredTable& t) { t.fcb.keys.pop_back(); },
       err::kInvalidRecordDeclaration},
      {"extra memo", [](DeclaredTable& t) { t.fcb.AddMemo("A:MORE", 10); },
       err::kInvalidRecordDeclaration},
  };
  for (const Case& c : cases) {
    auto t = Make("cmp.zph", c.tweak);
    EXPECT_EQ(t->handle->Open(kReadWrite), c.expected) << c.what;
    EXPECT_EQ(t->handle->is_open(), c.expected == 0) << c.what;
  }
}

TEST_F(EveryTypeTest, NoFieldsAndNoMemosOpensWithTheStoredDeclaration) {
  auto created = Make("dyn.zph");
  ASSERT_EQ(created->handle->Create(), 0);
  ASSERT_EQ(created->handle->Open(kReadWrite), 0);
  created->Put(created->declaration.fields[10].offset, "dynamic   ");
  created->SetMemo(0, "a note");
  ASSERT_EQ(created->handle->Add(), 0);
  ASSERT_EQ(created->handle->Commit(), 0);
  const Identifier record = created->handle->current();
  const std::string image(created->record.data(), created->record.size());

  auto dynamic = Declare("dyn.zph", data::RecordDeclaration{});
  Handle(*dynamic);
  ASSERT_EQ(dynamic->handle->Open(kReadWrite), 0);
  const TableDeclaration& d = dynamic->handle->declaration();
  EXPECT_EQ(DeclarationWriter::Write(d), DeclarationWriter::Write(created->handle->declaration()));
  ASSERT_EQ(dynamic->handle->Fetch(record), 0);
  EXPECT_EQ(std::string(dynamic->handle->record(), dynamic->handle->record_length()), image);
  ASSERT_EQ(dynamic->handle->memos().size(), 3u);
  EXPECT_EQ(std::string(dynamic->handle->memos()[0].buffer->data(), 6), "a note");
  EXPECT_EQ(dynamic->handle->memos()[0].buffer->size(), 300u);
}

TEST_F(DeclarationStreamTest, LongStreamsSpanSeveralBlocks) {
  data::RecordDeclarationBuilder b;
  for (int i = 0; i < 60; ++i) b.Long("LONGFIELDNAME:" + std::to_string(i));
  auto t = Declare("blocks.zph", b.Build());
  Handle(*t);
  ASSERT_EQ(t->handle->Create(), 0);
  ASSERT_EQ(t->handle->Open(kReadWrite), 0);
  const std::string stream = DeclarationWriter::Write(t->handle->declaration());
  ASSERT_GT(stream.size(), 2 * entry_kind::kDeclarationBlockSize);
  std::optional<StoreEntry> block;
  ASSERT_TRUE(t->handle->file().Find(DeclarationKey(t->handle->table_number(), 2), &block).ok());
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->data(), std::string_view(stream).substr(1024, 512));
  EXPECT_EQ(t->handle->Close(), 0);
  EXPECT_EQ(t->handle->Open(kReadWrite), 0);
}

}  // namespace
}  // namespace vaultara::store
