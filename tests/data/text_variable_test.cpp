#include "data/text_variable.h"

#include <gtest/gtest.h>

#include <string>

namespace vaultara::data {
namespace {

// Trailing blanks go, whatever runs of them the text ends in; anything else,
// inner blanks included, stays.
TEST(TrimRightTest, DropsExactlyTheTrailingBlanks) {
  const std::string blanks64(64, ' ');
  const struct {
    std::string text;
    std::string kept;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"abc", "abc"},
      {"a b  ", "a b"},
      {blanks64, ""},
      {blanks64 + " ", ""},
      {"x" + blanks64 + blanks64 + "  ", "x"},
      {"x" + std::string(63, ' ') + "y" + std::string(70, ' '), "x" + std::string(63, ' ') + "y"},
      {std::string(200, 'z'), std::string(200, 'z')},
      {"tab\t" + blanks64, "tab\t"},
      {std::string("nul\0", 4) + blanks64, std::string("nul\0", 4)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(TrimRight(c.text)), c.kept) << "\"" << c.text << "\"";
  }
}

}  // namespace
}  // namespace vaultara::data
