#include "data/environment_file.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "data/character_tables.h"
#include "data/environment_value.h"
#include "data/locale_texts.h"
#include "data/replacement_texts.h"
#include "platform/code_page.h"

namespace vaultara::data {
namespace {

constexpr size_t kBlockSize = 2048;
constexpr size_t kMaxName = 31;
// Longer lines are dropped without being kept whole; a name and a value that
// fit, even with every character written as "<nnn>", need far less.
constexpr size_t kMaxLine = 8192;
constexpr char kCtrlZ = '\x1a';
constexpr int32_t kFirstButtonText = 32512;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Whether the value is the single word `word` (blanks around it and case do
// not matter).
bool IsWord(const std::vector<std::string>& items, std::string_view word) {
  return items.size() == 1 && EqualsIgnoringAsciiCase(Trim(items[0]), word);
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += item;
  return text;
}

// The message number of an "OSTMSG<n>" name.
std::optional<int32_t> MessageNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "OSTMSG";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 9 ||
      name.substr(0, kPrefix.size()) != kPrefix) {
    return std::nullopt;
  }
  int32_t number = 0;
  for (char c : name.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

bool SetMonthNames(const std::vector<std::string>& items, size_t max_length,
                   std::array<std::string, 12>* names) {
  if (items.size() != names->size()) return false;
  for (size_t i = 0; i < items.size(); ++i) (*names)[i] = items[i].substr(0, max_length);
  return true;
}

bool SetDigraphs(const std::vector<std::string>& items) {
  if (items.size() == 1 && items[0].empty()) {
    CurrentCharacterTables().SetDigraphs({});
    return true;
  }
  if (items.size() > kMaxDigraphs) return false;
  for (const std::string& item : items) {
    if (item.size() != 3 || item[0] == '\0') return false;
  }
  CurrentCharacterTables().SetDigraphs(items);
  return true;
}

// Applies one setting. Returns false for a value that does not fit it (the
// line is then skipped; nothing has been changed).
bool Apply(const std::string& name, std::string_view raw_value) {
  bool collation = name == "OSTCOLSEQ";
  std::optional<int32_t> message = MessageNumber(name);
  ValueShape shape = collation || message ? ValueShape::kText : ValueShape::kList;
  std::optional<std::vector<std::string>> parsed = ParseEnvironmentValue(raw_value, shape);
  if (!parsed) return false;
  std::vector<std::string>& items = *parsed;

  EnvironmentSettings& settings = CurrentEnvironment();
  if (settings.oem_mode && !collation) {
    for (std::string& item : items) item = platform::OemToWindows1252(item);
  }
  CharacterTables& tables = CurrentCharacterTables();
  LocaleTexts& texts = CurrentLocaleTexts();

  if (message) {
    SetReplacementText(*message, Joined(items));
  } else if (name == "OSTCHARSET") {
    settings.oem_mode = IsWord(items, "OEM");
  } else if (collation) {
    if (IsWord(items, "WINDOWS")) {
      tables.SetSystemCollation();
      settings.oem_mode = false;
    } else {
      tables.SetCollation(Joined(items));
    }
  } else if (name == "OSTCASE") {
    if (items.size() == 1) {
      tables.SetSystemCaseMap();  // "WINDOWS", or a missing second list
    } else if (items.size() == 2) {
      tables.SetCaseMap(items[0], items[1]);
    } else {
      return false;
    }
  } else if (name == "OSTMONTH") {
    return SetMonthNames(items, 12, &texts.month_names);
  } else if (name == "OSTMON") {
    return SetMonthNames(items, 3, &texts.short_month_names);
  } else if (name == "OSTAMPM") {
    // The platform keeps no AM/PM texts of its own, so "WINDOWS" gives the
    // system defaults.
    if (IsWord(items, "WINDOWS")) {
      texts.am = "AM";
      texts.pm = "PM";
    } else if (items.size() == 2) {
      texts.am = items[0];
      texts.pm = items[1];
    } else {
      return false;
    }
  } else if (name == "OSTDIGRAPH") {
    return SetDigraphs(items);
  } else if (name == "OSTBUTTON") {
    for (size_t n = 0; n < items.size(); ++n) {
      SetReplacementText(kFirstButtonText + static_cast<int32_t>(n), items[n]);
    }
  } else if (name == "OSTLFN") {
    settings.long_file_names = IsWord(items, "on");
  } else if (name == "OSTSYSTEMCHARSET") {
    if (items.size() != 1) return false;
    settings.system_charset = std::string(Trim(items[0]));
  }
  return true;
}

void ReadLine(std::string_view line) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  std::string name;
  for (char c : line.substr(0, equals)) {
    if (!IsBlank(c)) name.push_back(AsciiUpper(c));
  }
  if (name.empty() || name.size() > kMaxName) return;
  std::string_view value = line.substr(equals + 1);
  while (!value.empty() && (IsBlank(value.back()) || value.back() == '\r')) value.remove_suffix(1);
  Apply(name, value);
}

// Cuts the text of the file into lines as it arrives block by block.
class LineReader {
 public:
  void Feed(std::string_view text) {
    for (char c : text) {
      if (c == '\n') {
        EndLine();
      } else if (line_.size() < kMaxLine) {
        line_.push_back(c);
      } else {
        too_long_ = true;
      }
    }
  }
  void EndLine() {
    if (!too_long_) ReadLine(line_);
    line_.clear();
    too_long_ = false;
  }

 private:
  std::string line_;
  bool too_long_ = false;
};

}  // namespace

EnvironmentSettings& CurrentEnvironment() {
  static EnvironmentSettings settings;
  return settings;
}

void ResetEnvironment() {
  CurrentEnvironment() = EnvironmentSettings();
  ResetCharacterTables();
  ResetLocaleTexts();
  ClearReplacementTexts();
}

std::string EnvironmentFileName(std::string_view program_path) {
  size_t base = program_path.rfind('/');
  base = base == std::string_view::npos ? 0 : base + 1;
  size_t dot = program_path.rfind('.');
  // A dot that starts the file name (".vaultara") does not begin an extension.
  if (dot != std::string_view::npos && dot > base) program_path = program_path.substr(0, dot);
  return std::string(program_path) + ".ENV";
}

bool LoadEnvironment(platform::Platform& platform, const std::string& file_name) {
  std::unique_ptr<platform::File> file;
  platform::OpenMode mode{platform::Access::kRead, platform::Share::kDenyNone};
  if (platform.Open(file_name, mode, platform::Disposition::kOpenExisting, &file) !=
      platform::syserr::kOk) {
    return false;
  }
  LineReader lines;
  char block[kBlockSize];
  uint64_t offset = 0;
  for (;;) {
    size_t got = 0;
    platform::SysError error = file->ReadAt(offset, block, sizeof block, &got);
    std::string_view text(block, got);
    size_t end = text.find(kCtrlZ);
    lines.Feed(text.substr(0, end));
    // A read error ends the file like its end does: what was read stays.
    if (end != std::string_view::npos || got == 0 || error != platform::syserr::kOk) break;
    offset += got;
  }
  lines.EndLine();
  return true;
}

bool LoadProgramEnvironment(platform::Platform& platform) {
  std::error_code error;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return false;
  // Paths are Windows-1252 inside the program; a name it cannot hold has no
  // environment file.
  std::optional<std::string> name = platform::Windows1252FromUtf8(program.string());
  if (!name) return false;
  return LoadEnvironment(platform, EnvironmentFileName(*name));
}

}  // namespace vaultara::data
