#include "platform/text_rules.h"

#include <array>
#include <cstdint>

namespace vaultara::platform {
namespace {

// Accent marks, in the order in which accented forms of one base letter sort.
enum Accent : uint8_t {
  kPlain = 0,
  kAcute,
  kGrave,
  kCircumflex,
  kDiaeresis,
  kTilde,
  kRing,
  kCedilla,
  kStroke,
  kCaron,
  kHook,
  kSuperscript,
};

// The letters of the upper half. An upper-case letter at byte b has its
// lower-case partner at b + 0x20 for 0xC0-0xDE; the four others are listed.
// base: the base letter, or two for a ligature ("ae"); thorn has '{', the
// character after 'z', for it sorts after z.
struct HighLetter {
  uint8_t upper;
  uint8_t lower;
  char base[3];
  Accent accent;
};

constexpr HighLetter kHighLetters[] = {
    {0x8A, 0x9A, "s", kCaron},      {0x8C, 0x9C, "oe", kPlain},    {0x8E, 0x9E, "z", kCaron},
    {0x9F, 0xFF, "y", kDiaeresis},  {0xC0, 0xE0, "a", kGrave},     {0xC1, 0xE1, "a", kAcute},
    {0xC2, 0xE2, "a", kCircumflex}, {0xC3, 0xE3, "a", kTilde},     {0xC4, 0xE4, "a", kDiaeresis},
    {0xC5, 0xE5, "a", kRing},       {0xC6, 0xE6, "ae", kPlain},    {0xC7, 0xE7, "c", kCedilla},
    {0xC8, 0xE8, "e", kGrave},      {0xC9, 0xE9, "e", kAcute},     {0xCA, 0xEA, "e", kCircumflex},
    {0xCB, 0xEB, "e", kDiaeresis},  {0xCC, 0xEC, "i", kGrave},     {0xCD, 0xED, "i", kAcute},
    {0xCE, 0xEE, "i", kCircumflex}, {0xCF, 0xEF, "i", kDiaeresis}, {0xD0, 0xF0, "d", kStroke},
    {0xD1, 0xF1, "n", kTilde},      {0xD2, 0xF2, "o", kGrave},     {0xD3, 0xF3, "o", kAcute},
    {0xD4, 0xF4, "o", kCircumflex}, {0xD5, 0xF5, "o", kTilde},     {0xD6, 0xF6, "o", kDiaeresis},
    {0xD8, 0xF8, "o", kStroke},     {0xD9, 0xF9, "u", kGrave},     {0xDA, 0xFA, "u", kAcute},
    {0xDB, 0xFB, "u", kCircumflex}, {0xDC, 0xFC, "u", kDiaeresis}, {0xDD, 0xFD, "y", kAcute},
    {0xDE, 0xFE, "{", kPlain},
};
constexpr uint8_t kSharpS = 0xDF;  // lower case, sorts as "ss"
constexpr uint8_t kFHook = 0x83;   // lower case, sorts as an f

// Sort weights: symbols and punctuation first (in code order), then digits,
// then letters by base letter.
constexpr uint16_t kDigitWeight = 300;
constexpr uint16_t kLetterWeight = 400;

// What one character contributes to a comparison: up to two sort elements
// (none for characters the word sort ignores), their accent, and its case.
struct CharWeights {
  uint8_t count = 0;
  uint16_t primary[2] = {0, 0};
  Accent accent = kPlain;
  bool upper = false;
};

struct Tables {
  std::array<uint8_t, 256> to_upper;
  std::array<uint8_t, 256> to_lower;
  std::array<bool, 256> is_upper;
  std::array<bool, 256> is_lower;
  std::array<CharWeights, 256> weights;
};

uint16_t LetterWeight(char base) { return kLetterWeight + static_cast<uint16_t>(base - 'a') * 2; }

CharWeights Letters(const char* base, Accent accent, bool upper) {
  CharWeights w;
  for (; *base != '\0'; ++base) w.primary[w.count++] = LetterWeight(*base);
  w.accent = accent;
  w.upper = upper;
  return w;
}

Tables BuildTables() {
  Tables t;
  for (int b = 0; b < 256; ++b) {
    t.to_upper[b] = t.to_lower[b] = static_cast<uint8_t>(b);
    t.is_upper[b] = t.is_lower[b] = false;
    CharWeights& w = t.weights[b];
    w = CharWeights();
    if (b == '-' || b == '\'' || b == 0xAD) continue;  // word sort: hyphens and apostrophes
    w.count = 1;
    w.primary[0] = static_cast<uint16_t>(1 + b);
  }
  for (int c = 'a'; c <= 'z'; ++c) {
    const char base[2] = {static_cast<char>(c), '\0'};
    t.is_lower[c] = t.is_upper[c - 0x20] = true;
    t.to_upper[c] = static_cast<uint8_t>(c - 0x20);
    t.to_lower[c - 0x20] = static_cast<uint8_t>(c);
    t.weights[c] = Letters(base, kPlain, false);
    t.weights[c - 0x20] = Letters(base, kPlain, true);
  }
  for (int d = 0; d <= 9; ++d) t.weights['0' + d].primary[0] = kDigitWeight + d;
  const struct {
    uint8_t byte;
    uint16_t digit;
  } superscripts[] = {{0xB9, 1}, {0xB2, 2}, {0xB3, 3}};
  for (const auto& s : superscripts) {
    t.weights[s.byte].primary[0] = kDigitWeight + s.digit;
    t.weights[s.byte].accent = kSuperscript;
  }
  for (const HighLetter& letter : kHighLetters) {
    t.is_upper[letter.upper] = t.is_lower[letter.lower] = true;
    t.to_upper[letter.lower] = letter.upper;
    t.to_lower[letter.upper] = letter.lower;
    t.weights[letter.upper] = Letters(letter.base, letter.accent, true);
    t.weights[letter.lower] = Letters(letter.base, letter.accent, false);
  }
  t.is_lower[kSharpS] = t.is_lower[kFHook] = true;
  t.weights[kSharpS] = Letters("ss", kPlain, false);
  t.weights[kFHook] = Letters("f", kHook, false);
  return t;
}

const Tables& TheTables() {
  static const Tables tables = BuildTables();
  return tables;
}

const CharWeights& WeightsOf(char c) { return TheTables().weights[static_cast<uint8_t>(c)]; }

int Sign(int value) { return (value > 0) - (value < 0); }

// The sort elements of a text, one after the other.
class Elements {
 public:
  explicit Elements(std::string_view text) : text_(text) {}

  // The next element: the weights of its character and which of its
  // elements it is. False at the end.
  bool Next(const CharWeights** weights, int* index) {
    for (; position_ < text_.size(); ++position_, element_ = 0) {
      const CharWeights& w = WeightsOf(text_[position_]);
      if (element_ < w.count) {
        *weights = &w;
        *index = element_++;
        return true;
      }
    }
    return false;
  }

 private:
  std::string_view text_;
  size_t position_ = 0;
  int element_ = 0;
};

// One level of the comparison: the sequences of key(weights, index) over the
// sort elements of both texts, compared lexicographically.
template <typename Key>
int CompareLevel(std::string_view a, std::string_view b, Key key) {
  Elements left(a);
  Elements right(b);
  for (;;) {
    const CharWeights* x = nullptr;
    const CharWeights* y = nullptr;
    int i = 0;
    int j = 0;
    const bool more_left = left.Next(&x, &i);
    const bool more_right = right.Next(&y, &j);
    if (!more_left || !more_right) return int{more_left} - int{more_right};
    const int difference = key(*x, i) - key(*y, j);
    if (difference != 0) return Sign(difference);
  }
}

// Base letters, then accents, then (optionally) case; texts still equal are
// ordered by their bytes (case-folded when case does not count), so that
// only texts equal under the chosen rule compare equal.
int Compare(std::string_view a, std::string_view b, bool with_case) {
  int result = CompareLevel(a, b, [](const CharWeights& w, int i) { return w.primary[i]; });
  if (result == 0) {
    result = CompareLevel(a, b, [](const CharWeights& w, int) { return int{w.accent}; });
  }
  if (result == 0 && with_case) {
    result = CompareLevel(a, b, [](const CharWeights& w, int) { return int{w.upper}; });
  }
  for (size_t i = 0; result == 0 && i < a.size() && i < b.size(); ++i) {
    const uint8_t x = static_cast<uint8_t>(with_case ? a[i] : ToLower(a[i]));
    const uint8_t y = static_cast<uint8_t>(with_case ? b[i] : ToLower(b[i]));
    result = Sign(int{x} - int{y});
  }
  if (result == 0) result = Sign(static_cast<int>(a.size()) - static_cast<int>(b.size()));
  return result;
}

}  // namespace

bool IsUpper(char c) { return TheTables().is_upper[static_cast<uint8_t>(c)]; }

bool IsLower(char c) { return TheTables().is_lower[static_cast<uint8_t>(c)]; }

bool IsAlpha(char c) { return IsUpper(c) || IsLower(c); }

char ToUpper(char c) { return static_cast<char>(TheTables().to_upper[static_cast<uint8_t>(c)]); }

char ToLower(char c) { return static_cast<char>(TheTables().to_lower[static_cast<uint8_t>(c)]); }

int CompareStrings(std::string_view a, std::string_view b) { return Compare(a, b, true); }

int CompareStringsNoCase(std::string_view a, std::string_view b) { return Compare(a, b, false); }

}  // namespace vaultara::platform
