#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "data/expression_node.h"
#include "data/expression_value.h"

namespace vaultara::platform {
class Platform;
}

namespace vaultara::data {

// The built-in functions of expressions. A function is written with its
// parentheses even when it takes no argument; arguments may be left out from
// the right or left empty between commas. Leaving out a required argument
// posts error 800 when the function is evaluated, and it gives 0.
//
// Texts are taken as they are, trailing blanks included, unless a function
// says otherwise; positions are 1-based. A number where a text is wanted is
// its text ("50", "0.5"); a text where a number is wanted is the number it
// starts with (0 if none). A real result that is not a finite number (the
// square root of -1, the logarithm of 0, an overflow) posts error 800 and is 0.
//
// Texts:
//   SUB(text, start, length)  the part of text from start with at most length
//       characters (the whole rest without length). Start 0 counts as 1; a
//       negative start counts back from the end (-1 is the last character)
//       and is held at 1 when it reaches past the beginning; a start past the
//       end, or a length of 0 or less, gives an empty text.
//   UPPER(text), LOWER(text)  the text in upper or lower case (the current
//       case map).
//   CLIP(text)  without trailing blanks.
//   LEFT(text, length)  the text with its leading blanks moved to the end,
//       in length characters (default: the text's own length), blank-padded
//       or cut on the right.
//   RIGHT(text, length)  the text with its trailing blanks moved to the
//       front, in length characters (default: its own length); cut on the
//       left when longer.
//   CENTER(text, length)  the text without leading and trailing blanks,
//       centred in length characters (default: its own length), an odd blank
//       going to the right; cut on the right when longer.
//   ALL(text, length)  the text repeated to length characters (default 255);
//       empty when the text is empty.
//   CHR(code)  the character of code (its low 8 bits).
//   VAL(text)  the code of the first character; 0 for an empty text.
//   LEN(text)  the number of characters.
//   INSTRING(sub, text, step, start)  the position of the first occurrence of
//       sub in text, trying start, start + step, start + 2 * step... (step
//       defaults to the length of sub, start to 1); a negative step searches
//       backwards from start. 0 when not found, when sub is empty or longer
//       than text, or when start or step is 0.
//   MATCH(text, pattern, mode)  1 when text matches the wildcard pattern ("*"
//       any run of characters, "?" any one character), trailing blanks of
//       both ignored; mode 0 (default) compares case exactly, any other mode
//       ignores case. Else 0.
//   NUMERIC(text)  1 when the text, apart from surrounding blanks, is one
//       number (optional sign, digits, optional point and fraction, optional
//       exponent); else 0.
//   FORMAT(value, picture)  the value shown with the picture (a picture
//       constant or a text holding one); an invalid picture gives an empty
//       text. DEFORMAT(text, picture)  the value a text shows with the
//       picture, as a numeric text; without a picture the digits, sign and
//       point the text holds.
//   CHOOSE(n, v1, ..., v24)  the text of the n-th value; the last value given
//       when n is out of range (so CHOOSE(condition, a, b) gives a when the
//       condition is 1 and b when it is 0).
// Numbers:
//   ABS, SQRT, SIN, COS, TAN (radians), ASIN, ACOS, ATAN, LOG10, LOGE: reals.
//   INT(x)  x truncated toward zero.
//   ROUND(x, step)  x rounded to the nearest multiple of step (default 1),
//       halves away from zero; a step of 0 leaves x as it is.
//   BAND, BOR, BXOR(a, b)  bitwise and, or, exclusive or of the low 32 bits;
//       BSHIFT(a, n) shifts left by n (right, without sign, for negative n);
//       the results are signed 32-bit integers.
//   RANDOM(low, high)  an integer from low to high inclusive (the bounds may
//       come in either order).
//   INLIST(value, v1, ..., v24)  the position (1 for v1) of the first value
//       that compares equal to value as "=" compares; 0 when none does.
//   INRANGE(value, low, high)  1 when low <= value <= high as "<=" compares.
// Dates (day numbers) and times:
//   TODAY()  the current date; CLOCK()  the current time (hundredths of a
//       second since midnight, plus one).
//   DATE(month, day, year)  the day number; months outside 1-12 run into
//       neighbouring years and days past a month's end into the next months;
//       0 when the result falls outside the years 1801-9999.
//   DAY(date), MONTH(date), YEAR(date)  the parts; 0 when it is not a date.
//   AGE(birth, base)  the age at base (default: today) as text: "n DAYS"
//       under 61 days, "n MOS" under 24 months, else "n YRS"; empty when
//       either is not a date or birth is after base.
// Others:
//   GETINI(section, key, default, file)  the value of key in section of the
//       settings file (default: the user profile), or default when it has
//       none. Trailing blanks of the arguments are ignored.
//   NULL(field)  0: record fields here are never null.
//   MEMORY(n)  0: the program does not count free memory.
//   SQL(raw text)  for drivers that take SQL; evaluated here it is 1, so it
//       never excludes a record.
struct BuiltInInfo {
  const char* name;
  BuiltIn id;
  uint8_t max_args;
  uint8_t required_args;
  ValueClass result;  // SQL, which has none, counts as an integer
};

// Every built-in function, by name.
std::span<const BuiltInInfo> BuiltIns();
const BuiltInInfo& InfoOf(BuiltIn id);

// Texts that functions build are cut at this many characters.
inline constexpr int64_t kMaxBuiltTextLength = 65535;

// Evaluates a call node; its natural value.
ExpressionValue CallBuiltIn(const ExpressionNode& call);

// The part of text that SUB(text, start, length) gives; length < 0 stands
// for "the whole rest".
std::string_view SubText(std::string_view text, int64_t start, int64_t length);

// INSTRING with every argument given.
int64_t FindInText(std::string_view sub, std::string_view text, int64_t step, int64_t start);

// The platform that TODAY, CLOCK and GETINI ask (nullptr: the real one). It
// must outlive its use.
void SetExpressionPlatform(platform::Platform* platform);

}  // namespace vaultara::data
