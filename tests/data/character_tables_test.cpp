#include "data/character_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/text_rules.h"

namespace vaultara::data {
namespace {

uint8_t U(char c) { return static_cast<uint8_t>(c); }

std::string Weights(std::initializer_list<int> weights) {
  std::string s;
  for (int w : weights) s.push_back(static_cast<char>(w));
  return s;
}

TEST(CharacterTablesTest, PlainRulesIgnoreCaseOnlyWhenAsked) {
  ResetCharacterTables();
  EXPECT_EQ(CompareTextNoCase("password", "PASSWORD"), 0);
  EXPECT_NE(CompareText("password", "PASSWORD"), 0);
  EXPECT_GT(CompareText("a", "Z"), 0);
  EXPECT_LT(CompareText("abc", "abcd"), 0);  // the text that ends first
  EXPECT_LT(CompareText("ab\xE9", "ab\xEA"), 0);
  EXPECT_EQ(CompareText("", ""), 0);

  // Only ASCII letters have partners by default.
  EXPECT_EQ(ToUpper("az09\xE9!"), "AZ09\xE9!");
  EXPECT_EQ(ToLower("AZ09\xC9!"), "az09\xC9!");
  const CharacterTables& t = CurrentCharacterTables();
  EXPECT_EQ(t.char_class[U('7')], kClassDigit);
  EXPECT_EQ(t.char_class[U('_')], 0);
  EXPECT_EQ(t.case_partner[U('_')], 0);
  EXPECT_EQ(CollationKey("Az"), "Az");
}

int Sign(int c) { return (c > 0) - (c < 0); }

TEST(CharacterTablesTest, BlankPaddedTextsCompareAsTheLongerOne) {
  struct Case {
    std::string a;
    std::string b;
    int sign;
  } cases[] = {
      {"abc", "abc  ", 0}, {"abc", "abd", -1}, {"ab", "ab\x01", 1},  // a blank outweighs \x01
      {"B", "a", -1},      {"", "   ", 0},     {"a", "", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareBlankPadded(c.a, c.b)), c.sign) << c.a << "|" << c.b;
    EXPECT_EQ(Sign(CompareBlankPadded(c.b, c.a)), -c.sign) << c.a << "|" << c.b;
  }
}

TEST(CharacterTablesTest, DigraphSortsBetweenItsExpansionAndTheNextTexts) {
  CharacterTables t = CharacterTables::Plain();
  t.SetDigraphs({"\xDFss",
                 "\xC6"
                 "AE"});
  EXPECT_LT(CompareText("sr", "\xDF", t), 0);
  EXPECT_EQ(CompareText("ss", "\xDF", t), 0);
  EXPECT_LT(CompareText("\xDF", "ssa", t), 0);
  EXPECT_LT(CompareText("\xDF", "st", t), 0);
  EXPECT_LT(CompareText("AD", "\xC6", t), 0);
  EXPECT_LT(CompareText("\xC6", "AF", t), 0);
  EXPECT_EQ(CollationKey("\xDF"
                         "a",
                         t),
            "ssa");
  // The expansion stays within the limit of a key component.
  EXPECT_EQ(CollationKey("a\xDF", t, KeyCharset::kWindows, 2), "as");
  // Case-insensitive comparison folds the expansion as well.
  EXPECT_EQ(CompareTextNoCase("\xDF", "SS", t), 0);
  EXPECT_EQ(CompareTextNoCase("stra\xDF"
                              "e",
                              "STRASSE", t),
            0);
}

TEST(CharacterTablesTest, DigraphListEndsAtFirstEmptyEntryAndCyclesEnd) {
  CharacterTables t = CharacterTables::Plain();
  t.SetDigraphs({"xax", "yz"});  // the second item is not three characters
  EXPECT_EQ(t.digraphs[4], 0);
  // "x" expands to "a" and "x" again: the chain stops instead of running on.
  std::string key = CollationKey("x", t);
  EXPECT_LE(key.size(), kMaxDigraphs + 1);
  EXPECT_EQ(key.substr(0, 3), "aaa");
  EXPECT_NE(CompareText("x", "y", t), 0);
}

TEST(CharacterTablesTest, CollationListSharesTheCodesOfItsCharacters) {
  CharacterTables t = CharacterTables::Plain();
  t.SetCollation("zyxzy");  // repeated characters count once
  EXPECT_EQ(t.collation[U('z')], 'x');
  EXPECT_EQ(t.collation[U('y')], 'y');
  EXPECT_EQ(t.collation[U('x')], 'z');
  EXPECT_EQ(t.collation[U('a')], 'a');
  EXPECT_LT(CompareText("zebra", "xylophone", t), 0);
  EXPECT_EQ(t.oem_collation[U('z')], 'x');

  // Spread-out characters: "b" takes the weight of "0", "0" that of "b".
  t.SetCollation("b0");
  EXPECT_EQ(t.collation[U('b')], '0');
  EXPECT_EQ(t.collation[U('0')], 'b');
}

TEST(CharacterTablesTest, ListOf222CharactersIsAFullTable) {
  std::string list;
  for (int c = 126; c >= 32; --c) list.push_back(static_cast<char>(c));
  for (int c = 254; c >= 128; --c) list.push_back(static_cast<char>(c));
  ASSERT_EQ(list.size(), 222u);
  CharacterTables t = CharacterTables::Plain();
  t.SetCollation(list);
  EXPECT_EQ(t.collation[U('~')], 32);
  EXPECT_EQ(t.collation[U(' ')], 126);
  EXPECT_EQ(t.collation[254], 128);
  EXPECT_EQ(t.collation[128], 254);
  EXPECT_EQ(t.collation[127], 127);
  EXPECT_EQ(t.collation[255], 255);
  EXPECT_EQ(t.collation[10], 10);

  // A full table whose first part holds a high character gives it a weight
  // among the printable ones (the general rule would not).
  std::string mixed = list;
  std::swap(mixed[0], mixed[95]);  // '~' and 254 change places
  t.SetCollation(mixed);
  EXPECT_EQ(t.collation[254], 32);
  EXPECT_EQ(t.collation[U('~')], 128);
}

TEST(CharacterTablesTest, SystemCollationFollowsTheSystemSortOrder) {
  CharacterTables t = CharacterTables::Plain();
  t.SetSystemCollation();
  for (int a = 2; a <= 254; ++a) {
    for (int b = 2; b <= 254; ++b) {
      char ca = static_cast<char>(a);
      char cb = static_cast<char>(b);
      if (platform::CompareStrings(std::string_view(&ca, 1), std::string_view(&cb, 1)) < 0) {
        ASSERT_LT(t.collation[a], t.collation[b]) << a << " " << b;
      }
    }
  }
  EXPECT_EQ(t.collation[0], 0);
  EXPECT_EQ(t.collation[1], 1);
  EXPECT_EQ(t.collation[255], 255);
}

TEST(CharacterTablesTest, CaseListsPairHighCharactersAndKeepAscii) {
  CharacterTables t = CharacterTables::Plain();
  t.SetCaseMap("\xC0Q\xC1", "\xE0x\xE1");
  EXPECT_EQ(t.case_partner[0xC0], 0xE0);
  EXPECT_EQ(t.case_partner[0xE1], 0xC1);
  EXPECT_EQ(t.char_class[0xC0], kClassUpper);
  EXPECT_EQ(t.char_class[0xE0], kClassLower);
  EXPECT_EQ(t.case_partner[U('Q')], U('q'));  // ASCII pairs cannot be changed
  EXPECT_EQ(t.case_partner[U('x')], U('X'));
  EXPECT_EQ(t.char_class[U('5')], kClassDigit);
  EXPECT_EQ(ToUpper("\xE0q\xE1", t), "\xC0Q\xC1");
  EXPECT_EQ(ToLower("\xC0Q\xC2", t), "\xE0q\xC2");

  CharacterTables system = CharacterTables::Plain();
  system.SetSystemCaseMap();
  for (auto [upper, lower] :
       {std::pair<std::string, std::string>{"\xC0\xC1", "\xE0"}, {"", ""}, {"", "\xE0"}}) {
    CharacterTables lists = CharacterTables::Plain();
    lists.SetCaseMap(upper, lower);
    EXPECT_EQ(lists.case_partner, system.case_partner) << upper.size() << lower.size();
    EXPECT_EQ(lists.char_class, system.char_class);
  }
  for (int c = 128; c < 256; ++c) {
    char ch = static_cast<char>(c);
    if (platform::IsUpper(ch) && platform::ToLower(ch) != ch) {
      EXPECT_EQ(system.case_partner[c], U(platform::ToLower(ch))) << c;
    }
  }
}

TEST(CharacterTablesTest, NextInCollation) {
  struct Case {
    std::string text;
    std::string next;
    bool advanced;
  };
  const Case cases[] = {
      {"ab  ", std::string("ab\x01 "), true},  // only the first trailing blank changes
      {"   ", std::string("\x01  "), true},   {"ab", "ac", true}, {"a\xFF\xFF", "b  ", true},
      {"\xFF\xFF", "\xFF\xFF", false},        {"", "", false},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(NextInCollation(text.data(), text.size(), CharacterTables::Plain()), c.advanced)
        << c.text;
    EXPECT_EQ(text, c.next) << c.text;
  }

  // The next weight, not the next code.
  CharacterTables t = CharacterTables::Plain();
  t.SetCollation("ba");
  std::string text = "xb";
  EXPECT_TRUE(NextInCollation(text.data(), text.size(), t));
  EXPECT_EQ(text, "xa");
}

TEST(CharacterTablesTest, LocaleBlockHoldsTheSixTablesInOrder) {
  CharacterTables t = CharacterTables::Plain();
  t.SetCollation("zyx");
  t.SetCaseMap("\xC0", "\xE0");
  t.SetDigraphs({"\xDFss"});
  t.oem_collation[7] = 9;  // so that the two orders differ
  LocaleBlock block = SaveLocale(t);
  ASSERT_EQ(block.size(), 1152u);
  EXPECT_EQ(block[U('z')], 'x');
  EXPECT_EQ(block[256 + 7], 9);
  EXPECT_EQ(block[512 + 0xC0], 0xE0);
  EXPECT_EQ(block[768 + 0xE0], kClassLower);
  EXPECT_EQ(Weights({block[1024], block[1025], block[1026], block[1027]}),
            std::string("\xDFss") + '\0');
  std::string oem = platform::Windows1252ToOem("\xDFss");
  EXPECT_EQ(Weights({block[1088], block[1089], block[1090]}), oem);

  CharacterTables loaded = LoadLocale(block);
  EXPECT_EQ(SaveLocale(loaded), block);

  // A saved block keeps its order while the current tables are plain.
  ResetCharacterTables();
  EXPECT_EQ(SaveLocale(), SaveLocale(CharacterTables::Plain()));
  EXPECT_EQ(CollationKey("z\xDF", loaded), "xss");
  EXPECT_EQ(CollationKey("z\xDF"), "z\xDF");
}

TEST(CharacterTablesTest, OemKeysUseTheOemOrderAndDigraphs) {
  CharacterTables t = CharacterTables::Plain();
  t.SetCollation("ba");
  t.SetDigraphs({"qab"});
  EXPECT_EQ(CollationKey("abq", t, KeyCharset::kOem),
            "ba"
            "ba");
  // A high character is converted before its weight is taken.
  std::string oem = platform::Windows1252ToOem("\xE9");
  EXPECT_EQ(CollationKey("\xE9", t, KeyCharset::kOem), Weights({t.oem_collation[U(oem[0])]}));
}

}  // namespace
}  // namespace vaultara::data
