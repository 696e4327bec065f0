#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vaultara::platform {
class Platform;
}

namespace vaultara::data {

// The source of the system's international settings (the keys of the "intl"
// section of the user profile: "iTime", "iTLzero", "sTime", "s1159",
// "s2359", "sShortDate", "sLongDate"). Tests hand in their own.
class InternationalSettings {
 public:
  virtual ~InternationalSettings() = default;
  // The key's value, or nullopt when the source does not set it.
  virtual std::optional<std::string> Get(std::string_view key) = 0;
};

// The real source: the user profile's "intl" section when it sets a key, else
// what the user's locale (LC_TIME) gives for it. The platform must outlive it.
class ProfileInternationalSettings : public InternationalSettings {
 public:
  explicit ProfileInternationalSettings(platform::Platform& platform);
  ProfileInternationalSettings(platform::Platform& platform, std::string profile_path);
  std::optional<std::string> Get(std::string_view key) override;

 private:
  platform::Platform& platform_;
  std::string profile_path_;
};

// The date and time formats that pictures @D17, @D18, @T7 and @T8 follow.
struct SystemFormats {
  bool twelve_hour_clock = true;  // "iTime" 0
  bool hour_leading_zero = true;  // "iTLzero" 1
  char time_separator = ':';      // the first character of "sTime"
  std::string short_date = "MM/dd/yy";
  std::string long_date = "ddd', 'MMMM' 'dd', 'yyyy";
  // "s1159" and "s2359", at most two characters; nullopt keeps the locale
  // texts' own.
  std::optional<std::string> am;
  std::optional<std::string> pm;
};

// The formats the settings give, with the defaults for what they leave unset.
SystemFormats ReadSystemFormats(InternationalSettings& settings);

// The process-wide formats, read at start-up; pictures compiled afterwards
// use them. Installing formats with AM/PM texts also sets the locale texts'
// AM and PM.
const SystemFormats& CurrentSystemFormats();
void InstallSystemFormats(const SystemFormats& formats);
// Reads and installs the formats (at start-up).
void LoadSystemFormats(InternationalSettings& settings);
// Puts the defaults back (for tests).
void ResetSystemFormats();

}  // namespace vaultara::data
