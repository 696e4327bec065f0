#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace vaultara::platform {
namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// A character both code pages hold survives the trip there and back; bytes
// 0-127 are left alone.
TEST(CodePageTest, EveryCharacterBothPagesHoldRoundTrips) {
  int windows_round_trips = 0;
  int oem_round_trips = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string oem = Windows1252ToOem(Byte(b));
    if (b < 128) {
      EXPECT_EQ(oem, Byte(b));
    }
    if (oem != "?" || b == '?') {
      if (OemToWindows1252(oem) == Byte(b)) ++windows_round_trips;
    }
    const std::string windows = OemToWindows1252(Byte(b));
    if (b < 128) {
      EXPECT_EQ(windows, Byte(b));
    }
    if (Windows1252ToOem(windows) == Byte(b)) ++oem_round_trips;
  }
  // 128 ASCII + the 54 upper-half characters the two pages share: 47 letters
  // and signs from Ç to », ß, µ, ±, ÷, °, ·, ² and the no-break space.
  EXPECT_EQ(windows_round_trips, 128 + 54);
  EXPECT_EQ(oem_round_trips, 128 + 54);
}

TEST(CodePageTest, KnownCharactersAndLookAlikes) {
  const struct {
    int windows;
    int oem;
  } shared[] = {{0xE9, 0x82}, {0xFC, 0x81}, {0xC7, 0x80}, {0xF1, 0xA4}, {0xA3, 0x9C},
                {0xDF, 0xE1}, {0xB5, 0xE6}, {0xA0, 0xFF}, {0x83, 0x9F}, {0xBD, 0xAB}};
  for (const auto& c : shared) {
    EXPECT_EQ(Windows1252ToOem(Byte(c.windows)), Byte(c.oem)) << c.windows;
    EXPECT_EQ(OemToWindows1252(Byte(c.oem)), Byte(c.windows)) << c.oem;
  }
  // Windows-1252 characters code page 437 lacks.
  EXPECT_EQ(Windows1252ToOem("\xC0\xC8\xD8\x8A\x93\x94\x96\x80\x81"), "AEOS\"\"-??");
  // Code page 437 characters Windows-1252 lacks: box drawing, Greek, shades.
  EXPECT_EQ(OemToWindows1252("\xC4\xB3\xC5\xDA\xE3\xF9\xB0"), "-|++p\xB7?");

  char buffer[] = "caf\xE9";
  Windows1252ToOem(buffer, 4);
  EXPECT_STREQ(buffer, "caf\x82");
  OemToWindows1252(buffer, 4);
  EXPECT_STREQ(buffer, "caf\xE9");
}

TEST(CodePageTest, Utf8RoundTripsEveryWindows1252Byte) {
  for (int b = 0; b < 256; ++b) {
    const std::optional<std::string> back = Windows1252FromUtf8(Utf8FromWindows1252(Byte(b)));
    ASSERT_TRUE(back.has_value()) << b;
    EXPECT_EQ(*back, Byte(b)) << b;
  }
  EXPECT_EQ(Utf8FromWindows1252("\x80 caf\xE9 \x9F"), "\xE2\x82\xAC caf\xC3\xA9 \xC5\xB8");
}

TEST(CodePageTest, Utf8TextWindows1252CannotHoldIsRefused) {
  const char* refused[] = {
      "\xCE\xB1",          // Greek alpha
      "ok \xE2\x94\x80",   // box drawing after good text
      "\xC2\x80",          // the C1 control U+0080 (its byte holds the euro sign)
      "\xF0\x9F\x94\x91",  // an emoji
      "\xC3",              // truncated sequence
      "\x80",              // stray continuation byte
      "\xC0\xA9",          // overlong form of ')'
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xC3\x28",          // lead byte without its continuation
  };
  for (const char* text : refused) EXPECT_FALSE(Windows1252FromUtf8(text).has_value()) << text;
  EXPECT_EQ(Windows1252FromUtf8("na\xC3\xAFve \xE2\x80\x9Cquoted\xE2\x80\x9D"),
            "na\xEFve \x93quoted\x94");
}

}  // namespace
}  // namespace vaultara::platform
