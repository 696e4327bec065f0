#include "data/record_declaration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "data/compiled_declaration.h"

namespace vaultara::data {
namespace {

RecordDeclaration EveryKind() {
  RecordDeclarationBuilder b;
  b.Byte("T:B").Short("T:S").UShort("T:US").Long("T:ID").Named("SysId");
  b.ULong("T:UL").Date("T:D").Time("T:T").SReal("T:SR").Real("T:R");
  b.Decimal("T:DEC", 7, 2).PDecimal("T:PDEC", 9, 3);
  b.String("T:NAME", 60).WithPicture("@s60").CString("T:C", 20).PString("T:P", 10);
  b.BeginGroup("T:G", {2});
  b.Long("T:G1").BeginGroup("T:INNER").String("T:G2", 3).EndGroup();
  b.EndGroup();
  b.Over("T:NAME").Field(FieldType::kString, "T:FIRST", 10, {2});
  return b.Build();
}

TEST(RecordDeclaration, BuilderLaysOutFieldsGroupsArraysAndOverlays) {
  RecordDeclaration d = EveryKind();
  const auto& f = d.fields;
  EXPECT_EQ(f[d.Find("T:ID")].offset, 5u);
  EXPECT_EQ(d.Find("sysid"), d.Find("T:ID"));
  EXPECT_EQ(f[d.Find("T:DEC")].size, 4u);
  EXPECT_EQ(f[d.Find("T:PDEC")].size, 5u);
  const FieldDescriptor& group = f[d.Find("T:G")];
  EXPECT_EQ(group.element_size, 7u);
  EXPECT_EQ(group.size, 14u);
  EXPECT_EQ(f[d.Find("T:G2")].nesting, 2);
  const FieldDescriptor& first = f[d.Find("T:FIRST")];
  EXPECT_EQ(first.offset, f[d.Find("T:NAME")].offset);
  EXPECT_EQ(first.over, d.Find("T:NAME"));
  EXPECT_EQ(d.record_length, group.offset + group.size);
  EXPECT_EQ(d.Find("T:NOPE"), -1);
}

TEST(CompiledDeclaration, RoundTripsEveryElement) {
  RecordDeclaration d = EveryKind();
  std::string compiled = CompileDeclaration(d);
  // The record is a group header; a STRING carries its length high byte first.
  EXPECT_EQ(static_cast<uint8_t>(compiled[0]), 22);
  std::optional<RecordDeclaration> back = ReadDeclaration(compiled);
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->fields.size(), d.fields.size());
  EXPECT_EQ(back->record_length, d.record_length);
  for (size_t i = 0; i < d.fields.size(); ++i) {
    const FieldDescriptor& a = d.fields[i];
    const FieldDescriptor& b = back->fields[i];
    EXPECT_EQ(a.type, b.type) << a.label;
    EXPECT_EQ(a.label, b.label);
    EXPECT_EQ(a.external_name, b.external_name);
    EXPECT_EQ(a.offset, b.offset) << a.label;
    EXPECT_EQ(a.size, b.size) << a.label;
    EXPECT_EQ(a.dimensions, b.dimensions);
    EXPECT_EQ(a.decimal_places, b.decimal_places);
    EXPECT_EQ(a.picture, b.picture);
    EXPECT_EQ(a.over, b.over);
    EXPECT_EQ(a.nesting, b.nesting);
  }
  EXPECT_EQ(CompileDeclaration(*back), compiled);
}

TEST(CompiledDeclaration, RejectsDamagedBytesWithoutCrashing) {
  std::string compiled = CompileDeclaration(EveryKind());
  for (size_t n = 0; n < compiled.size(); ++n) {
    EXPECT_FALSE(ReadDeclaration(compiled.substr(0, n)).has_value()) << n;
  }
  EXPECT_FALSE(ReadDeclaration(compiled + "x").has_value());
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = compiled;
    for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
    ReadDeclaration(bytes);  // anything but a crash
  }
  // Groups nested beyond 100 levels are refused.
  RecordDeclarationBuilder deep;
  for (int i = 0; i < 101; ++i) deep.BeginGroup("G" + std::to_string(i));
  deep.Long("X");
  EXPECT_FALSE(ReadDeclaration(CompileDeclaration(deep.Build())).has_value());
}

TEST(ClearRecord, BlanksLowestAndHighest) {
  RecordDeclaration d = RecordDeclarationBuilder()
                            .Short("S")
                            .String("N", 3)
                            .Decimal("D", 5, 2)
                            .PDecimal("P", 3, 0)
                            .Real("R")
                            .Build();
  std::vector<char> record(d.record_length, 'x');
  auto bytes = [&](const char* name) {
    const FieldDescriptor& f = d.fields[d.Find(name)];
    return std::vector<unsigned char>(record.begin() + f.offset,
                                      record.begin() + f.offset + f.size);
  };
  using V = std::vector<unsigned char>;
  ClearRecord(d, record.data(), 0);
  EXPECT_EQ(bytes("S"), (V{0, 0}));
  EXPECT_EQ(bytes("N"), (V{' ', ' ', ' '}));
  EXPECT_EQ(bytes("D"), (V{0, 0, 0}));
  EXPECT_EQ(bytes("P"), (V{0x00, 0x0F}));
  ClearRecord(d, record.data(), -1);
  EXPECT_EQ(bytes("S"), (V{0x00, 0x80}));
  EXPECT_EQ(bytes("N"), (V{0, 0, 0}));
  EXPECT_EQ(bytes("D"), (V{0xF9, 0x99, 0x99}));
  EXPECT_EQ(bytes("P"), (V{0x99, 0x9D}));
  double r = 0;
  std::memcpy(&r, record.data() + d.fields[d.Find("R")].offset, sizeof r);
  EXPECT_LT(r, -1e300);
  ClearRecord(d, record.data(), 1);
  EXPECT_EQ(bytes("S"), (V{0xFF, 0x7F}));
  EXPECT_EQ(bytes("N"), (V{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(bytes("D"), (V{0x09, 0x99, 0x99}));
  EXPECT_EQ(bytes("P"), (V{0x99, 0x9F}));
}

}  // namespace
}  // namespace vaultara::data
