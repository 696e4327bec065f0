#include <gtest/gtest.h>

#include <array>
#include <string>

#include "data/date_time.h"
#include "data/picture_compiler.h"
#include "data/picture_deformat.h"
#include "data/picture_format.h"

namespace vaultara::data {
namespace {

// Day numbers and texts worked out independently (Python's datetime:
// day = ordinal - ordinal(1801-01-01) + 4).
struct DateRow {
  int32_t day;
  const char* shown[16];  // pictures @D1 .. @D16
};

const DateRow kDates[] = {
    {4,
     {" 1/01/01", " 1/01/1801", "JAN  1,1801", "January  1, 1801     ", "01/01/01", "01/01/1801",
      " 1 JAN 01", " 1 JAN 1801", "01/01/01", "1801/01/01", "010101", "18010101", "01/01",
      "01/1801", "01/01", "1801/01"}},
    {72746,
     {" 2/29/00", " 2/29/2000", "FEB 29,2000", "February 29, 2000    ", "29/02/00", "29/02/2000",
      "29 FEB 00", "29 FEB 2000", "00/02/29", "2000/02/29", "000229", "20000229", "02/00",
      "02/2000", "00/02", "2000/02"}},
    {2994626,
     {"12/31/99", "12/31/9999", "DEC 31,9999", "December 31, 9999    ", "31/12/99", "31/12/9999",
      "31 DEC 99", "31 DEC 9999", "99/12/31", "9999/12/31", "991231", "99991231", "12/99",
      "12/9999", "99/12", "9999/12"}},
    {72326,
     {" 1/05/99", " 1/05/1999", "JAN  5,1999", "January  5, 1999     ", "05/01/99", "05/01/1999",
      " 5 JAN 99", " 5 JAN 1999", "99/01/05", "1999/01/05", "990105", "19990105", "01/99",
      "01/1999", "99/01", "1999/01"}},
    {58015,
     {"10/31/59", "10/31/1959", "OCT 31,1959", "October 31, 1959     ", "31/10/59", "31/10/1959",
      "31 OCT 59", "31 OCT 1959", "59/10/31", "1959/10/31", "591031", "19591031", "10/59",
      "10/1959", "59/10", "1959/10"}},
};

TEST(DatePictures, EveryStandardPictureOnChosenDays) {
  for (const DateRow& row : kDates) {
    for (int number = 1; number <= 16; ++number) {
      const PictureTemplate picture = CompilePicture("@D" + std::to_string(number));
      EXPECT_EQ(FormatValue(row.day, picture), row.shown[number - 1])
          << "@D" << number << " day " << row.day;
    }
  }
}

TEST(DatePictures, NoDateShowsBlankDateCells) {
  const struct {
    const char* picture;
    int32_t day;
    const char* shown;
  } cases[] = {
      {"@D1", 0, "  /  /  "},
      {"@D1b", 0, "        "},
      {"@D1", 3, "  /  /  "},
      {"@D1", 2994627, "  /  /  "},
      {"@D1b", 3, "  /  /  "},  // not zero, just not a date
      {"@D6b", 72326, "05/01/1999"},
      {"@D01", 72326, "01/05/99"},
      {"@D*1", 72326, "*1/*5/99"},  // the fill stands for every leading zero
      {"@D2-", 72326, " 1-05-1999"},
      {"@D6.", 72326, "05.01.1999"},
      {"@D1_", 72326, " 1 05 99"},
      {"@D7`", 72326, " 5,JAN,99"},
      {"@D4", 58304, "August 15, 1960      "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatValue(c.day, CompilePicture(c.picture)), c.shown) << c.picture << ' ' << c.day;
  }
}

TEST(DayNumbers, CalendarAndLimits) {
  EXPECT_EQ(DayNumber(1801, 1, 1), 4);
  EXPECT_EQ(DayNumber(9999, 12, 31), 2994626);
  EXPECT_EQ(DayNumber(2000, 2, 29), 72746);
  EXPECT_EQ(DayNumber(1960, 8, 15), 58304);
  for (const auto& bad :
       {std::array{1900, 2, 29}, std::array{2001, 2, 29}, std::array{1800, 12, 31},
        std::array{10000, 1, 1}, std::array{2000, 13, 1}, std::array{2000, 0, 1},
        std::array{2000, 4, 31}, std::array{2000, 1, 0}}) {
    EXPECT_EQ(DayNumber(bad[0], bad[1], bad[2]), -1) << bad[0] << '-' << bad[1] << '-' << bad[2];
  }
  // Every day number splits back into the date that gives it.
  for (int32_t day = kFirstDayNumber; day <= kLastDayNumber; day += 997) {
    CalendarDate date;
    ASSERT_TRUE(SplitDayNumber(day, &date));
    EXPECT_EQ(DayNumber(date.year, date.month, date.day), day);
  }
  CalendarDate date;
  ASSERT_TRUE(SplitDayNumber(kLastDayNumber, &date));
  EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day, 99991231);
  EXPECT_FALSE(SplitDayNumber(3, &date));
  EXPECT_FALSE(SplitDayNumber(0, &date));
  EXPECT_FALSE(SplitDayNumber(kLastDayNumber + 1, &date));
}

TEST(DatePictures, ReadsWhatPeopleType) {
  // The current year is 2026: two-digit years run from 1946 to 2045.
  const struct {
    const char* picture;
    const char* text;
    const char* day;
  } cases[] = {
      {"@D1", "1/5/99", "72326"},
      {"@D1", " 1/05/99", "72326"},
      {"@D1", "010599", "72326"},
      {"@D1", "13/45/99", "72731"},  // month 13 and day 45 roll over: 14 February 2000
      {"@D1", "2/30/00", "72747"},   // 1 March 2000
      {"@D1", "1/0/00", "72686"},    // day 0: 31 December 1999
      {"@D1", "1/1/45", "89124"},
      {"@D1", "1/1/46", "52964"},
      {"@D1", "", "0"},
      {"@D1", "  /  /  ", "0"},
      {"@D1", "0/5/99", "-1"},
      {"@D2", "12/31/9999", "2994626"},
      {"@D2", "1/1/1800", "-1"},
      {"@D2", "12/32/9999", "-1"},
      {"@D3", "jan 5,1999", "72326"},
      {"@D4", "January 5, 1999", "72326"},
      {"@D4", "OCTOBER 31, 1959", "58015"},
      {"@D7", "15 aug 60", "58304"},
      {"@D8", "5JAN1999", "72326"},
      {"@D6", "29.02.2000", "72746"},
      {"@D6", "29022000", "72746"},
      {"@D10", "1999-01-05", "72326"},
      {"@D13", "02/00", "72718"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeformatText(c.text, CompilePicture(c.picture), 2026), c.day)
        << c.picture << " \"" << c.text << '"';
  }
  // Other windows: "<10" reaches 10 years back, ">10" 10 years ahead.
  EXPECT_EQ(DeformatText("1/1/20", CompilePicture("@D1<10"), 2026), "79992");   // 2020
  EXPECT_EQ(DeformatText("1/1/15", CompilePicture("@D1<10"), 2026), "114690");  // 2115
  EXPECT_EQ(DeformatText("1/1/37", CompilePicture("@D1>10"), 2026), "49677");   // 1937
  EXPECT_EQ(DeformatText("1/1/36", CompilePicture("@D1>10"), 2026), "85836");   // 2036
}

TEST(TwoDigitYears, WindowMovesWithTheCurrentYear) {
  EXPECT_EQ(WindowYear(99, 80, 2026), 1999);
  EXPECT_EQ(WindowYear(45, 80, 2026), 2045);
  EXPECT_EQ(WindowYear(46, 80, 2026), 1946);
  EXPECT_EQ(WindowYear(26, 80, 2026), 2026);
  EXPECT_EQ(WindowYear(0, 80, 2099), 2100);
  EXPECT_EQ(WindowYear(18, 80, 2099), 2118);
  EXPECT_EQ(WindowYear(19, 80, 2099), 2019);
  EXPECT_EQ(WindowYear(20, 80, 2099), 2020);
}

struct TimeRow {
  int32_t time;
  const char* shown[6];  // pictures @T1 .. @T6
};

TEST(TimePictures, EveryStandardPicture) {
  const TimeRow rows[] = {
      {1, {" 0:00", " 000", "12:00AM", " 0:00:00", " 00000", "12:00:00AM"}},
      {4710001, {"13:05", "1305", " 1:05PM", "13:05:00", "130500", " 1:05:00PM"}},
      {8640000, {"23:59", "2359", "11:59PM", "23:59:59", "235959", "11:59:59PM"}},
      {4320001, {"12:00", "1200", "12:00PM", "12:00:00", "120000", "12:00:00PM"}},
      {3282301, {" 9:07", " 907", " 9:07AM", " 9:07:03", " 90703", " 9:07:03AM"}},
      {0, {"  :  ", "    ", "  :    ", "  :  :  ", "      ", "  :  :    "}},
      {8640001, {"  :  ", "    ", "  :    ", "  :  :  ", "      ", "  :  :    "}},
  };
  for (const TimeRow& row : rows) {
    for (int number = 1; number <= 6; ++number) {
      EXPECT_EQ(FormatValue(row.time, CompilePicture("@T" + std::to_string(number))),
                row.shown[number - 1])
          << "@T" << number << " time " << row.time;
    }
  }
  EXPECT_EQ(FormatValue(0, CompilePicture("@T1b")), "     ");
  EXPECT_EQ(FormatValue(3282301, CompilePicture("@T04")), "09:07:03");
  EXPECT_EQ(FormatValue(3282301, CompilePicture("@T4.")), " 9.07.03");
}

TEST(TimePictures, ReadsWhatPeopleType) {
  const struct {
    const char* picture;
    const char* text;
    const char* time;
  } cases[] = {
      {"@T3", "12:00AM", "1"},
      {"@T1", "00:00", "0"},
      {"@T3", "1:05PM", "4710001"},
      {"@T3", " 1:05 pm", "4710001"},
      {"@T1", "13:05", "4710001"},
      {"@T2", "1305", "4710001"},
      {"@T3", "12:00PM", "4320001"},
      {"@T4", "9:07:03", "3282301"},
      {"@T6", "11:59:59PM", "8639901"},
      {"@T1", "24:00", "-1"},
      {"@T1", "12:60", "-1"},
      {"@T4", "1:02:60", "-1"},
      {"@T1", "", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeformatText(c.text, CompilePicture(c.picture)), c.time)
        << c.picture << " \"" << c.text << '"';
  }
}

}  // namespace
}  // namespace vaultara::data
