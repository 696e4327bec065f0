#include "data/picture_compiler.h"

#include <algorithm>
#include <string>
#include <vector>

#include "data/locale_texts.h"
#include "data/system_formats.h"

namespace vaultara::data {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// How picture characters show: "_" as a blank and the grave accent as a comma.
char Shown(char c) {
  if (c == '_') return ' ';
  if (c == '`') return ',';
  return c;
}

// Reads decimal digits at *pos (at least one); the value saturates above 999
// so that an absurd number stays invalid rather than wrapping.
bool ReadNumber(std::string_view text, size_t* pos, int* value) {
  if (*pos >= text.size() || !IsDigit(text[*pos])) return false;
  int n = 0;
  while (*pos < text.size() && IsDigit(text[*pos]))
    n = std::min(n * 10 + (text[(*pos)++] - '0'), 999);
  *value = n;
  return true;
}

class Builder {
 public:
  explicit Builder(PictureTemplate* out) : out_(out) {}
  bool Add(char display, uint8_t code) {
    if (out_->width >= kMaxPictureWidth) return false;
    out_->cells[out_->width++] = {display, code};
    return true;
  }
  bool Add(std::string_view text, uint8_t code) {
    for (char c : text) {
      if (!Add(c, code)) return false;
    }
    return true;
  }

 private:
  PictureTemplate* out_;
};

// Date and time layouts, one letter a cell:
//   M/m month digit (M: a leading zero shows blank), D/d day, y year,
//   n month-name letter, H/h hour, i minute, s second,
//   X the AM/PM pair (two cells), "/" ":" "," a separator showing itself,
//   "_" a separator showing a blank, " " a literal blank.
void AddLayout(std::string_view layout, Builder* cells) {
  for (size_t i = 0; i < layout.size(); ++i) {
    const char c = layout[i];
    switch (c) {
      case 'M':
        cells->Add(' ', kCellMonth);
        break;
      case 'm':
        cells->Add('0', kCellMonth);
        break;
      case 'D':
        cells->Add(' ', kCellDay);
        break;
      case 'd':
        cells->Add('0', kCellDay);
        break;
      case 'y':
        cells->Add('0', kCellYear);
        break;
      case 'n':
        cells->Add(' ', kCellMonthName);
        break;
      case 'H':
        cells->Add(' ', kCellHour);
        break;
      case 'h':
        cells->Add('0', kCellHour);
        break;
      case 'i':
        cells->Add('0', kCellMinute);
        break;
      case 's':
        cells->Add('0', kCellSecond);
        break;
      case 'X': {
        const std::string& am = CurrentLocaleTexts().am;
        cells->Add(am.empty() ? 'A' : am[0], kCellAmPm);
        cells->Add(am.size() < 2 ? 'M' : am[1], kCellLiteral);
        break;
      }
      case ' ':
        cells->Add(' ', kCellLiteral);
        break;
      default:
        cells->Add(Shown(c), kCellSeparator);
        break;
    }
  }
}

// Picture 17 from the short date format: its order, leading zeros, year
// length and separator.
std::string ShortDateLayout(std::string_view format) {
  const char first = format.empty() ? 'M' : Lower(format[0]);
  const bool day_zero = format.find("dd") != std::string_view::npos;
  const bool month_zero = format.find("MM") != std::string_view::npos;
  const bool four_digit_year = format.find("yyy") != std::string_view::npos;
  const size_t last_m = format.rfind('M');
  char separator = '/';
  if (last_m != std::string_view::npos && last_m + 1 < format.size())
    separator = format[last_m + 1];
  if (separator == ' ') separator = '_';
  const std::string day = day_zero ? "dd" : "Dd";
  const std::string month = month_zero ? "mm" : "Mm";
  const std::string year = four_digit_year ? "yyyy" : "yy";
  const std::string sep(1, separator);
  if (first == 'd') return day + sep + month + sep + year;
  if (first == 'y') return year + sep + month + sep + day;
  return month + sep + day + sep + year;
}

// Picture 18 from the long date format: day, month (by its full name) and
// year in the format's order, with the texts the format puts between them.
// A weekday ("ddd", "dddd") and the text right after it are left out.
std::string LongDateLayout(std::string_view format) {
  struct Token {
    char part;  // 'd', 'M', 'y', or 0 for literal text
    std::string text;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '\'') {
      const size_t end = format.find('\'', i + 1);
      const std::string literal(
          format.substr(i + 1, end == std::string_view::npos ? end : end - i - 1));
      if (tokens.empty() || tokens.back().part) tokens.push_back({0, ""});
      tokens.back().text += literal;
      i = end == std::string_view::npos ? format.size() : end + 1;
    } else if (c == 'd' || c == 'M' || c == 'y') {
      size_t run = 1;
      while (i + run < format.size() && format[i + run] == c) ++run;
      if (c == 'd' && run >= 3) {
        tokens.push_back({'w', ""});  // weekday
      } else {
        tokens.push_back({c, std::string(run, c)});
      }
      i += run;
    } else {
      if (tokens.empty() || tokens.back().part) tokens.push_back({0, ""});
      tokens.back().text += c;
      ++i;
    }
  }
  std::string layout;
  bool pending_text = false;
  std::string between;
  bool after_weekday = false;
  for (const Token& token : tokens) {
    if (token.part == 'w') {
      after_weekday = true;
      continue;
    }
    if (!token.part) {
      if (!after_weekday) between = token.text;
      after_weekday = false;
      pending_text = true;
      continue;
    }
    after_weekday = false;
    if (!layout.empty() && pending_text) {
      for (char c : between) layout += (c == ' ') ? ' ' : (IsDigit(c) || c == '_') ? '_' : c;
    } else if (!layout.empty()) {
      layout += ' ';
    }
    between.clear();
    pending_text = false;
    if (token.part == 'd') layout += token.text.size() >= 2 ? "dd" : "Dd";
    if (token.part == 'M') layout += "nnnnnnnnnnnn";
    if (token.part == 'y') layout += token.text.size() >= 3 ? "yyyy" : "yy";
  }
  return layout.empty() ? "nnnnnnnnnnnn Dd, yyyy" : layout;
}

std::string_view StandardDateLayout(int number) {
  static constexpr std::string_view kLayouts[] = {
      "",           "Mm/dd/yy",   "Mm/dd/yyyy", "nnn Dd,yyyy", "nnnnnnnnnnnn Dd, yyyy",
      "dd/mm/yy",   "dd/mm/yyyy", "Dd_nnn_yy",  "Dd_nnn_yyyy", "yy/mm/dd",
      "yyyy/mm/dd", "yymmdd",     "yyyymmdd",   "mm/yy",       "mm/yyyy",
      "yy/mm",      "yyyy/mm"};
  return kLayouts[number];
}

std::string TimeLayout(int number) {
  static constexpr std::string_view kLayouts[] = {"",         "Hh:ii",  "Hhii",     "Hh:iiX",
                                                  "Hh:ii:ss", "Hhiiss", "Hh:ii:ssX"};
  if (number <= 6) return std::string(kLayouts[number]);
  const SystemFormats& formats = CurrentSystemFormats();
  const char sep = formats.time_separator == ' ' ? '_' : formats.time_separator;
  std::string layout = formats.hour_leading_zero ? "hh" : "Hh";
  layout += sep;
  layout += "ii";
  if (number == 8) {
    layout += sep;
    layout += "ss";
  }
  if (formats.twelve_hour_clock) layout += " X";
  return layout;
}

bool IsFill(char c) { return c == '0' || c == '_' || c == '*'; }
bool IsDateSeparator(char c) { return c == '-' || c == '.' || c == '_' || c == '`'; }

// Applies a fill character to the cells with the given codes and a separator
// character to the separator cells.
void ApplyFillAndSeparator(PictureTemplate* t, char fill, char separator, uint8_t first_code,
                           uint8_t last_code) {
  for (int i = 0; i < t->width; ++i) {
    PictureCell& cell = t->cells[i];
    if (fill && ((cell.code >= first_code && cell.code <= last_code))) cell.display = Shown(fill);
    if (separator && cell.code == kCellSeparator) cell.display = Shown(separator);
  }
}

bool CompileDate(std::string_view p, PictureTemplate* t) {
  size_t pos = 1;
  char fill = 0;
  if (pos + 1 < p.size() && IsFill(p[pos]) && IsDigit(p[pos + 1])) fill = p[pos++];
  int number = 0;
  if (!ReadNumber(p, &pos, &number) || number < 1 || number > 18) return false;
  if (pos < p.size() && (p[pos] == '<' || p[pos] == '>')) {
    const bool before = p[pos++] == '<';
    int n = 0;
    ReadNumber(p, &pos, &n);
    if (before) {
      t->year_window = n == 0 ? kDefaultYearWindow : std::min(n, 99);
    } else {
      t->year_window = n == 0 ? 19 : 99 - std::min(n, 99);
    }
  }
  char separator = 0;
  if (pos < p.size() && IsDateSeparator(p[pos])) separator = p[pos++];
  if (pos != p.size()) return false;
  t->kind = PictureKind::kDate;
  t->picture_number = number;
  Builder cells(t);
  const SystemFormats& formats = CurrentSystemFormats();
  if (number == 17) {
    AddLayout(ShortDateLayout(formats.short_date), &cells);
  } else if (number == 18) {
    AddLayout(LongDateLayout(formats.long_date), &cells);
  } else {
    AddLayout(StandardDateLayout(number), &cells);
  }
  ApplyFillAndSeparator(t, fill, separator, kCellMonth, kCellMonthName);
  return t->width > 0;
}

bool CompileTime(std::string_view p, PictureTemplate* t) {
  size_t pos = 1;
  char fill = 0;
  if (pos + 1 < p.size() && IsFill(p[pos]) && IsDigit(p[pos + 1])) fill = p[pos++];
  int number = 0;
  if (!ReadNumber(p, &pos, &number) || number < 1 || number > 8) return false;
  char separator = 0;
  if (pos + 1 == p.size() && IsDateSeparator(p[pos])) separator = p[pos++];
  if (pos != p.size()) return false;
  t->kind = PictureKind::kTime;
  t->picture_number = number;
  Builder cells(t);
  AddLayout(TimeLayout(number), &cells);
  ApplyFillAndSeparator(t, fill, separator, kCellHour, kCellSecond);
  return true;
}

bool CompileString(std::string_view p, PictureTemplate* t) {
  size_t pos = 1;
  int width = 0;
  if (!ReadNumber(p, &pos, &width) || width < 1 || width > kMaxPictureWidth) return false;
  while (pos < p.size() && p[pos] == ' ') ++pos;
  if (pos != p.size()) return false;
  t->kind = PictureKind::kString;
  t->width = width;
  return true;
}

// Reads a currency: "$" or a text between two "~".
bool ReadCurrency(std::string_view p, size_t* pos, std::string* currency) {
  if (*pos >= p.size()) return true;
  if (p[*pos] == '$') {
    *currency = "$";
    ++*pos;
    return true;
  }
  if (p[*pos] != '~') return true;
  const size_t end = p.find('~', *pos + 1);
  if (end == std::string_view::npos || end == *pos + 1) return false;
  *currency = std::string(p.substr(*pos + 1, end - *pos - 1));
  *pos = end + 1;
  return true;
}

bool IsNumberMark(char c) { return c == '.' || c == 'V' || c == '_' || c == '`' || c == 'v'; }

bool CompileNumber(std::string_view p, PictureTemplate* t) {
  size_t pos = 1;
  std::string leading_currency;
  if (!ReadCurrency(p, &pos, &leading_currency)) return false;
  char leading_sign = 0;
  if (pos < p.size() && (p[pos] == '-' || p[pos] == '(')) leading_sign = p[pos++];
  char fill = 0;
  if (pos < p.size() && IsFill(p[pos])) fill = p[pos++];
  int width = 0;
  if (!ReadNumber(p, &pos, &width) || width < 1 || width > kMaxPictureWidth) return false;

  char grouping = 0;
  char decimal = 0;
  if (pos < p.size() && IsNumberMark(p[pos])) {
    const bool next_is_mark = pos + 1 >= p.size() || IsNumberMark(p[pos + 1]);
    if (next_is_mark) {
      grouping = p[pos++];
      if (pos < p.size()) decimal = p[pos++];
    } else {
      decimal = p[pos++];
    }
  }
  int places = 0;
  if (decimal) ReadNumber(p, &pos, &places);
  if (places == 0) decimal = 0;  // an indicator without places gives no point

  char trailing_sign = 0;
  if (pos < p.size() && p[pos] == '-' && !leading_sign) trailing_sign = p[pos++];
  if (leading_sign == '(') {
    if (pos >= p.size() || p[pos] != ')') return false;
    trailing_sign = p[pos++];
  }
  std::string trailing_currency;
  if (leading_currency.empty() && !ReadCurrency(p, &pos, &trailing_currency)) return false;
  if (pos != p.size()) return false;

  const int currency_length = static_cast<int>(leading_currency.size() + trailing_currency.size());
  const int minimum = (leading_sign || trailing_sign ? 1 : 0) + currency_length +
                      (leading_sign == '(' ? 1 : 0) + (decimal ? places + 1 : 0);
  if (width < minimum || width < 1) return false;

  // Cells are laid out right to left into `right`, then reversed.
  const bool implied = decimal == 'V' || decimal == 'v';
  // Without an explicit grouping character a "0" or "_" fill has no
  // grouping and an asterisk fill fills the grouping places too.
  const bool star_grouping = !grouping && fill == '*';
  if (!grouping && !fill) grouping = decimal == '`' ? '.' : ',';
  std::vector<PictureCell> right;
  if (trailing_sign) right.push_back({trailing_sign, kCellSign});
  for (auto it = trailing_currency.rbegin(); it != trailing_currency.rend(); ++it) {
    right.push_back({*it, kCellCurrency});
  }
  for (int i = 0; i < places; ++i) right.push_back({'0', kCellDigit});
  if (decimal && !implied) right.push_back({Shown(decimal), kCellDecimalPoint});
  const int leading = static_cast<int>(leading_currency.size()) + (leading_sign ? 1 : 0);
  // The units digit, when the width leaves room for it (@N3.2 shows ".50").
  if (static_cast<int>(right.size()) < width - leading) {
    right.push_back({'0', implied ? kCellImpliedPoint : kCellDigit});
  }
  const int integer_cells = width - leading - static_cast<int>(right.size());
  const PictureCell digit =
      fill ? PictureCell{Shown(fill), kCellDigit} : PictureCell{' ', kCellDigitBlankZero};
  int digits_in_group = 1;
  for (int i = 0; i < integer_cells; ++i) {
    const bool leftmost = i == integer_cells - 1;
    if (digits_in_group == 3 && (grouping || star_grouping) && !leftmost) {
      right.push_back(star_grouping ? PictureCell{'*', kCellDigit}
                                    : PictureCell{Shown(grouping), kCellGrouping});
      digits_in_group = 0;
    } else {
      right.push_back(digit);
      ++digits_in_group;
    }
  }
  if (leading_sign) right.push_back({leading_sign, kCellSign});
  for (auto it = leading_currency.rbegin(); it != leading_currency.rend(); ++it) {
    right.push_back({*it, kCellCurrency});
  }
  t->kind = PictureKind::kNumeric;
  t->width = 0;
  Builder cells(t);
  for (auto it = right.rbegin(); it != right.rend(); ++it) cells.Add(it->display, it->code);
  return t->width == width;
}

bool IsScientificMark(char c) { return c == '.' || c == '_' || c == '`'; }

bool CompileScientific(std::string_view p, PictureTemplate* t) {
  size_t pos = 1;
  int width = 0;
  if (!ReadNumber(p, &pos, &width) || width < 7 || width > kMaxPictureWidth) return false;
  char grouping = 0;
  char decimal = 0;
  if (pos < p.size() && IsScientificMark(p[pos])) {
    if (pos + 1 < p.size() && IsScientificMark(p[pos + 1])) grouping = p[pos++];
    decimal = p[pos++];
  }
  int n = 1;
  if (pos < p.size()) {
    if (!ReadNumber(p, &pos, &n) || n > kMaxPictureWidth) return false;
  }
  if (pos != p.size()) return false;
  const int separators = n >= 4 ? (n - 1) / 3 : 0;
  if (width < n + separators + 7) return false;
  const char point = decimal ? Shown(decimal) : '.';
  const char group = grouping ? Shown(grouping) : (decimal == '`' ? '.' : ',');
  t->kind = PictureKind::kScientific;
  Builder cells(t);
  cells.Add('-', kCellSign);
  for (int i = n; i >= 1; --i) {  // i counts integer digits from the right
    cells.Add(i == 1 ? '0' : ' ', i == 1 ? kCellDigit : kCellDigitBlankZero);
    if (i > 1 && (i - 1) % 3 == 0) cells.Add(group, kCellGrouping);
  }
  cells.Add(point, kCellDecimalPoint);
  while (t->width < width - 5) cells.Add('0', kCellDigit);
  cells.Add('E', kCellLiteral);
  cells.Add('+', kCellExponentSign);
  cells.Add("000", kCellDigit);
  return true;
}

bool CompilePattern(std::string_view p, PictureTemplate* t) {
  if (p.size() < 3 || Lower(p.back()) != 'p') return false;
  t->kind = PictureKind::kPattern;
  Builder cells(t);
  for (char c : p.substr(1, p.size() - 2)) {
    if (c == '#') {
      cells.Add('0', kCellDigit);
    } else if (c == '<') {
      cells.Add(' ', kCellDigitBlankZero);
    } else {
      cells.Add(c, kCellLiteral);
    }
  }
  return true;
}

bool CompileKeyIn(std::string_view p, PictureTemplate* t) {
  if (p.size() < 2 || Lower(p.back()) != 'k') return false;
  t->kind = PictureKind::kKeyIn;
  Builder cells(t);
  const std::string_view body = p.substr(1, p.size() - 2);
  for (size_t i = 0; i < body.size(); ++i) {
    switch (body[i]) {
      case '#':
        cells.Add('0', kCellDigit);
        break;
      case '<':
        cells.Add(' ', kCellDigitBlankZero);
        break;
      case '@':
        cells.Add(' ', kCellKeyLetter);
        break;
      case '^':
        cells.Add(' ', kCellKeyUpper);
        break;
      case '_':
        cells.Add(' ', kCellKeyLower);
        break;
      case '?':
        cells.Add(' ', kCellKeyAny);
        break;
      case '|':
        cells.Add(' ', kCellKeyEnd);
        break;
      case '\\':
        if (i + 1 < body.size()) ++i;
        cells.Add(body[i], kCellLiteral);
        break;
      default:
        cells.Add(body[i], kCellLiteral);
        break;
    }
  }
  return t->width > 0;
}

}  // namespace

PictureTemplate CompilePicture(std::string_view picture) {
  while (!picture.empty() && picture.back() == ' ') picture.remove_suffix(1);
  if (!picture.empty() && picture.front() == '@') picture.remove_prefix(1);
  PictureTemplate t;
  if (picture.empty() || picture.size() > kMaxPictureWidth) return t;
  if ((picture.back() == 'B' || picture.back() == 'b') && picture.size() >= 3) {
    t.blank_if_zero = true;
    picture.remove_suffix(1);
  }
  bool ok = false;
  switch (Lower(picture.front())) {
    case 's':
      ok = CompileString(picture, &t);
      break;
    case 'd':
      ok = CompileDate(picture, &t);
      break;
    case 't':
      ok = CompileTime(picture, &t);
      break;
    case 'n':
      ok = CompileNumber(picture, &t);
      break;
    case 'e':
      ok = CompileScientific(picture, &t);
      break;
    case 'p':
      ok = CompilePattern(picture, &t);
      break;
    case 'k':
      ok = CompileKeyIn(picture, &t);
      break;
    default:
      break;
  }
  if (!ok) return PictureTemplate();
  return t;
}

int PictureWidth(std::string_view picture) { return CompilePicture(picture).width; }

}  // namespace vaultara::data
