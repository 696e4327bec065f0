#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vaultara::platform {

// Conversions between the program's character set (Windows-1252, one byte a
// character) and the others it meets.

// Windows-1252 to code page 437 ("OEM") and back, in place. A character the
// target cannot hold becomes its closest look-alike, else '?'. Bytes 0-127
// are unchanged both ways.
void Windows1252ToOem(char* text, size_t length);
void OemToWindows1252(char* text, size_t length);
std::string Windows1252ToOem(std::string_view text);
std::string OemToWindows1252(std::string_view text);

// Windows-1252 to UTF-8 (always possible; the five unassigned bytes map to
// the C1 controls of the same value).
std::string Utf8FromWindows1252(std::string_view text);
// UTF-8 to Windows-1252; nullopt when the text is not valid UTF-8 or holds a
// character Windows-1252 cannot hold. Never stores a mangled text.
std::optional<std::string> Windows1252FromUtf8(std::string_view text);

}  // namespace vaultara::platform
