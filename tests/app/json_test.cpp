#include "app/json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vaultara::app {
namespace {

TEST(JsonTest, ValuesReadBackAsWritten) {
  const std::vector<std::string> texts = {
      "null",
      "true",
      "[]",
      "{}",
      "-12",
      "3.25e-7",
      "\"a \\\"quoted\\\" \\\\ text\\n\\ttab \\u0001\"",
      "{\"a\": [1, 2, {\"b\": false}], \"c\": \"Zo\xC3\xAB\", \"a\": null}",
      "18446744073709551615",
  };
  for (const std::string& text : texts) {
    std::string error;
    const std::optional<JsonValue> value = ParseJson(text, &error);
    ASSERT_TRUE(value.has_value()) << text << ": " << error;
    EXPECT_EQ(WriteJson(*value), text);
  }
}

TEST(JsonTest, EscapesAndNumbers) {
  std::string error;
  auto value = ParseJson(" {\"x\" : \"\\u00e9\\ud83d\\ude00\\/\" , \"n\":1E3,\"r\":0.5} ", &error);
  ASSERT_TRUE(value.has_value()) << error;
  EXPECT_EQ(value->Find("x")->text(), "\xC3\xA9\xF0\x9F\x98\x80/");
  EXPECT_EQ(value->Find("n")->AsInteger(), 1000);
  EXPECT_FALSE(value->Find("r")->AsInteger().has_value());
  EXPECT_EQ(value->Find("r")->AsReal(), 0.5);
  EXPECT_EQ(value->Find("missing"), nullptr);
  EXPECT_FALSE(ParseJson("99999999999999999999", &error)->AsInteger().has_value());
  EXPECT_EQ(WriteJson(JsonValue::Number(0.1)), "0.1");
  EXPECT_EQ(WriteJson(JsonValue::Number(int64_t{-5})), "-5");
}

TEST(JsonTest, MalformedTextIsRefusedWithItsPlace) {
  struct Case {
    const char* text;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"", "unexpected end at column 1"},
      {"{\"a\" 1}", "expected ':' at column 6"},
      {"[1,]", "unexpected character at column 4"},
      {"[1 2]", "expected ',' or ']' at column 4"},
      {"01", "unexpected text after the value at column 2"},
      {"\"abc", "unterminated text at column 5"},
      {"\"a\nb\"", "control character in text at column 3"},
      {"\"\\ud800\"", "lone surrogate in \\u escape at column 8"},
      {"\"\\x\"", "bad escape at column 3"},
      {"-", "bad number at column 2"},
      {"1.", "bad number at column 3"},
      {"tru", "unexpected character at column 1"},
      {"{1: 2}", "expected a member name at column 2"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseJson(c.text, &error).has_value()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
  std::string deep(300, '[');
  std::string error;
  EXPECT_FALSE(ParseJson(deep, &error).has_value());
  EXPECT_NE(error.find("nesting too deep"), std::string::npos);
}

}  // namespace
}  // namespace vaultara::app
