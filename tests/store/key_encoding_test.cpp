#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/character_tables.h"
#include "data/file_control_block.h"
#include "data/record_declaration.h"
#include "store/key_component.h"
#include "store/key_descriptor.h"
#include "store/table_declaration.h"

namespace vaultara::store {
namespace {

using data::FieldDescriptor;
using data::RecordDeclaration;

RecordDeclaration EveryType() {
  data::RecordDeclarationBuilder b;
  b.Byte("T:BYTE").Short("T:SHORT").UShort("T:USHORT").Long("T:LONG").ULong("T:ULONG");
  b.Date("T:DATE").Time("T:TIME").SReal("T:SREAL").Real("T:REAL").Decimal("T:DECIMAL", 5, 2);
  b.String("T:STRING", 6).CString("T:CSTRING", 6).PString("T:PSTRING", 6);
  b.BeginGroup("T:GROUP").String("T:G1", 2).Byte("T:G2").EndGroup();
  return b.Build();
}

KeyField KeyFieldOf(const FieldDescriptor& field) {
  return KeyField{field.type, field.offset, field.size};
}

template <typename T>
std::string Raw(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

class KeyEncodingTest : public ::testing::Test {
 protected:
  const FieldDescriptor& Field(const std::string& name) const {
    return declaration_.fields[static_cast<size_t>(declaration_.Find(name))];
  }
  // The key bytes of one field holding raw (the rest of the field zero).
  std::string Encode(const std::string& name, const std::string& raw, bool descending = false,
                     KeyCollation collation = {}) const {
    std::vector<char> record(declaration_.record_length, '\0');
    const FieldDescriptor& field = Field(name);
    std::memcpy(record.data() + field.offset, raw.data(), std::min<size_t>(raw.size(), field.size));
    std::string out;
    EncodeComponent(KeyFieldOf(field), descending, record.data(), collation, &out);
    EXPECT_EQ(out.size(), field.size);
    return out;
  }

  RecordDeclaration declaration_ = EveryType();
};

struct OrderCase {
  const char* field;
  std::vector<std::string> ascending;  // raw field values in their order
};

TEST_F(KeyEncodingTest, EveryTypeSortsInItsOrderAndInReverseWhenDescending) {
  const std::vector<OrderCase> cases = {
      {"T:BYTE", {Raw<uint8_t>(0), Raw<uint8_t>(1), Raw<uint8_t>(255)}},
      {"T:SHORT",
       {Raw<int16_t>(-32768), Raw<int16_t>(-1), Raw<int16_t>(0), Raw<int16_t>(1),
        Raw<int16_t>(32767)}},
      {"T:USHORT",
       {Raw<uint16_t>(0), Raw<uint16_t>(255), Raw<uint16_t>(256), Raw<uint16_t>(65535)}},
      {"T:LONG",
       {Raw<int32_t>(INT32_MIN), Raw<int32_t>(-256), Raw<int32_t>(-1), Raw<int32_t>(0),
        Raw<int32_t>(1), Raw<int32_t>(256), Raw<int32_t>(INT32_MAX)}},
      {"T:ULONG",
       {Raw<uint32_t>(0), Raw<uint32_t>(1), Raw<uint32_t>(65536), Raw<uint32_t>(UINT32_MAX)}},
      // Day 4 is 1 January 1801; times count hundredths of a second plus one.
      {"T:DATE", {Raw<int32_t>(4), Raw<int32_t>(36160), Raw<int32_t>(80000), Raw<int32_t>(80001)}},
      {"T:TIME", {Raw<int32_t>(1), Raw<int32_t>(100), Raw<int32_t>(360001), Raw<int32_t>(8640000)}},
      {"T:SREAL",
       {Raw<float>(-1e30f), Raw<float>(-2.5f), Raw<float>(-1.0f), Raw<float>(0.0f),
        Raw<float>(1e-30f), Raw<float>(3.0f)}},
      {"T:REAL",
       {Raw<double>(-1e300), Raw<double>(-2.5), Raw<double>(-1.0), Raw<double>(-1e-300),
        Raw<double>(0.0), Raw<double>(3.0), Raw<double>(1e300)}},
      // DECIMAL(5,2): sign nibble, then packed digits.
      {"T:DECIMAL",
       {"\xF0\x99\x99", "\xF0\x12\x34", "\xF0\x01\x00", std::string("\x00\x00\x00", 3),
        std::string("\x00\x00\x01", 3), std::string("\x00\x12\x34", 3),
        std::string("\x09\x99\x99", 3)}},
      {"T:STRING", {"      ", "A     ", "AB    ", "B     ", "a     "}},
      {"T:CSTRING", {std::string(1, '\0'), std::string("a\0", 2), "ab", "abc", "b"}},
      {"T:PSTRING",
       {std::string("\0", 1),
        std::string("\x01"
                    "a",
                    2),
        std::string("\x02"
                    "ab",
                    3),
        std::string("\x01"
                    "b",
                    2)}},
      {"T:GROUP", {"AA\x01", "AA\x02", "AB\x00"}},
  };
  for (const OrderCase& c : cases) {
    for (size_t i = 1; i < c.ascending.size(); ++i) {
      const std::string& lower = c.ascending[i - 1];
      const std::string& higher = c.ascending[i];
      EXPECT_LT(Encode(c.field, lower), Encode(c.field, higher)) << c.field << " #" << i;
      EXPECT_GT(Encode(c.field, lower, true), Encode(c.field, higher, true))
          << c.field << " #" << i;
    }
  }
}

TEST_F(KeyEncodingTest, LongAndRealBytesAreBigEndianWithTheSignHandled) {
  EXPECT_EQ(Encode("T:LONG", Raw<int32_t>(1)), std::string("\x80\x00\x00\x01", 4));
  EXPECT_EQ(Encode("T:LONG", Raw<int32_t>(-1)), "\x7F\xFF\xFF\xFF");
  EXPECT_EQ(Encode("T:LONG", Raw<int32_t>(-1), true), std::string("\x80\x00\x00\x00", 4));
  EXPECT_EQ(Encode("T:DATE", Raw<int32_t>(0x01020304)), "\x01\x02\x03\x04");
  // A negative real is inverted; descending inverts it back.
  EXPECT_EQ(Encode("T:REAL", Raw<double>(-2.5), true), Encode("T:REAL", Raw<double>(2.5)));
  EXPECT_EQ(Encode("T:DECIMAL", "\xF0\x12\x34", true), std::string("\x80\x12\x34", 3));
}

TEST_F(KeyEncodingTest, TextsIgnoreWhatFollowsTheirEnd) {
  // A CSTRING ends at its zero byte, a PSTRING after its count.
  EXPECT_EQ(Encode("T:CSTRING", std::string("ab\0xyz", 6)),
            Encode("T:CSTRING", std::string("ab\0qrs", 6)));
  EXPECT_EQ(Encode("T:CSTRING", std::string("ab\0xyz", 6)), std::string("ab\0\0\0\0", 6));
  EXPECT_EQ(Encode("T:PSTRING", std::string("\x02"
                                            "abxyz",
                                            6)),
            Encode("T:PSTRING", std::string("\x02"
                                            "abqrs",
                                            6)));
  // A count beyond the field reads no further than the field.
  EXPECT_EQ(Encode("T:PSTRING", std::string("\xFF"
                                            "abcde",
                                            6)),
            std::string("abcde\0", 6));
}

TEST_F(KeyEncodingTest, CaseFoldingAndCollationComeFromTheTablesGiven) {
  KeyCollation no_case;
  no_case.no_case = true;
  EXPECT_EQ(Encode("T:STRING", "ABC   ", false, no_case),
            Encode("T:STRING", "abc   ", false, no_case));
  EXPECT_NE(Encode("T:STRING", "ABC   "), Encode("T:STRING", "abc   "));

  // "Æ" sorts as the two letters "AE" once the tables say so, which puts it
  // before "AF"; without the digraph its code puts it after every letter.
  data::CharacterTables tables = data::CharacterTables::Plain();
  tables.SetDigraphs(
      {"\xC6"
       "AE"});
  const data::CharacterTables loaded = data::LoadLocale(data::SaveLocale(tables));
  KeyCollation digraph{&loaded, false, false};
  EXPECT_GT(Encode("T:STRING", "\xC6Z    "), Encode("T:STRING", "AF    "));
  EXPECT_LT(Encode("T:STRING", "\xC6Z    ", false, digraph),
            Encode("T:STRING", "AF    ", false, digraph));
  // The expansion stays within the component's length.
  EXPECT_EQ(Encode("T:STRING", "ABCDE\xC6", false, digraph), "ABCDEA");

  // A collation order changes the order of plain letters.
  data::CharacterTables reversed = data::CharacterTables::Plain();
  reversed.SetCollation("ZYXBA");
  KeyCollation order{&reversed, false, false};
  EXPECT_GT(Encode("T:STRING", "A     ", false, order), Encode("T:STRING", "B     ", false, order));
}

TEST_F(KeyEncodingTest, BlankValuesByType) {
  struct Case {
    const char* field;
    std::string raw;
    bool blank;
  };
  const std::vector<Case> cases = {
      {"T:LONG", Raw<int32_t>(0), true},           {"T:LONG", Raw<int32_t>(1), false},
      {"T:REAL", Raw<double>(0.0), true},          {"T:STRING", "      ", true},
      {"T:STRING", std::string(6, '\0'), false},   {"T:STRING", "    x ", false},
      {"T:CSTRING", std::string("\0x", 2), true},  {"T:CSTRING", " ", false},
      {"T:PSTRING", std::string("\0ab", 3), true}, {"T:GROUP", "   ", true},
  };
  for (const Case& c : cases) {
    std::vector<char> record(declaration_.record_length, '\0');
    const FieldDescriptor& field = Field(c.field);
    std::memcpy(record.data() + field.offset, c.raw.data(), c.raw.size());
    if (field.type == data::FieldType::kString || field.type == data::FieldType::kGroup) {
      std::memcpy(record.data() + field.offset, c.raw.data(), field.size);
    }
    EXPECT_EQ(IsBlankComponent(KeyFieldOf(field), record.data()), c.blank)
        << c.field << " '" << c.raw << "'";
  }
}

TEST_F(KeyEncodingTest, AKeyConcatenatesItsComponentsAndRefusesArraysAndUnknownFields) {
  data::FileControlBlock file;
  file.declaration = &declaration_;
  file.record_length = declaration_.record_length;
  file.AddKey("T:K", data::key_flag::kOpt,
              {declaration_.Find("T:LONG") + 1, -(declaration_.Find("T:STRING") + 1)});
  const TableDeclaration table = TableDeclaration::FromControlBlock(file);
  KeyDescriptor descriptor;
  ASSERT_TRUE(KeyDescriptor::Resolve(table, 0, &descriptor));
  EXPECT_EQ(descriptor.value_length, 10u);
  EXPECT_TRUE(descriptor.optional());
  EXPECT_TRUE(descriptor.parts[1].descending);
  std::vector<char> record(declaration_.record_length, '\0');
  std::memset(record.data() + Field("T:STRING").offset, ' ', 6);
  EXPECT_TRUE(descriptor.Excludes(record.data()));
  record[Field("T:LONG").offset] = 7;
  EXPECT_FALSE(descriptor.Excludes(record.data()));
  const std::string value = descriptor.Value(record.data(), {});
  EXPECT_EQ(value.substr(0, 4), std::string("\x80\x00\x00\x07", 4));
  EXPECT_EQ(value.substr(4), std::string(6, '\xDF'));  // each space inverted

  data::RecordDeclarationBuilder b;
  b.Field(data::FieldType::kLong, "A:LIST", 4, {3});
  data::RecordDeclaration arrays = b.Build();
  data::FileControlBlock array_file;
  array_file.declaration = &arrays;
  array_file.record_length = arrays.record_length;
  array_file.AddKey("A:K", 0, {1});
  EXPECT_FALSE(
      KeyDescriptor::Resolve(TableDeclaration::FromControlBlock(array_file), 0, &descriptor));
  TableDeclaration unknown = table;
  unknown.keys[0].components.push_back(StoredComponent{99, 0});
  EXPECT_FALSE(KeyDescriptor::Resolve(unknown, 0, &descriptor));
}

}  // namespace
}  // namespace vaultara::store
