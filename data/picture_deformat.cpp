#include "data/picture_deformat.h"

#include <algorithm>

#include "data/character_tables.h"
#include "data/date_time.h"
#include "data/locale_texts.h"

namespace vaultara::data {
namespace {

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

// The characters of a number a string picture keeps.
std::string NumberCharacters(std::string_view text) {
  std::string out;
  bool point = false;
  bool exponent = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool after_e = !out.empty() && (out.back() == 'e' || out.back() == 'E');
    if (IsDigitChar(c)) {
      out += c;
    } else if (c == '.' && !point) {
      point = true;
      out += c;
    } else if ((c == 'e' || c == 'E') && !exponent) {
      exponent = true;
      out += c;
    } else if (c == '-' && out.empty()) {
      out += c;
    } else if ((c == '+' || c == '-') && after_e) {
      out += c;
    }
  }
  return out;
}

// One date or time part being read: its digits and how many there were.
struct Part {
  int value = 0;
  int digits = 0;
};

std::string DeformatDateTime(std::string_view text, const PictureTemplate& t, int current_year) {
  Part month, day, year, hour, minute, second;
  bool am = false;
  bool pm = false;
  bool month_read = false;
  size_t i = 0;
  const LocaleTexts& texts = CurrentLocaleTexts();
  for (int c = 0; c < t.width;) {
    const uint8_t code = t.cells[c].code;
    int run = 1;
    while (c + run < t.width && t.cells[c + run].code == code) ++run;
    Part* part = nullptr;
    switch (code) {
      case kCellMonth:
        part = &month;
        break;
      case kCellDay:
        part = &day;
        break;
      case kCellYear:
        part = &year;
        break;
      case kCellHour:
        part = &hour;
        break;
      case kCellMinute:
        part = &minute;
        break;
      case kCellSecond:
        part = &second;
        break;
      default:
        break;
    }
    if (part) {
      // A non-digit inside the run ends the part early; the text realigns.
      for (int k = 0; k < run && i < text.size(); ++k) {
        if (IsDigitChar(text[i])) {
          part->value = part->value * 10 + (text[i] - '0');
          ++part->digits;
          ++i;
        } else if (text[i] == ' ' && part->digits == 0) {
          ++i;
        } else {
          break;
        }
      }
      c += run;
      continue;
    }
    if (code == kCellMonthName) {
      while (i < text.size() && text[i] == ' ') ++i;
      for (int m = 0; m < 12; ++m) {
        const std::string& name = texts.short_month_names[m];
        if (name.empty() || i + name.size() > text.size()) continue;
        if (std::equal(name.begin(), name.end(), text.begin() + static_cast<std::ptrdiff_t>(i),
                       SameLetterIgnoringCase)) {
          month.value = m + 1;
          month.digits = 1;
          month_read = true;
          i += name.size();
          break;
        }
      }
      while (i < text.size() && IsLetterChar(text[i])) ++i;
      c += run;
      continue;
    }
    if (code == kCellAmPm) {
      while (i < text.size() && text[i] == ' ') ++i;
      if (i < text.size()) {
        if (!texts.pm.empty() && SameLetterIgnoringCase(text[i], texts.pm[0])) {
          pm = true;
        } else if (!texts.am.empty() && SameLetterIgnoringCase(text[i], texts.am[0])) {
          am = true;
        }
        if (IsLetterChar(text[i])) ++i;
        if (i < text.size() && IsLetterChar(text[i])) ++i;
      }
      c += 2;
      continue;
    }
    // Separators and literals: a separator takes any punctuation or blank; a
    // literal takes its own character or a blank. A typed text may leave
    // either out.
    if (i < text.size()) {
      const char ch = text[i];
      const bool punctuation = !IsDigitChar(ch) && !IsLetterChar(ch);
      if ((code == kCellSeparator && punctuation) || ch == t.cells[c].display || ch == ' ') ++i;
    }
    ++c;
  }

  if (t.kind == PictureKind::kTime) {
    bool twelve_am = false;
    if (pm && hour.value != 12) hour.value += 12;
    if (am && hour.value == 12) {
      hour.value = 0;
      twelve_am = true;
    }
    if (hour.value > 23 || minute.value > 59 || second.value > 59) return "-1";
    if (hour.value == 0 && minute.value == 0 && second.value == 0) return twelve_am ? "1" : "0";
    return std::to_string(hour.value * 360000 + minute.value * 6000 + second.value * 100 + 1);
  }

  if (month.digits == 0 && day.digits == 0 && year.digits == 0 && !month_read) return "0";
  const bool has_day = std::any_of(t.cells.begin(), t.cells.begin() + t.width,
                                   [](const PictureCell& cell) { return cell.code == kCellDay; });
  int64_t y = year.value;
  if (year.digits < 3) y = WindowYear(year.value, t.year_window, current_year);
  if (month.value == 0) return "-1";
  y += (month.value - 1) / 12;
  const int m = (month.value - 1) % 12 + 1;
  const int d = has_day ? day.value : 1;
  if (y < kFirstYear || y > kLastYear) return "-1";
  const int64_t number = int64_t{DayNumber(static_cast<int>(y), m, 1)} + d - 1;
  if (number < kFirstDayNumber || number > kLastDayNumber) return "-1";
  return std::to_string(number);
}

std::string DeformatNumber(std::string_view text, const PictureTemplate& t) {
  char point_char = 0;
  for (int c = 0; c < t.width; ++c) {
    if (t.cells[c].code == kCellDecimalPoint) point_char = t.cells[c].display;
  }
  std::string digits;
  std::string exponent;
  bool negative = false;
  bool point = false;
  // A literal that the text leaves out is skipped without using a character.
  for (size_t i = 0, c = 0; i < text.size() && c < static_cast<size_t>(t.width); ++c) {
    const char ch = text[i];
    const PictureCell& cell = t.cells[c];
    if (cell.code == kCellLiteral) {
      if (ch == cell.display || ch == ' ') ++i;
      continue;
    }
    ++i;
    std::string& into = exponent.empty() ? digits : exponent;
    if (cell.code == kCellExponentSign && (ch == '+' || ch == '-')) {
      exponent = std::string("e") + ch;
    } else if (IsDigitChar(ch)) {
      into += ch;
      if (cell.code == kCellImpliedPoint && !point) {
        into += '.';
        point = true;
      }
    } else if (ch == point_char && !point && exponent.empty()) {
      digits += '.';
      point = true;
    } else if (ch == ' ' && cell.code == kCellDigitBlankZero) {
      into += '0';
    } else if (ch == '(' || ch == '-') {
      negative = true;
    } else if (ch == '+') {
      negative = false;
    }
  }
  // Leading zeros of the integer part say nothing; nor does a bare point.
  const size_t dot = digits.find('.');
  std::string integer = digits.substr(0, dot);
  const std::string fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  digits = (integer.empty() ? "0" : integer) + (fraction.empty() ? "" : "." + fraction);
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + digits + exponent;
}

}  // namespace

std::string DeformatText(std::string_view text, const PictureTemplate& picture, int current_year) {
  if (!picture.valid()) return "";
  switch (picture.kind) {
    case PictureKind::kString:
      return NumberCharacters(text);
    case PictureKind::kKeyIn:
      return std::string(text.substr(0, static_cast<size_t>(picture.width)));
    case PictureKind::kDate:
    case PictureKind::kTime:
      return DeformatDateTime(text, picture, current_year);
    case PictureKind::kNumeric:
    case PictureKind::kScientific:
    case PictureKind::kPattern:
      return DeformatNumber(text, picture);
  }
  return "";
}

std::string DeformatText(std::string_view text, const PictureTemplate& picture) {
  return DeformatText(text, picture, CurrentYear());
}

}  // namespace vaultara::data
