#include "data/run_length.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vaultara::data {
namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> code(data.size() * 2 + 16);
  code.resize(RunLengthEncode(data.data(), data.size(), code.data(), code.size()));
  return code;
}

std::vector<uint8_t> Repeat(uint8_t b, size_t n) { return std::vector<uint8_t>(n, b); }

TEST(RunLengthTest, WritesEachCountWidth) {
  struct Case {
    std::vector<uint8_t> data;
    std::vector<uint8_t> head;  // the first bytes of the code
  } cases[] = {
      {{1, 2, 2, 2}, {0x84, 1, 2, 2, 2}},  // three equal bytes stay literal
      {Repeat(7, 4), {0x04, 7}},
      {Repeat(7, 63), {0x3F, 7}},
      {Repeat(7, 64), {0x40, 0x40, 7}},
      {Repeat(7, 8191), {0x5F, 0xFF, 7}},
      {Repeat(7, 8192), {0x7F, 0x00, 0x20, 7}},
      {Repeat(7, 65535), {0x7F, 0xFF, 0xFF, 7}},
      {Repeat(7, 65536), {0x70, 0x00, 0x00, 0x01, 0x00, 7}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> code = Encode(c.data);
    ASSERT_GE(code.size(), c.head.size()) << c.data.size();
    EXPECT_EQ(std::vector<uint8_t>(code.begin(), code.begin() + c.head.size()), c.head)
        << c.data.size();
    std::vector<uint8_t> back(c.data.size());
    EXPECT_TRUE(RunLengthDecode(code.data(), code.size(), back.data(), back.size()));
    EXPECT_EQ(back, c.data);
  }
}

TEST(RunLengthTest, RoundTripsMixedRunsAndLongLiterals) {
  std::vector<uint8_t> data;
  for (int i = 0; i < 9000; ++i) data.push_back(static_cast<uint8_t>(i * 7 + i / 13));
  data.insert(data.end(), 300, ' ');
  data.insert(data.end(), {0, 0, 0, 1, 0, 0, 0, 0});
  std::vector<uint8_t> code = Encode(data);
  std::vector<uint8_t> back(data.size());
  ASSERT_TRUE(RunLengthDecode(code.data(), code.size(), back.data(), back.size()));
  EXPECT_EQ(back, data);
}

TEST(RunLengthTest, FailsWhenTheCodeDoesNotFit) {
  std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6};
  uint8_t out[7];
  EXPECT_EQ(RunLengthEncode(data.data(), data.size(), out, 6), 0u);
  EXPECT_EQ(RunLengthEncode(data.data(), data.size(), out, 7), 7u);
}

TEST(RunLengthTest, RejectsMalformedCodes) {
  const std::vector<std::vector<uint8_t>> codes = {
      {0x85, 1, 2},  // literal shorter than its count
      {0x05},        // fill without its byte
      {0x40},        // two-byte count cut off
      {0x7F, 0x01},  // 16-bit count cut off
      {0x65, 1},     // no such count form
      {0x0A, 9},     // more than the record holds
      {0x02, 9},     // less than the record holds
  };
  for (const std::vector<uint8_t>& code : codes) {
    uint8_t out[4];
    EXPECT_FALSE(RunLengthDecode(code.data(), code.size(), out, sizeof out))
        << ::testing::PrintToString(code);
  }
}

}  // namespace
}  // namespace vaultara::data
