#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "data/decimal_conversions.h"
#include "data/error_state.h"
#include "data/expression_analysis.h"
#include "data/expression_compiler.h"
#include "data/record_declaration.h"

namespace vaultara::data {
namespace {

// A product record and a type record joined to it, bound by their labels.
class ExpressionOverRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordDeclarationBuilder products;
    products.Long("PRO:ID").String("PRO:NAME", 20).Long("PRO:TYPSYSID");
    products.Decimal("PRO:PRICE", 7, 2).Field(FieldType::kShort, "PRO:SCORES", 2, {3});
    products.CString("PRO:NOTE", 8).Date("PRO:WHEN");
    product = products.Build();
    RecordDeclarationBuilder types;
    types.Long("TYP:SYSID").String("TYP:NAME", 10);
    type = types.Build();
    product_record.assign(product.record_length, '\0');
    type_record.assign(type.record_length, '\0');
    scopes.BindRecord(product, product_record.data(), &product);
    scopes.BindRecord(type, type_record.data(), &type);
  }

  template <typename T>
  void Set(std::vector<char>& record, const RecordDeclaration& d, const char* label, T value,
           uint32_t element = 0) {
    const FieldDescriptor& f = d.fields[d.Find(label)];
    std::memcpy(record.data() + f.offset + element * sizeof(T), &value, sizeof value);
  }
  void SetText(std::vector<char>& record, const RecordDeclaration& d, const char* label,
               const char* text, char pad = ' ') {
    const FieldDescriptor& f = d.fields[d.Find(label)];
    std::memset(record.data() + f.offset, pad, f.size);
    std::memcpy(record.data() + f.offset, text, std::strlen(text));
  }
  void SetProduct(int32_t id, const char* name, int32_t type_id) {
    Set(product_record, product, "PRO:ID", id);
    SetText(product_record, product, "PRO:NAME", name);
    Set(product_record, product, "PRO:TYPSYSID", type_id);
  }
  int LevelOf(const void* table) const { return table == &type ? 1 : 0; }

  RecordDeclaration product, type;
  std::vector<char> product_record, type_record;
  ScopeStack scopes;
};

TEST_F(ExpressionOverRecords, FilterCompiledOnceAcceptsExactlyTheMatchingRecords) {
  std::unique_ptr<Expression> filter =
      CompileExpression("UPPER(SUB(PRO:NAME,1,3))='ABC' AND PRO:TYPSYSID=4", scopes);
  ASSERT_TRUE(filter);
  struct Row {
    const char* name;
    int32_t type_id;
    bool accepted;
  };
  const Row rows[] = {
      {"abcdef", 4, true},  {"ABC", 4, true}, {"Abx", 4, false},
      {"abcdef", 5, false}, {"ab", 4, false}, {"", 4, false},
  };
  for (const Row& row : rows) {
    SetProduct(1, row.name, row.type_id);
    EXPECT_EQ(filter->Truth(), row.accepted) << row.name << " " << row.type_id;
  }
}

TEST_F(ExpressionOverRecords, FieldTypesReadAsTheirClasses) {
  SetProduct(12, "Widget", 3);
  StoreDecimal(DecimalFromText("-12.34"),
               reinterpret_cast<uint8_t*>(product_record.data()) +
                   product.fields[product.Find("PRO:PRICE")].offset,
               4, 2);
  Set<int16_t>(product_record, product, "PRO:SCORES", 7, 1);
  SetText(product_record, product, "PRO:NOTE", "note", '\0');
  Set<int32_t>(product_record, product, "PRO:WHEN", 4);
  const std::pair<const char*, const char*> cases[] = {
      {"PRO:ID + 1", "13"},
      {"PRO:PRICE * 2", "-24.68"},
      {"PRO:SCORES[2] & PRO:SCORES[1]", "70"},
      {"PRO:NOTE & '|'", "note|"},
      {"YEAR(PRO:WHEN)", "1801"},
      {"CLIP(PRO:NAME) & '|'", "Widget|"},
      {"pro:name[1:3]", "Wid"},
  };
  for (const auto& [text, value] : cases) {
    std::unique_ptr<Expression> e = CompileExpression(text, scopes);
    ASSERT_TRUE(e) << text;
    EXPECT_EQ(e->Text(), value) << text;
  }
  ClearErrors();
  std::unique_ptr<Expression> outside = CompileExpression("PRO:SCORES[4]", scopes);
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->Integer(), 0);
  EXPECT_EQ(ErrorCode(), 800);
  EXPECT_FALSE(CompileExpression("PRO:SCORES[1, 1]", scopes));
}

TEST_F(ExpressionOverRecords, NotANumberEqualsOnlyItselfAndSortsLast) {
  double real = std::numeric_limits<double>::quiet_NaN();
  ASSERT_TRUE(scopes.Bind("R", ExpressionVariable::Real(&real)));
  const std::pair<const char*, bool> cases[] = {
      {"R = 5", false}, {"R <> 5", true}, {"R = R", true}, {"R > 1e300", true}, {"R < 0", false},
  };
  for (const auto& [text, truth] : cases) {
    std::unique_ptr<Expression> e = CompileExpression(text, scopes);
    ASSERT_TRUE(e) << text;
    EXPECT_EQ(e->Truth(), truth) << text;
  }
}

TEST_F(ExpressionOverRecords, DependsOnAndPartialTruth) {
  LevelResolver level_of = [this](const void* table) { return LevelOf(table); };
  int32_t limit = 10;
  scopes.Bind("Limit", ExpressionVariable::Long(&limit));
  SetProduct(5, "abc", 4);
  Set(type_record, type, "TYP:SYSID", 4);
  struct Case {
    const char* text;
    int depends_on;
    int partial_at_0;
  };
  const Case cases[] = {
      {"PRO:ID < Limit", 0, kPartialTrue},
      {"1 = 1", 0, kPartialTrue},
      {"TYP:SYSID = 4", 1, kPartialUndecided},
      {"PRO:ID > Limit AND TYP:SYSID = 4", 1, kPartialFalse},
      {"PRO:ID < Limit AND TYP:SYSID = 4", 1, kPartialUndecided},
      {"PRO:ID < Limit OR TYP:SYSID = 4", 1, kPartialTrue},
      {"NOT (PRO:ID < Limit OR TYP:SYSID = 4)", 1, kPartialFalse},
      {"PRO:ID < Limit XOR TYP:SYSID = 4", 1, kPartialUndecided},
      {"SUB(TYP:NAME, 1, 1) = 'x'", 1, kPartialUndecided},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Expression> e = CompileExpression(c.text, scopes);
    ASSERT_TRUE(e) << c.text;
    EXPECT_EQ(DependsOn(*e, level_of), c.depends_on) << c.text;
    EXPECT_EQ(PartialTruth(*e, 0, level_of), c.partial_at_0) << c.text;
    int full = e->Truth() ? kPartialTrue : kPartialFalse;
    EXPECT_EQ(PartialTruth(*e, 1, level_of), full) << c.text;
  }
}

}  // namespace
}  // namespace vaultara::data
