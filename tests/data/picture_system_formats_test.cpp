#include <gtest/gtest.h>

#include <map>
#include <string>

#include "data/locale_texts.h"
#include "data/picture_compiler.h"
#include "data/picture_deformat.h"
#include "data/picture_format.h"
#include "data/system_formats.h"

namespace vaultara::data {
namespace {

class FixedSettings : public InternationalSettings {
 public:
  explicit FixedSettings(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  std::optional<std::string> Get(std::string_view key) override {
    auto it = values_.find(std::string(key));
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }

 private:
  std::map<std::string, std::string> values_;
};

class SystemFormatsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetSystemFormats();
    ResetLocaleTexts();
  }
  void Load(std::map<std::string, std::string> values) {
    FixedSettings settings(std::move(values));
    LoadSystemFormats(settings);
  }
};

constexpr int32_t k5January1999 = 72326;
constexpr int32_t k1305 = 4710001;

TEST_F(SystemFormatsTest, DefaultsWhenNothingIsSet) {
  Load({});
  EXPECT_EQ(FormatValue(4, CompilePicture("@d17b")), "01/01/01");
  EXPECT_EQ(FormatValue(0, CompilePicture("@d17b")), "        ");
  EXPECT_EQ(FormatValue(k5January1999, CompilePicture("@D18")), "January 05, 1999     ");
  EXPECT_EQ(FormatValue(k1305, CompilePicture("@T7")), "01:05 PM");
  EXPECT_EQ(FormatValue(k1305, CompilePicture("@T8")), "01:05:00 PM");
  EXPECT_EQ(DeformatText("01/05/99", CompilePicture("@D17"), 2026), "72326");
  EXPECT_EQ(DeformatText("January 5, 1999", CompilePicture("@D18"), 2026), "72326");
}

TEST_F(SystemFormatsTest, FormatsFromTheSettings) {
  const struct {
    const char* short_date;
    const char* shown;
  } short_dates[] = {
      {"d.M.yyyy", " 5. 1.1999"}, {"dd-MM-yy", "05-01-99"}, {"yyyy/MM/dd", "1999/01/05"},
      {"M/d/yy", " 1/ 5/99"},     {"yy", "99/ 1/ 5"},  // year first; no "M": "/" separates
  };
  for (const auto& c : short_dates) {
    Load({{"sShortDate", c.short_date}});
    EXPECT_EQ(FormatValue(k5January1999, CompilePicture("@D17")), c.shown) << c.short_date;
    EXPECT_EQ(DeformatText(c.shown, CompilePicture("@D17"), 2026), "72326") << c.short_date;
  }
  Load({{"sLongDate", "dddd, d. MMMM yyyy"},
        {"iTime", "1"},
        {"iTLzero", "0"},
        {"sTime", ".x"},
        {"s1159", "vorm"},
        {"s2359", "nm"}});
  EXPECT_EQ(FormatValue(k5January1999, CompilePicture("@D18")), " 5. January 1999     ");
  EXPECT_EQ(DeformatText(" 5. January 1999", CompilePicture("@D18"), 2026), "72326");
  EXPECT_EQ(FormatValue(3282301, CompilePicture("@T8")), " 9.07.03");
  EXPECT_EQ(FormatValue(k1305, CompilePicture("@T7")), "13.05");
  // At most two characters of the AM and PM texts.
  EXPECT_EQ(FormatValue(k1305, CompilePicture("@T3")), " 1:05nm");
  EXPECT_EQ(FormatValue(3282301, CompilePicture("@T3")), " 9:07vo");
  EXPECT_EQ(DeformatText(" 1:05nm", CompilePicture("@T3")), "4710001");
}

TEST_F(SystemFormatsTest, LocaleMonthNamesShowAndRead) {
  LocaleTexts& texts = CurrentLocaleTexts();
  texts.month_names[0] = "Januar";
  texts.short_month_names[0] = "Jan";
  texts.month_names[2] = "M\xE4rz";
  texts.short_month_names[2] = "M\xE4r";
  EXPECT_EQ(FormatValue(k5January1999, CompilePicture("@D4")), "Januar  5, 1999      ");
  EXPECT_EQ(FormatValue(DayNumber(1999, 3, 1), CompilePicture("@D8")), " 1 M\xC4R 1999");
  EXPECT_EQ(DeformatText(" 1 m\xE4r 1999", CompilePicture("@D8")),
            std::to_string(DayNumber(1999, 3, 1)));
}

}  // namespace
}  // namespace vaultara::data
