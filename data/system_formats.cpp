#include "data/system_formats.h"

#include <utility>

#include "data/locale_texts.h"
#include "platform/profile_strings.h"

namespace vaultara::data {
namespace {

SystemFormats& Formats() {
  static SystemFormats formats;
  return formats;
}

}  // namespace

ProfileInternationalSettings::ProfileInternationalSettings(platform::Platform& platform)
    : ProfileInternationalSettings(platform, platform::UserProfilePath()) {}

ProfileInternationalSettings::ProfileInternationalSettings(platform::Platform& platform,
                                                           std::string profile_path)
    : platform_(platform), profile_path_(std::move(profile_path)) {}

std::optional<std::string> ProfileInternationalSettings::Get(std::string_view key) {
  if (auto value = platform::FindProfileString(platform_, profile_path_, "intl", key)) {
    return value;
  }
  if (auto formats = platform::UserLocaleTimeFormats()) {
    return platform::LocaleFormatSetting(key, *formats);
  }
  return std::nullopt;
}

SystemFormats ReadSystemFormats(InternationalSettings& settings) {
  SystemFormats formats;
  if (auto v = settings.Get("iTime")) formats.twelve_hour_clock = v->empty() || (*v)[0] != '1';
  if (auto v = settings.Get("iTLzero")) formats.hour_leading_zero = v->empty() || (*v)[0] != '0';
  if (auto v = settings.Get("sTime"); v && !v->empty()) formats.time_separator = (*v)[0];
  if (auto v = settings.Get("s1159")) formats.am = v->substr(0, 2);
  if (auto v = settings.Get("s2359")) formats.pm = v->substr(0, 2);
  if (auto v = settings.Get("sShortDate"); v && !v->empty()) formats.short_date = *v;
  if (auto v = settings.Get("sLongDate"); v && !v->empty()) formats.long_date = *v;
  return formats;
}

const SystemFormats& CurrentSystemFormats() { return Formats(); }

void InstallSystemFormats(const SystemFormats& formats) {
  Formats() = formats;
  if (formats.am) CurrentLocaleTexts().am = *formats.am;
  if (formats.pm) CurrentLocaleTexts().pm = *formats.pm;
}

void LoadSystemFormats(InternationalSettings& settings) {
  InstallSystemFormats(ReadSystemFormats(settings));
}

void ResetSystemFormats() { Formats() = SystemFormats(); }

}  // namespace vaultara::data
