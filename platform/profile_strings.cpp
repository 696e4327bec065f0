#include "platform/profile_strings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace vaultara::platform {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t end = line.find(']');
  if (end == std::string_view::npos) return std::nullopt;
  return line.substr(1, end - 1);
}

// Whether a line is "key=value" for the key; *value receives the value.
bool KeyLine(std::string_view line, std::string_view key, std::string_view* value) {
  if (!Trim(line).empty() && Trim(line).front() == ';') return false;
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || !SameName(line.substr(0, equals), key)) return false;
  *value = Trim(line.substr(equals + 1));
  return true;
}

SysError ReadWhole(Platform& platform, const std::string& path, std::string* text) {
  std::unique_ptr<File> file;
  OpenMode mode;
  mode.access = Access::kRead;
  if (SysError e = platform.Open(path, mode, Disposition::kOpenExisting, &file)) return e;
  uint64_t size = 0;
  if (SysError e = file->Size(&size)) return e;
  text->assign(size, '\0');
  size_t got = 0;
  if (SysError e = file->ReadAt(0, text->data(), text->size(), &got)) return e;
  text->resize(got);
  return syserr::kOk;
}

std::string NewPath(const std::string& file) { return file + ".new"; }

// The file's lines. A write that stopped between removing the old file and
// renaming the new one leaves only the new one, which is then read.
std::vector<std::string> ReadLines(Platform& platform, const std::string& file) {
  std::string text;
  if (ReadWhole(platform, file, &text) != syserr::kOk &&
      (platform.Exists(file) || ReadWhole(platform, NewPath(file), &text) != syserr::kOk)) {
    text.clear();
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

SysError MakeParents(Platform& platform, const std::string& file) {
  const size_t slash = file.rfind('/');
  if (slash == std::string::npos || slash == 0) return syserr::kOk;
  const std::string folder = file.substr(0, slash);
  if (platform.IsDirectory(folder)) return syserr::kOk;
  if (SysError e = MakeParents(platform, folder)) return e;
  return platform.MakeDirectory(folder);
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

std::optional<std::string> FindProfileString(Platform& platform, const std::string& file,
                                             std::string_view section, std::string_view key) {
  bool in_section = false;
  for (const std::string& line : ReadLines(platform, file)) {
    if (auto name = SectionOf(line)) {
      in_section = SameName(*name, section);
      continue;
    }
    std::string_view value;
    if (in_section && KeyLine(line, key, &value)) return Unquoted(value);
  }
  return std::nullopt;
}

std::string GetProfileString(Platform& platform, const std::string& file, std::string_view section,
                             std::string_view key, std::string_view default_value) {
  return FindProfileString(platform, file, section, key).value_or(std::string(default_value));
}

SysError WriteProfileString(Platform& platform, const std::string& file, std::string_view section,
                            std::string_view key, std::string_view value) {
  std::vector<std::string> lines = ReadLines(platform, file);
  const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  bool in_section = false;
  size_t section_end = lines.size();  // where a new key of the section goes
  bool found_section = false;
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    if (auto name = SectionOf(lines[i])) {
      if (in_section) {
        section_end = i;
        break;
      }
      in_section = SameName(*name, section);
      if (in_section) {
        found_section = true;
        section_end = lines.size();
      }
      continue;
    }
    std::string_view old;
    if (in_section && KeyLine(lines[i], key, &old)) {
      // The key keeps the spelling it has in the file.
      lines[i] =
          std::string(Trim(lines[i].substr(0, lines[i].find('=')))) + "=" + std::string(value);
      done = true;
    }
  }
  if (!done) {
    if (!found_section) {
      lines.push_back("[" + std::string(Trim(section)) + "]");
      section_end = lines.size();
    }
    // Keep blank lines that close the section after the new key.
    while (section_end > 0 && Trim(lines[section_end - 1]).empty() && found_section) --section_end;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(section_end), entry);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";

  if (SysError e = MakeParents(platform, file)) return e;
  const std::string fresh = NewPath(file);
  std::unique_ptr<File> out;
  OpenMode mode;
  mode.access = Access::kWrite;
  if (SysError e = platform.Open(fresh, mode, Disposition::kCreateAlways, &out)) return e;
  size_t written = 0;
  SysError e = out->WriteAt(0, text.data(), text.size(), &written);
  if (!e) e = out->Flush();
  out.reset();
  if (e) {
    platform.Delete(fresh);
    return e;
  }
  if (platform.Exists(file)) {
    if (SysError d = platform.Delete(file)) return d;
  }
  return platform.Rename(fresh, file);
}

std::string UserProfilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && *config) {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && *home ? home : ".") + "/.config";
  }
  return folder + "/vaultara/profile.ini";
}

std::optional<LocaleTimeFormats> UserLocaleTimeFormats() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      name = value;
      break;
    }
  }
  if (!name) return std::nullopt;
  const std::string_view locale_name(name);
  if (locale_name == "C" || locale_name == "POSIX" || locale_name.substr(0, 2) == "C.") {
    return std::nullopt;
  }
  locale_t locale = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return std::nullopt;
  LocaleTimeFormats formats;
  formats.date_format = nl_langinfo_l(D_FMT, locale);
  formats.time_format = nl_langinfo_l(T_FMT, locale);
  formats.am = nl_langinfo_l(AM_STR, locale);
  formats.pm = nl_langinfo_l(PM_STR, locale);
  freelocale(locale);
  return formats;
}

namespace {

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Turns a strftime date format into the profile's notation ("%d.%m.%Y" into
// "dd.MM.yyyy").
std::string ProfileDateFormat(std::string_view format) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    char directive = format[++i];
    while ((directive == 'E' || directive == 'O' || directive == '-' || directive == '_' ||
            directive == '0') &&
           i + 1 < format.size()) {
      directive = format[++i];  // modifiers and flags
    }
    switch (directive) {
      case 'd':
        out += "dd";
        break;
      case 'e':
        out += "d";
        break;
      case 'm':
        out += "MM";
        break;
      case 'y':
        out += "yy";
        break;
      case 'Y':
        out += "yyyy";
        break;
      case 'b':
      case 'h':
        out += "MMM";
        break;
      case 'B':
        out += "MMMM";
        break;
      case 'a':
        out += "ddd";
        break;
      case 'A':
        out += "dddd";
        break;
      case 'D':
        out += "MM/dd/yy";
        break;
      case 'F':
        out += "yyyy-MM-dd";
        break;
      case '%':
        out += '%';
        break;
      default:
        break;
    }
  }
  return out;
}

}  // namespace

std::optional<std::string> LocaleFormatSetting(std::string_view key,
                                               const LocaleTimeFormats& formats) {
  const std::string_view time = formats.time_format;
  auto has = [&](std::string_view directive) { return time.find(directive) != time.npos; };
  if (SameName(key, "sShortDate")) {
    std::string value = ProfileDateFormat(formats.date_format);
    if (value.empty() || !IsAscii(value)) return std::nullopt;
    return value;
  }
  if (SameName(key, "iTime")) {
    if (has("%I") || has("%l") || has("%r") || has("%p")) return "0";
    if (has("%H") || has("%k") || has("%R") || has("%T")) return "1";
    return std::nullopt;
  }
  if (SameName(key, "iTLzero")) {
    if (has("%k") || has("%l")) return "0";
    if (has("%H") || has("%I") || has("%R") || has("%T") || has("%r")) return "1";
    return std::nullopt;
  }
  if (SameName(key, "sTime")) {
    if (has("%R") || has("%T") || has("%r")) return ":";
    for (std::string_view hour : {"%H", "%I", "%k", "%l"}) {
      const size_t at = time.find(hour);
      if (at != time.npos && at + 2 < time.size() && time[at + 2] != '%' &&
          IsAscii(time.substr(at + 2, 1))) {
        return std::string(1, time[at + 2]);
      }
    }
    return std::nullopt;
  }
  const std::string* text = SameName(key, "s1159")   ? &formats.am
                            : SameName(key, "s2359") ? &formats.pm
                                                     : nullptr;
  if (!text || text->empty() || !IsAscii(*text)) return std::nullopt;
  return *text;
}

}  // namespace vaultara::platform
