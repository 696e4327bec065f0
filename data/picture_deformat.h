#pragma once

#include <string>
#include <string_view>

#include "data/picture_template.h"

namespace vaultara::data {

// Reads text typed or shown with a picture back into a value, as a numeric
// text:
// - numbers: the digits, with "-" in front when negative and "." before the
//   fraction ("1234.57", "-12"); a text with no digits gives "0";
// - scientific: the mantissa, "e", the exponent's sign and digits;
// - dates: the day number, "0" for a text without a date and "-1" for one
//   that is not a date; two-digit years are placed with the picture's window
//   around the current year, months past 12 run into the next years and days
//   past a month's end into the next months;
// - times: the time value, "0" for no time and "-1" for one that is not a time;
// - string pictures: the characters of a number the text holds;
// - key-in pictures: the text itself, cut to the width.
// An invalid picture gives an empty text.
std::string DeformatText(std::string_view text, const PictureTemplate& picture);
// The same with a given current year (for the two-digit-year window).
std::string DeformatText(std::string_view text, const PictureTemplate& picture, int current_year);

}  // namespace vaultara::data
