#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vaultara::data {

// The settings of the environment file that belong neither to the character
// tables nor to the locale and replacement texts.
struct EnvironmentSettings {
  // OSTCHARSET=OEM: the values of the lines that follow (other than the
  // collation sequence) are written in code page 437.
  bool oem_mode = false;
  // OSTLFN: whether long file names are in use.
  bool long_file_names = true;
  // OSTSYSTEMCHARSET: the character set the window engine gives the system
  // font; empty for the engine's own choice.
  std::string system_charset;
};

// The process-wide settings; they change only while the environment is read.
EnvironmentSettings& CurrentEnvironment();
// Puts back every default the environment file can change: these settings,
// the character tables, the locale texts and the replacement texts.
void ResetEnvironment();

// The environment file of a program: its path with the extension of the last
// component replaced by (or, without one, extended with) ".ENV".
std::string EnvironmentFileName(std::string_view program_path);

// Reads an environment file and applies its lines in order, on top of the
// current settings. Each line is NAME=VALUE; blanks inside the name are
// skipped and names ignore case. A malformed line (no "=", a name longer than
// 31 characters, a value that does not parse or does not fit its setting) is
// skipped and the rest is read; unknown names are ignored. A Ctrl-Z ends the
// file. Returns false, changing nothing, when the file cannot be opened.
//
//   OSTCHARSET        "OEM" turns OEM mode on, anything else off
//   OSTCOLSEQ         "WINDOWS" (system order; also turns OEM mode off) or a
//                     list of characters (see CharacterTables::SetCollation)
//   OSTCASE           "WINDOWS", or an upper-case list and a lower-case list
//   OSTMONTH, OSTMON  12 month names (cut to 12 and 3 characters)
//   OSTAMPM           "WINDOWS" ("AM", "PM") or the two texts
//   OSTDIGRAPH        up to 16 items of three characters
//   OSTBUTTON         button captions, the n-th stored as text 32512 + n
//   OSTLFN            "on" or anything else
//   OSTSYSTEMCHARSET  the system font's character set
//   OSTMSG<n>         the replacement text of message n
bool LoadEnvironment(platform::Platform& platform, const std::string& file_name);

// Reads the environment file beside the running program, when there is one.
bool LoadProgramEnvironment(platform::Platform& platform);

}  // namespace vaultara::data
