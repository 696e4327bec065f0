// Minimal stand-ins for the platform's code-page and text-rule functions, so
// that the data tests link until the platform layer provides them. Removed as
// soon as it does.
#include <string>

#include "platform/code_page.h"
#include "platform/text_rules.h"

namespace vaultara::platform {

void Windows1252ToOem(char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 128) text[i] = '?';
  }
}
void OemToWindows1252(char* text, size_t length) { Windows1252ToOem(text, length); }
std::string Windows1252ToOem(std::string_view text) {
  std::string s(text);
  Windows1252ToOem(s.data(), s.size());
  return s;
}
std::string OemToWindows1252(std::string_view text) {
  std::string s(text);
  OemToWindows1252(s.data(), s.size());
  return s;
}
std::optional<std::string> Windows1252FromUtf8(std::string_view text) { return std::string(text); }

bool IsUpper(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
}
bool IsLower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7);
}
char ToLower(char c) { return IsUpper(c) ? static_cast<char>(c + 0x20) : c; }
char ToUpper(char c) { return IsLower(c) ? static_cast<char>(c - 0x20) : c; }
int CompareStrings(std::string_view a, std::string_view b) {
  auto key = [](unsigned char c) {
    return IsUpper(static_cast<char>(c)) ? 2 * (c + 0x20) + 1 : 2 * c;
  };
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int d = key(static_cast<unsigned char>(a[i])) - key(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

}  // namespace vaultara::platform
