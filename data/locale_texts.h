#pragma once

#include <array>
#include <string>

namespace vaultara::data {

// The process-wide texts that pictures use for dates and times. They start
// with the English defaults and are replaced at start-up by the environment
// file beside the program.
struct LocaleTexts {
  std::array<std::string, 12> month_names;        // "January" ... (at most 12 characters)
  std::array<std::string, 12> short_month_names;  // "Jan" ... (at most 3 characters)
  std::string am = "AM";
  std::string pm = "PM";

  LocaleTexts();
};

// The current texts; statements and pictures run on one thread at a time.
LocaleTexts& CurrentLocaleTexts();
// Puts the defaults back (for tests and for a reload of the environment).
void ResetLocaleTexts();

}  // namespace vaultara::data
