#include "data/locale_texts.h"

namespace vaultara::data {

LocaleTexts::LocaleTexts()
    : month_names{"January", "February", "March",     "April",   "May",      "June",
                  "July",    "August",   "September", "October", "November", "December"},
      short_month_names{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"} {}

LocaleTexts& CurrentLocaleTexts() {
  static LocaleTexts texts;
  return texts;
}

void ResetLocaleTexts() { CurrentLocaleTexts() = LocaleTexts(); }

}  // namespace vaultara::data
