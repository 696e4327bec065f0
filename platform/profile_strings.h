#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/system_error.h"

namespace vaultara::platform {

// Profile strings: values kept in INI-style settings files.
//
//   [section]
//   key=value
//
// Section and key names ignore case (ASCII). Blanks around names and values
// are ignored, a value written inside one pair of double quotes loses them,
// and lines starting with ";" are comments. The files are read and written
// through the given Platform.

// The value, or nullopt when the file, the section or the key is missing.
std::optional<std::string> FindProfileString(Platform& platform, const std::string& file,
                                             std::string_view section, std::string_view key);
// The value, or default_value when it is missing.
std::string GetProfileString(Platform& platform, const std::string& file, std::string_view section,
                             std::string_view key, std::string_view default_value);

// Sets the key's value, adding the section and the key when they are
// missing and creating the file (mode 0600) and its folder when needed. The
// rest of the file is kept as it was. The new file is written beside the old
// one and then takes its place, so a failed write leaves the old one intact.
SysError WriteProfileString(Platform& platform, const std::string& file, std::string_view section,
                            std::string_view key, std::string_view value);

// The user profile: $XDG_CONFIG_HOME/vaultara/profile.ini, by default
// ~/.config/vaultara/profile.ini.
std::string UserProfilePath();

// The user's date and time conventions as the C library describes them for
// the LC_TIME locale: strftime formats and the AM/PM texts.
struct LocaleTimeFormats {
  std::string date_format;  // e.g. "%d.%m.%Y"
  std::string time_format;  // e.g. "%H:%M:%S" or "%I:%M:%S %p"
  std::string am;
  std::string pm;
};

// The formats of the user's locale (LC_ALL, else LC_TIME, else LANG); nullopt
// when none is set, when it is the "C" or "POSIX" locale, or when the system
// does not know it.
std::optional<LocaleTimeFormats> UserLocaleTimeFormats();

// The value a locale gives for a key of the "intl" section: "iTime",
// "iTLzero", "sTime", "s1159", "s2359" and "sShortDate" ("sLongDate" has no
// locale counterpart). Nullopt when the locale says nothing about it, or when
// a text would not be plain ASCII.
std::optional<std::string> LocaleFormatSetting(std::string_view key,
                                               const LocaleTimeFormats& formats);

}  // namespace vaultara::platform
