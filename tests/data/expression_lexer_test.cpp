#include "data/expression_lexer.h"

#include <gtest/gtest.h>

namespace vaultara::data {
namespace {

TEST(ExpressionLexer, Numbers) {
  struct Case {
    const char* text;
    TokenKind kind;
    double value;
  };
  const Case cases[] = {
      {"1Fh", TokenKind::kInteger, 31},
      {"17o", TokenKind::kInteger, 15},
      {"101b", TokenKind::kInteger, 5},
      {"0ffh", TokenKind::kInteger, 255},
      {"1Gh", TokenKind::kInvalid, 0},
      {"102b", TokenKind::kInvalid, 0},
      {"18o", TokenKind::kInvalid, 0},
      {"12x", TokenKind::kInvalid, 0},
      {"2147483647", TokenKind::kInteger, 2147483647.0},
      {"2147483648", TokenKind::kReal, 2147483648.0},
      {"1111111111111111111111111111111b", TokenKind::kInteger, 2147483647.0},    // 31 digits
      {"10000000000000000000000000000000b", TokenKind::kReal, 4294967296.0 / 2},  // 32 digits
      {"37777777777o", TokenKind::kInteger, 4294967295.0},
      {"40000000000o", TokenKind::kReal, 4294967296.0},
      {"123456789o", TokenKind::kInvalid, 0},
      {"9FFFFFFFh", TokenKind::kInteger, 2684354559.0},
      {"0FFFFFFFFh", TokenKind::kReal, 4294967295.0},
      {"1.5", TokenKind::kReal, 1.5},
      {".25", TokenKind::kReal, 0.25},
      {"5.", TokenKind::kReal, 5},
      {"1e3", TokenKind::kReal, 1000},
      {"2.5E-2", TokenKind::kReal, 0.025},
      {"1e-500", TokenKind::kReal, 0},
      {"1e500", TokenKind::kInvalid, 0},
      {".", TokenKind::kInvalid, 0},
  };
  for (const Case& c : cases) {
    Token t = ScanToken(c.text, 0);
    EXPECT_EQ(t.kind, c.kind) << c.text;
    if (t.kind == TokenKind::kInteger) {
      EXPECT_EQ(t.integer, static_cast<int64_t>(c.value)) << c.text;
    } else if (t.kind == TokenKind::kReal) {
      EXPECT_DOUBLE_EQ(t.real, c.value) << c.text;
    }
  }
}

TEST(ExpressionLexer, TextsNamesAndPictures) {
  Token quoted = ScanToken("  'it''s' rest", 0);
  EXPECT_EQ(quoted.kind, TokenKind::kString);
  EXPECT_EQ(quoted.text, "it's");
  EXPECT_EQ(quoted.start, 2u);
  EXPECT_EQ(quoted.end, 9u);
  EXPECT_EQ(ScanToken("'''", 0).kind, TokenKind::kInvalid);

  const std::pair<const char*, const char*> names[] = {
      {"PRO:NAME+1", "PRO:NAME"}, {"Count#=1", "Count#"}, {"Name$$", "Name$"},
      {"?Field x", "?Field"},     {"_a1 ", "_a1"},
  };
  for (const auto& [text, name] : names) {
    Token t = ScanToken(text, 0);
    EXPECT_EQ(t.kind, TokenKind::kName) << text;
    EXPECT_EQ(t.text, name) << text;
  }
  EXPECT_EQ(ScanToken("?1", 0).kind, TokenKind::kInvalid);

  const std::pair<const char*, const char*> pictures[] = {
      {"@n10.2,x", "@n10.2"},
      {"@d17b)", "@d17b"},
      {"@P###-##Pb rest", "@P###-##Pb"},
      {"@k##,## k)", "@k##,## k"},
      {"@N~a, b~10 x", "@N~a, b~10"},
      {"@s20 ", "@s20"},
  };
  for (const auto& [text, picture] : pictures) {
    Token t = ScanToken(text, 0);
    EXPECT_EQ(t.kind, TokenKind::kPicture) << text;
    EXPECT_EQ(t.text, picture) << text;
  }
}

}  // namespace
}  // namespace vaultara::data
