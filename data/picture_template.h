#pragma once

#include <array>
#include <cstdint>

#include "data/date_time.h"

namespace vaultara::data {

// What a picture shows.
enum class PictureKind : uint8_t {
  kNumeric = 0,     // @N
  kScientific = 1,  // @E
  kDate = 2,        // @D
  kTime = 3,        // @T
  kPattern = 4,     // @P
  kString = 5,      // @S
  kKeyIn = 6,       // @K
};

// What one cell of a compiled picture holds.
enum CellCode : uint8_t {
  kCellLiteral = 0,   // the display character, unchanged
  kCellGrouping = 1,  // thousands separator, shown when a digit stands to its left
  kCellDecimalPoint = 2,
  kCellDigit = 3,           // digit, shown even when a leading zero
  kCellDigitBlankZero = 4,  // digit, the display character when a leading zero
  kCellSign = 5,            // "-", "(" or ")"
  kCellCurrency = 6,        // one character of the currency text
  kCellMonth = 7,
  kCellDay = 8,
  kCellYear = 9,
  kCellMonthName = 10,
  kCellHour = 11,
  kCellMinute = 12,
  kCellSecond = 13,
  kCellKeyLetter = 14,
  kCellKeyUpper = 15,
  kCellKeyLower = 16,
  kCellKeyAny = 17,
  kCellSeparator = 19,  // date or time separator
  kCellAmPm = 20,       // the first of two AM/PM cells
  kCellExponentSign = 21,
  kCellImpliedPoint = 22,  // the units digit, with the decimal point after it unseen
  kCellKeyEnd = 23,        // key-in: end of input
};

struct PictureCell {
  char display = ' ';
  uint8_t code = kCellLiteral;
};

inline constexpr int kMaxPictureWidth = 255;

// A compiled display picture such as "@s60" or "@d17b", used both to format
// values and to read typed text back. A picture that did not compile has
// width 0: formatting with it gives an empty text and reading gives nothing.
//
// For @S only the width is set; every other kind has `width` cells. Date and
// time digit cells whose display character is not a digit show that
// character in place of a leading zero of their part.
struct PictureTemplate {
  PictureKind kind = PictureKind::kString;
  bool blank_if_zero = false;
  int width = 0;
  int picture_number = 0;  // the standard date (1..18) or time (1..8) picture
  int year_window = kDefaultYearWindow;
  std::array<PictureCell, kMaxPictureWidth> cells{};

  bool valid() const { return width > 0; }
};

}  // namespace vaultara::data
