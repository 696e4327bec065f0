// Minimal stand-ins for the platform's text-rule functions, so
// that the data tests link until the platform layer provides them. Removed as
// soon as it does.
#include <string>

#include "platform/text_rules.h"

namespace vaultara::platform {

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
