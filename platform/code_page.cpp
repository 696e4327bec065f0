#include "platform/code_page.h"

#include <array>
#include <cstdint>
#include <utility>

namespace vaultara::platform {
namespace {

// Unicode code points of the upper halves of both code pages. Bytes 0-127 are
// ASCII in both. 0 marks the five bytes Windows-1252 leaves unassigned.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98
};  // A0-FF are Latin-1: the code point equals the byte

constexpr char16_t kOem437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,  // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,  // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Look-alikes for characters one of the code pages lacks: the first code
// point is replaced by the second, which is tried in the target again.
constexpr std::pair<char16_t, char16_t> kBestFit[] = {
    // Latin letters with marks the other page lacks: their base letter.
    {0x00C0, 'A'},
    {0x00C1, 'A'},
    {0x00C2, 'A'},
    {0x00C3, 'A'},
    {0x00C8, 'E'},
    {0x00CA, 'E'},
    {0x00CB, 'E'},
    {0x00CC, 'I'},
    {0x00CD, 'I'},
    {0x00CE, 'I'},
    {0x00CF, 'I'},
    {0x00D0, 'D'},
    {0x00D2, 'O'},
    {0x00D3, 'O'},
    {0x00D4, 'O'},
    {0x00D5, 'O'},
    {0x00D8, 'O'},
    {0x00D9, 'U'},
    {0x00DA, 'U'},
    {0x00DB, 'U'},
    {0x00DD, 'Y'},
    {0x00E3, 'a'},
    {0x00F0, 'd'},
    {0x00F5, 'o'},
    {0x00F8, 'o'},
    {0x00FD, 'y'},
    {0x0160, 'S'},
    {0x0161, 's'},
    {0x0152, 'O'},
    {0x0153, 'o'},
    {0x017D, 'Z'},
    {0x017E, 'z'},
    {0x0178, 'Y'},
    // Signs and punctuation.
    {0x00A6, '|'},
    {0x00A8, '"'},
    {0x00A9, 'c'},
    {0x00AD, '-'},
    {0x00AE, 'r'},
    {0x00AF, '-'},
    {0x00B3, '3'},
    {0x00B4, '\''},
    {0x00B8, ','},
    {0x00B9, '1'},
    {0x00D7, 'x'},
    {0x201A, ','},
    {0x201E, '"'},
    {0x2026, '.'},
    {0x2020, '+'},
    {0x2021, '+'},
    {0x02C6, '^'},
    {0x2030, '%'},
    {0x2039, '<'},
    {0x203A, '>'},
    {0x2018, '\''},
    {0x2019, '\''},
    {0x201C, '"'},
    {0x201D, '"'},
    {0x2022, 0x2219},
    {0x2013, '-'},
    {0x2014, '-'},
    {0x02DC, '~'},
    {0x2219, 0x00B7},
    {0x2310, 0x00AC},
    // Box drawing: lines become '-' and '|', every corner and junction '+'.
    {0x2500, '-'},
    {0x2550, '-'},
    {0x2502, '|'},
    {0x2551, '|'},
    // Greek and mathematical signs: a Latin look-alike.
    {0x03B1, 'a'},
    {0x0393, 'G'},
    {0x03C0, 'p'},
    {0x03A3, 'S'},
    {0x03C3, 's'},
    {0x03C4, 't'},
    {0x03A6, 'F'},
    {0x0398, 'T'},
    {0x03A9, 'O'},
    {0x03B4, 'd'},
    {0x03C6, 'f'},
    {0x03B5, 'e'},
    {0x221E, '8'},
    {0x2229, 'n'},
    {0x2261, '='},
    {0x2265, '>'},
    {0x2264, '<'},
    {0x2248, '~'},
    {0x221A, 'v'},
    {0x207F, 'n'},
    {0x20A7, 'P'},
    {0x2320, '('},
    {0x2321, ')'},
    {0x00BE, '?'},
    {0x00A4, '?'},
    {0x00A7, '?'},
    {0x00B6, '?'},
    {0x00DE, '?'},
    {0x00FE, '?'},
    {0x20AC, '?'},
};

char16_t Windows1252Char(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  return kWindows1252High[byte - 0x80];
}

char16_t OemChar(uint8_t byte) { return byte < 0x80 ? byte : kOem437High[byte - 0x80]; }

bool IsBoxJunction(char16_t c) { return c >= 0x2500 && c <= 0x257F; }

using Table = std::array<uint8_t, 256>;

// The byte of `target` for code point c, following the look-alikes; '?' when
// none fits.
template <typename TargetChar>
uint8_t Find(char16_t c, TargetChar target) {
  for (int hops = 0; hops < 3 && c != 0; ++hops) {
    for (int b = 0; b < 256; ++b) {
      if (target(static_cast<uint8_t>(b)) == c) return static_cast<uint8_t>(b);
    }
    char16_t next = 0;
    for (const auto& [from, to] : kBestFit) {
      if (from == c) next = to;
    }
    if (next == 0 && IsBoxJunction(c)) next = '+';
    c = next;
  }
  return '?';
}

template <typename SourceChar, typename TargetChar>
Table BuildTable(SourceChar source, TargetChar target) {
  Table table{};
  for (int b = 0; b < 256; ++b) {
    table[b] = b < 0x80 ? static_cast<uint8_t>(b) : Find(source(static_cast<uint8_t>(b)), target);
  }
  return table;
}

const Table& ToOemTable() {
  static const Table table = BuildTable(Windows1252Char, OemChar);
  return table;
}

const Table& FromOemTable() {
  static const Table table = BuildTable(OemChar, Windows1252Char);
  return table;
}

void Translate(const Table& table, char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    text[i] = static_cast<char>(table[static_cast<uint8_t>(text[i])]);
  }
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[*i], advancing *i; nullopt for malformed
// input (stray continuation bytes, truncated or overlong sequences,
// surrogates, values above U+10FFFF).
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t* i) {
  const uint8_t lead = static_cast<uint8_t>(text[*i]);
  int extra = 0;
  char32_t c = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++*i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - *i <= static_cast<size_t>(extra)) return std::nullopt;
  for (int k = 1; k <= extra; ++k) {
    const uint8_t next = static_cast<uint8_t>(text[*i + k]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  *i += extra + 1;
  return c;
}

}  // namespace

void Windows1252ToOem(char* text, size_t length) { Translate(ToOemTable(), text, length); }

void OemToWindows1252(char* text, size_t length) { Translate(FromOemTable(), text, length); }

std::string Windows1252ToOem(std::string_view text) {
  std::string result(text);
  Windows1252ToOem(result.data(), result.size());
  return result;
}

std::string OemToWindows1252(std::string_view text) {
  std::string result(text);
  OemToWindows1252(result.data(), result.size());
  return result;
}

std::string Utf8FromWindows1252(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char byte : text) {
    const uint8_t b = static_cast<uint8_t>(byte);
    const char16_t c = Windows1252Char(b);
    AppendUtf8(c != 0 ? c : b, &result);  // unassigned: the C1 control of that value
  }
  return result;
}

std::optional<std::string> Windows1252FromUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const std::optional<char32_t> c = DecodeUtf8(text, &i);
    if (!c) return std::nullopt;
    if (*c < 0x80 || (*c >= 0xA0 && *c <= 0xFF)) {
      result.push_back(static_cast<char>(*c));
      continue;
    }
    int found = -1;
    for (int k = 0; k < 32; ++k) {
      const char16_t assigned = kWindows1252High[k];
      if (assigned == *c || (assigned == 0 && *c == static_cast<char32_t>(0x80 + k))) found = k;
    }
    if (found < 0) return std::nullopt;
    result.push_back(static_cast<char>(0x80 + found));
  }
  return result;
}

}  // namespace vaultara::platform
