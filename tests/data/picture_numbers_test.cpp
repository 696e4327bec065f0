#include <gtest/gtest.h>

#include <string>

#include "data/picture_compiler.h"
#include "data/picture_deformat.h"
#include "data/picture_format.h"

namespace vaultara::data {
namespace {

struct FormatCase {
  const char* picture;
  const char* value;
  const char* shown;
};

TEST(NumberPictures, Format) {
  const FormatCase cases[] = {
      {"@N10.2", "1234.567", "  1,234.57"},
      {"@N10.2", "0", "      0.00"},
      {"@N10.2b", "0", "          "},
      {"@N10.2b", "0.001", "      0.00"},
      {"@N3", "1234", "###"},
      {"@N5", "12345", "12345"},  // the separator cell takes the digit
      {"@N5", "1234", "1,234"},
      {"@N5", "123", "  123"},
      {"@N5", "-12", "   12"},  // no sign cell
      {"@N5.1", "99.96", "100.0"},
      {"@N-10.2", "-1234.5", " -1,234.50"},
      {"@N-10.2", "1234.5", "  1,234.50"},
      {"@N-10.2", "-12", "    -12.00"},
      {"@N-6.2", "-0.004", "  0.00"},  // rounds to zero: no sign
      {"@N(10.2)", "-1234.5", "(1,234.50)"},
      {"@N(10.2)", "-12.5", "   (12.50)"},
      {"@N(10.2)", "12.5", "    12.50 "},
      {"@N5-", "-12", "  12-"},
      {"@N5-", "12", "  12 "},
      {"@N-5", "-12345", "#####"},
      {"@N$10.2", "1234.5", " $1,234.50"},
      {"@N$-10.2", "-5", "    $-5.00"},
      {"@N12`2~ DM~", "1234.5", " 1.234,50 DM"},
      {"@N~EUR ~10.2", "7", "  EUR 7.00"},
      {"@N10`2", "1234.5", "  1.234,50"},
      {"@N10_`2", "1234.5", "  1 234,50"},
      {"@N08", "1234", "00001234"},
      {"@N_8", "1234", "    1234"},
      {"@N*8", "1234", "****1234"},
      {"@N*9", "1234567", "**1234567"},
      {"@N*9.", "1234", "****1.234"},
      {"@N$*10.2", "5", "$*****5.00"},
      {"@N6V2", "1.23", "   123"},
      {"@N6V2", "0.05", "   005"},
      {"@N3.2", "0.5", ".50"},
      {"@N3.2", "1.5", "###"},
      {"@N9.", "1234567", "1.234.567"},
      {"@N5.", "1234.5", "1.235"},
      {"@N12.2", "-999999999.995", "############"},
      {"@P###-##-####P", "123456789", "123-45-6789"},
      {"@P(###) ###-####P", "5551234", "(000) 555-1234"},
      {"@P<<#P", "5", "  5"},
      {"@P<<#P", "12345", "###"},
      {"@PabcP", "5", "   "},
      {"@E12", "1234.5", " 1.2345E+003"},
      {"@E12", "-0.000123", "-1.2300E-004"},
      {"@E12", "0", " 0.0000E+000"},
      {"@E12", "9.99999", " 1.0000E+001"},
      {"@E12.3", "1234.5", " 123.45E+001"},
      {"@E9.0", "1234.5", " .12E+004"},
      {"@E14_`4", "12345.6", " 1 234,56E+001"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatValue(std::string_view(c.value), CompilePicture(c.picture)), c.shown)
        << c.picture << " with " << c.value;
  }
}

TEST(NumberPictures, IntegersAndRealsFormatLikeTheirDigits) {
  const PictureTemplate picture = CompilePicture("@N-14.3");
  EXPECT_EQ(FormatValue(int64_t{-1234567}, picture), "-1,234,567.000");
  EXPECT_EQ(FormatValue(-1234567, picture), FormatValue(int64_t{-1234567}, picture));
  EXPECT_EQ(FormatValue(0.1, picture), "         0.100");
  EXPECT_EQ(FormatValue(2.0005, picture), "         2.001");
  EXPECT_EQ(FormatValue(1e300, picture), std::string(14, '#'));
  EXPECT_EQ(FormatValue(std::string_view("12"), CompilePicture("@s5")), "12   ");
  EXPECT_EQ(FormatValue(-2.5, CompilePicture("@s6")), "-2.5  ");
}

TEST(NumberPictures, ReadsWhatPeopleType) {
  const struct {
    const char* picture;
    const char* text;
    const char* value;
  } cases[] = {
      {"@N10.2", "  1,234.57", "1234.57"},
      {"@N-10.2", " -1,234.50", "-1234.50"},
      {"@N(10.2)", "(1,234.50)", "-1234.50"},
      {"@N10.2", "1234.5", "1234.5"},
      {"@N10.2", "12", "12"},
      {"@N10.2", "-12+", "12"},
      {"@N10.2", "", "0"},
      {"@N10.2", "abc", "0"},
      {"@N10.2", "-0.00", "0.00"},
      {"@N10`2", "  1.234,50", "1234.50"},
      {"@N6V2", "   123", "1.23"},
      {"@N5-", "  12-", "-12"},
      {"@N$10.2", " $1,234.50", "1234.50"},
      {"@N08", "00001234", "1234"},
      {"@E12", " 1.2345E+003", "1.2345e+003"},
      {"@E12", "-1.2300E-004", "-1.2300e-004"},
      {"@P###-##-####P", "123-45-6789", "123456789"},
      {"@P###-##-####P", "123456789", "123456789"},
      {"@s20", "  -12.5abc", "-12.5"},
      {"@s20", "+5", "5"},
      {"@s20", "1.5e+3x", "1.5e+3"},
      {"@s20", "1.2.3", "1.23"},
      {"@K###-@@K", "123-ab", "123-ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeformatText(c.text, CompilePicture(c.picture)), c.value)
        << c.picture << " \"" << c.text << '"';
  }
}

TEST(Pictures, WidthsAndInvalidPictures) {
  const struct {
    const char* picture;
    int width;
  } cases[] = {
      {"@s60", 60},
      {"@S60  ", 60},
      {"@d17b", 8},
      {"@N10.2", 10},
      {"@n$10.2b", 10},
      {"@T3", 7},
      {"@D4", 21},
      {"@P(###) ###-####P", 14},
      {"@K###-@@K", 6},
      {"@K\\##K", 2},
      {"@E12", 12},
      {"@N3.2", 3},
      {"@N5.", 5},
      {"s10", 10},
      {"@S255", 255},
      // Invalid: width 0.
      {"", 0},
      {"@", 0},
      {"@S0", 0},
      {"@S256", 0},
      {"@s10x", 0},
      {"@D19", 0},
      {"@D0", 0},
      {"@D1x", 0},
      {"@T9", 0},
      {"@T0", 0},
      {"@N", 0},
      {"@N0", 0},
      {"@N$-(5", 0},
      {"@N(5", 0},
      {"@N5)", 0},
      {"@N-5-", 0},
      {"@N2.2", 0},
      {"@N~~5", 0},
      {"@N~x5", 0},
      {"@N$5~x~", 0},
      {"@N5x", 0},
      {"@E6", 0},
      {"@E8.5", 0},
      {"@Q5", 0},
      {"@P#", 0},
      {"@Pabc", 0},
      {"@Kabc", 0},
      {"@KK", 0},
      {"@N256", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PictureWidth(c.picture), c.width) << '"' << c.picture << '"';
  }
  EXPECT_EQ(PictureWidth("@S" + std::string(300, '1')), 0);
  EXPECT_EQ(PictureWidth("@P" + std::string(254, '#') + "P"), 0);  // longer than 255
  EXPECT_EQ(PictureWidth("@P" + std::string(253, '#') + "P"), 253);

  const PictureTemplate invalid = CompilePicture("@N");
  EXPECT_EQ(FormatValue(12, invalid), "");
  EXPECT_EQ(FormatValue(std::string_view("x"), invalid), "");
  EXPECT_EQ(DeformatText("12", invalid), "");
}

}  // namespace
}  // namespace vaultara::data
