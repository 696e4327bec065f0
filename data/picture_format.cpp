#include "data/picture_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "data/character_tables.h"
#include "data/date_time.h"
#include "data/decimal_conversions.h"
#include "data/locale_texts.h"

namespace vaultara::data {
namespace {

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

bool IsDigitCell(uint8_t code) {
  return code == kCellDigit || code == kCellDigitBlankZero || code == kCellImpliedPoint;
}

// A number split at its decimal point, without leading integer zeros.
struct SplitNumber {
  std::string integer;  // empty for values below 1
  std::string fraction;
  bool negative = false;

  bool zero() const {
    return std::all_of(integer.begin(), integer.end(), [](char c) { return c == '0'; }) &&
           std::all_of(fraction.begin(), fraction.end(), [](char c) { return c == '0'; });
  }
};

SplitNumber Split(const DigitString& value) {
  SplitNumber n;
  n.negative = value.negative;
  const std::string& d = value.digits;
  const int length = static_cast<int>(d.size());
  const int k = value.integer_digits;
  if (k >= length) {
    n.integer = d + std::string(static_cast<size_t>(k - length), '0');
  } else if (k <= 0) {
    n.fraction = std::string(static_cast<size_t>(-k), '0') + d;
  } else {
    n.integer = d.substr(0, static_cast<size_t>(k));
    n.fraction = d.substr(static_cast<size_t>(k));
  }
  n.integer.erase(0, n.integer.find_first_not_of('0') == std::string::npos
                         ? n.integer.size()
                         : n.integer.find_first_not_of('0'));
  return n;
}

// Adds one unit at the last digit of integer + fraction.
void Increment(SplitNumber* n) {
  for (std::string* part : {&n->fraction, &n->integer}) {
    for (auto it = part->rbegin(); it != part->rend(); ++it) {
      if (*it != '9') {
        ++*it;
        return;
      }
      *it = '0';
    }
  }
  n->integer.insert(n->integer.begin(), '1');
}

// Rounds half up (on the magnitude) to `places` fraction digits.
void RoundTo(SplitNumber* n, size_t places) {
  if (n->fraction.size() <= places) {
    n->fraction.resize(places, '0');
    return;
  }
  const bool up = n->fraction[places] >= '5';
  n->fraction.resize(places);
  if (up) Increment(n);
}

// The integer part of a number, saturated to 64 bits (for dates and times).
int64_t IntegerOf(const DigitString& value) {
  const SplitNumber n = Split(value);
  int64_t result = 0;
  for (char c : n.integer) {
    if (result > std::numeric_limits<int64_t>::max() / 10 - 1) {
      result = std::numeric_limits<int64_t>::max();
      break;
    }
    result = result * 10 + (c - '0');
  }
  return n.negative ? -result : result;
}

std::string TextOf(const DigitString& value) {
  const SplitNumber n = Split(value);
  std::string text = n.negative && !n.zero() ? "-" : "";
  text += n.integer.empty() ? "0" : n.integer;
  if (!n.fraction.empty()) text += "." + n.fraction;
  return text;
}

std::string Fit(std::string text, int width) {
  text.resize(static_cast<size_t>(width), ' ');
  return text;
}

std::string FormatDateOrTime(int64_t value, const PictureTemplate& t) {
  const bool is_date = t.kind == PictureKind::kDate;
  CalendarDate date;
  TimeOfDay time;
  const bool in_range =
      value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
  const int32_t v = in_range ? static_cast<int32_t>(value) : -1;
  const bool valid = is_date ? SplitDayNumber(v, &date) : SplitTimeValue(v, &time);
  bool twelve_hour = false;
  for (int i = 0; i < t.width; ++i) twelve_hour |= t.cells[i].code == kCellAmPm;
  const int hour = twelve_hour ? (time.hour % 12 == 0 ? 12 : time.hour % 12) : time.hour;
  const LocaleTexts& texts = CurrentLocaleTexts();

  std::string out;
  for (int i = 0; i < t.width;) {
    const PictureCell& cell = t.cells[i];
    int run = 1;
    while (i + run < t.width && t.cells[i + run].code == cell.code) ++run;
    int part = -1;
    switch (cell.code) {
      case kCellMonth:
        part = date.month;
        break;
      case kCellDay:
        part = date.day;
        break;
      case kCellYear:
        part = run <= 2 ? date.year % 100 : date.year;
        break;
      case kCellHour:
        part = hour;
        break;
      case kCellMinute:
        part = time.minute;
        break;
      case kCellSecond:
        part = time.second;
        break;
      default:
        break;
    }
    if (part >= 0) {
      if (!valid) {
        out.append(static_cast<size_t>(run), ' ');
      } else {
        std::string digits(static_cast<size_t>(run), '0');
        for (int k = run - 1, p = part; k >= 0; --k, p /= 10)
          digits[k] = static_cast<char>('0' + p % 10);
        // Leading zeros show the display character where that is not a digit.
        for (int k = 0; k < run - 1 && digits[k] == '0'; ++k) {
          if (!IsDigitChar(t.cells[i + k].display)) digits[k] = t.cells[i + k].display;
        }
        out += digits;
      }
      i += run;
      continue;
    }
    if (cell.code == kCellMonthName) {
      if (!valid) {
        out.append(static_cast<size_t>(run), ' ');
      } else {
        // A shorter name closes up: the following cells move left.
        std::string name = texts.month_names[date.month - 1].substr(0, static_cast<size_t>(run));
        if (t.picture_number != 4 && t.picture_number != 18) {
          for (char& c : name) c = UpperLetter(c);
        }
        out += name;
      }
      i += run;
      continue;
    }
    if (cell.code == kCellAmPm) {
      const std::string& text = time.hour >= 12 ? texts.pm : texts.am;
      out += valid && !text.empty() ? text[0] : ' ';
      if (i + 1 < t.width) out += valid && text.size() > 1 ? text[1] : ' ';
      i += 2;
      continue;
    }
    out += cell.display;
    ++i;
  }
  return Fit(std::move(out), t.width);
}

// Shows the grouping cells: their character when a digit stands to the left,
// else a continued asterisk fill, a sign moved one cell right, or a blank.
void ShowGrouping(const PictureTemplate& t, std::string* out) {
  for (int i = 0; i < t.width; ++i) {
    if (t.cells[i].code != kCellGrouping) continue;
    const char left = i > 0 ? (*out)[i - 1] : ' ';
    if (IsDigitChar(left)) {
      (*out)[i] = t.cells[i].display;
    } else if (left == '*') {
      (*out)[i] = '*';
    } else if (i > 0 && t.cells[i - 1].code == kCellSign && (left == '-' || left == '(')) {
      (*out)[i] = left;
      (*out)[i - 1] = ' ';
    } else {
      (*out)[i] = ' ';
    }
  }
}

std::string FormatNumber(const DigitString& value, const PictureTemplate& t) {
  SplitNumber n = Split(value);
  if (t.blank_if_zero && n.zero()) return std::string(static_cast<size_t>(t.width), ' ');

  // The point: a decimal point cell, or the implied point after its digit.
  int point = t.width;
  for (int i = 0; i < t.width; ++i) {
    if (t.cells[i].code == kCellDecimalPoint || t.cells[i].code == kCellImpliedPoint) {
      point = t.cells[i].code == kCellImpliedPoint ? i + 1 : i;
      break;
    }
  }
  std::vector<int> integer_cells;
  std::vector<int> fraction_cells;
  std::vector<int> grouping_cells;
  for (int i = 0; i < t.width; ++i) {
    const uint8_t code = t.cells[i].code;
    if (IsDigitCell(code)) (i < point ? integer_cells : fraction_cells).push_back(i);
    if (code == kCellGrouping) grouping_cells.push_back(i);
  }
  RoundTo(&n, fraction_cells.size());

  PictureTemplate cells = t;
  const size_t needed = n.integer.size();
  if (needed > integer_cells.size()) {
    const size_t missing = needed - integer_cells.size();
    if (missing > grouping_cells.size()) {
      const bool blank = t.kind == PictureKind::kPattern && integer_cells.empty();
      return std::string(static_cast<size_t>(t.width), blank ? ' ' : '#');
    }
    // The leftmost grouping cells take digits instead.
    for (size_t k = 0; k < missing; ++k) cells.cells[grouping_cells[k]].code = kCellDigit;
    integer_cells.clear();
    for (int i = 0; i < point && i < t.width; ++i) {
      if (IsDigitCell(cells.cells[i].code)) integer_cells.push_back(i);
    }
  }

  std::string out(static_cast<size_t>(t.width), ' ');
  for (int i = 0; i < t.width; ++i) {
    const uint8_t code = cells.cells[i].code;
    if (code == kCellLiteral || code == kCellCurrency || code == kCellDecimalPoint ||
        IsDigitCell(code)) {
      out[i] = cells.cells[i].display;
    }
  }
  for (size_t k = 0; k < n.integer.size(); ++k) {
    out[integer_cells[integer_cells.size() - n.integer.size() + k]] = n.integer[k];
  }
  for (size_t k = 0; k < fraction_cells.size(); ++k) out[fraction_cells[k]] = n.fraction[k];
  const bool negative = n.negative && !n.zero();
  for (int i = 0; i < t.width; ++i) {
    if (cells.cells[i].code == kCellSign && negative) out[i] = cells.cells[i].display;
  }
  ShowGrouping(cells, &out);

  // With blank leading digits, a leading currency and sign float to the
  // first digit shown.
  if (!integer_cells.empty() && cells.cells[integer_cells.front()].code == kCellDigitBlankZero) {
    std::string leading;
    int i = 0;
    for (;
         i < t.width && (cells.cells[i].code == kCellCurrency || cells.cells[i].code == kCellSign);
         ++i) {
      if (cells.cells[i].code == kCellCurrency || out[i] != ' ') leading += out[i];
      out[i] = ' ';
    }
    int first = i;
    while (first < t.width && !IsDigitChar(out[first])) ++first;
    const int start = std::max(0, first - static_cast<int>(leading.size()));
    for (size_t k = 0; k < leading.size() && start + static_cast<int>(k) < t.width; ++k) {
      out[start + k] = leading[k];
    }
  }
  return out;
}

std::string FormatScientific(const DigitString& value, const PictureTemplate& t) {
  SplitNumber n = Split(value);
  if (t.blank_if_zero && n.zero()) return std::string(static_cast<size_t>(t.width), ' ');
  std::vector<int> integer_cells;
  std::vector<int> fraction_cells;
  int point = 0;
  while (point < t.width && t.cells[point].code != kCellDecimalPoint) ++point;
  for (int i = 0; i < t.width - 3; ++i) {
    if (IsDigitCell(t.cells[i].code)) (i < point ? integer_cells : fraction_cells).push_back(i);
  }
  const int int_count = static_cast<int>(integer_cells.size());
  const int frac_count = static_cast<int>(fraction_cells.size());

  // The mantissa: its first digit is the value's first significant one, with
  // int_count digits before the point (0.ddd when there are none).
  std::string all = n.integer + n.fraction;
  const size_t first = all.find_first_not_of('0');
  int exponent = 0;
  std::string mantissa(static_cast<size_t>(int_count + frac_count), '0');
  if (first != std::string::npos) {
    const int first_power = static_cast<int>(n.integer.size()) - 1 - static_cast<int>(first);
    exponent = first_power - (int_count - 1);
    SplitNumber m;
    m.integer = all.substr(first, static_cast<size_t>(int_count));
    m.integer.resize(static_cast<size_t>(int_count), '0');
    m.fraction = all.size() > first + static_cast<size_t>(int_count)
                     ? all.substr(first + static_cast<size_t>(int_count))
                     : "";
    RoundTo(&m, static_cast<size_t>(frac_count));
    std::string digits = m.integer + m.fraction;
    if (static_cast<int>(digits.size()) > int_count + frac_count) {  // 9.99 rounded to 10.0
      digits.pop_back();
      ++exponent;
    }
    mantissa = digits.substr(0, static_cast<size_t>(int_count + frac_count));
    mantissa.resize(static_cast<size_t>(int_count + frac_count), '0');
  }
  if (std::abs(exponent) > 999) return std::string(static_cast<size_t>(t.width), '#');

  std::string out(static_cast<size_t>(t.width), ' ');
  for (int i = 0; i < t.width; ++i) out[i] = t.cells[i].display;
  bool shown = false;  // leading integer zeros stay blank, all but the last
  for (int k = 0; k < int_count; ++k) {
    const char digit = mantissa[static_cast<size_t>(k)];
    shown |= digit != '0' || k == int_count - 1;
    out[integer_cells[k]] = shown ? digit : t.cells[integer_cells[k]].display;
  }
  for (int k = 0; k < frac_count; ++k) out[fraction_cells[k]] = mantissa[int_count + k];
  out[0] = n.negative && first != std::string::npos ? '-' : ' ';
  ShowGrouping(t, &out);
  out[t.width - 4] = exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  out[t.width - 3] = static_cast<char>('0' + magnitude / 100);
  out[t.width - 2] = static_cast<char>('0' + magnitude / 10 % 10);
  out[t.width - 1] = static_cast<char>('0' + magnitude % 10);
  return out;
}

DigitString DigitsOfInteger(int64_t value) {
  DigitString d;
  d.negative = value < 0;
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  d.digits = std::to_string(magnitude);
  d.integer_digits = static_cast<int>(d.digits.size());
  return d;
}

}  // namespace

std::string FormatValue(const DigitString& value, const PictureTemplate& picture) {
  if (!picture.valid()) return "";
  switch (picture.kind) {
    case PictureKind::kString:
    case PictureKind::kKeyIn:
      return Fit(TextOf(value), picture.width);
    case PictureKind::kDate:
    case PictureKind::kTime: {
      const int64_t v = IntegerOf(value);
      if (picture.blank_if_zero && v == 0)
        return std::string(static_cast<size_t>(picture.width), ' ');
      return FormatDateOrTime(v, picture);
    }
    case PictureKind::kScientific:
      return FormatScientific(value, picture);
    case PictureKind::kNumeric:
    case PictureKind::kPattern:
      return FormatNumber(value, picture);
  }
  return "";
}

std::string FormatValue(int32_t value, const PictureTemplate& picture) {
  return FormatValue(int64_t{value}, picture);
}

std::string FormatValue(int64_t value, const PictureTemplate& picture) {
  return FormatValue(DigitsOfInteger(value), picture);
}

std::string FormatValue(double value, const PictureTemplate& picture) {
  if (!std::isfinite(value)) value = 0;
  if (picture.kind == PictureKind::kDate || picture.kind == PictureKind::kTime) {
    return FormatValue(static_cast<int64_t>(std::clamp(std::trunc(value), -1e15, 1e15)), picture);
  }
  // The shortest digits that read back as the same real.
  char text[400];
  const auto end =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::fixed).ptr;
  DigitString d;
  d.negative = value < 0;
  d.digits.clear();
  d.integer_digits = 0;
  bool point = false;
  for (const char* p = text; p < end; ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    d.digits += *p;
    if (!point) ++d.integer_digits;
  }
  return FormatValue(d, picture);
}

std::string FormatValue(std::string_view text, const PictureTemplate& picture) {
  if (picture.kind == PictureKind::kString || picture.kind == PictureKind::kKeyIn) {
    return Fit(std::string(text), picture.width);
  }
  DigitString d;
  DigitsFromDecimal(DecimalFromText(text), &d);
  return FormatValue(d, picture);
}

}  // namespace vaultara::data
