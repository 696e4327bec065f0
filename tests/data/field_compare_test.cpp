#include "data/field_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace vaultara::data {
namespace {

TEST(FieldCompareTest, NumbersAndDecimalsCompareByValue) {
  RecordDeclarationBuilder b;
  b.Decimal("D", 5, 2).PDecimal("P", 5, 2).SReal("R").ULong("U").Short("S");
  RecordDeclaration d = b.Build();
  struct Side {
    std::vector<uint8_t> decimal;
    std::vector<uint8_t> pdecimal;
    float real;
    uint32_t ulong;
    int16_t short_value;
  };
  auto record = [&](const Side& s) {
    std::vector<char> r(d.record_length);
    std::memcpy(r.data() + d.fields[0].offset, s.decimal.data(), 3);
    std::memcpy(r.data() + d.fields[1].offset, s.pdecimal.data(), 3);
    std::memcpy(r.data() + d.fields[2].offset, &s.real, 4);
    std::memcpy(r.data() + d.fields[3].offset, &s.ulong, 4);
    std::memcpy(r.data() + d.fields[4].offset, &s.short_value, 2);
    return r;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // -12.34 against 1.00; then -0 against 0; then NaN against a number.
  std::vector<char> low = record({{0xF0, 0x12, 0x34}, {0x01, 0x23, 0x4D}, -1.5f, 1, -2});
  std::vector<char> high = record({{0x00, 0x01, 0x00}, {0x00, 0x10, 0x0F}, 2.0f, 4000000000u, 3});
  std::vector<char> minus_zero = record({{0xF0, 0, 0}, {0, 0, 0x0D}, nan, 0, 0});
  std::vector<char> zero = record({{0, 0, 0}, {0, 0, 0x0F}, 1e30f, 0, 0});
  for (const FieldDescriptor& f : d.fields) {
    EXPECT_LT(CompareFieldValues(f, low.data(), high.data()), 0) << f.label;
    EXPECT_GT(CompareFieldValues(f, high.data(), low.data()), 0) << f.label;
  }
  EXPECT_EQ(CompareFieldValues(d.fields[0], minus_zero.data(), zero.data()), 0);
  EXPECT_EQ(CompareFieldValues(d.fields[1], minus_zero.data(), zero.data()), 0);
  // Equal decimals hash alike, whatever their sign nibble or form.
  for (int i : {0, 1}) {
    EXPECT_EQ(HashFieldValue(d.fields[i], minus_zero.data()),
              HashFieldValue(d.fields[i], zero.data()));
  }
  EXPECT_NE(HashFieldValue(d.fields[0], low.data()), HashFieldValue(d.fields[0], high.data()));
  EXPECT_GT(CompareFieldValues(d.fields[2], minus_zero.data(), zero.data()), 0);  // NaN last
  EXPECT_EQ(CompareFieldValues(d.fields[2], minus_zero.data(), minus_zero.data()), 0);
}

}  // namespace
}  // namespace vaultara::data
