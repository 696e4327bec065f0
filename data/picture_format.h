#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/digit_string.h"
#include "data/picture_template.h"

namespace vaultara::data {

// Formats a value with a compiled picture. The text is always the picture's
// width (empty for an invalid picture):
// - string and key-in pictures show the value's text, cut to the width;
// - date pictures take the value as a day number and time pictures as a time
//   value; a value that is not a date or time shows blanks in the date and
//   time cells;
// - numeric and pattern pictures round half up to their decimal places and
//   show "#" in every cell when the integer part does not fit;
// - blank-if-zero pictures show a zero number, date or time as blanks.
std::string FormatValue(const DigitString& value, const PictureTemplate& picture);
std::string FormatValue(int32_t value, const PictureTemplate& picture);
std::string FormatValue(int64_t value, const PictureTemplate& picture);
std::string FormatValue(double value, const PictureTemplate& picture);
// A text is shown as it is by string and key-in pictures; the others take
// the number it spells.
std::string FormatValue(std::string_view text, const PictureTemplate& picture);

}  // namespace vaultara::data
