#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vaultara::data {

// Character classes (the class table's values).
inline constexpr uint8_t kClassUpper = 0x01;
inline constexpr uint8_t kClassLower = 0x02;
inline constexpr uint8_t kClassDigit = 0x04;

inline constexpr size_t kMaxDigraphs = 16;
inline constexpr size_t kLocaleBlockSize = 1152;

// The image of one set of character tables, as it is saved with every store
// table: the six tables of CharacterTables one after the other, in the order
// in which they are declared there (256 + 256 + 256 + 256 + 64 + 64 bytes).
using LocaleBlock = std::array<uint8_t, kLocaleBlockSize>;

// The rules by which text sorts and changes case. Every table is indexed by
// the byte value of a character (Windows-1252, or code page 437 for the OEM
// tables).
//
// Two characters compare by their collation weights. A digraph entry makes one
// character sort as two: it holds the character, its two expansion characters
// and a 0; the list ends at the first entry whose character is 0.
struct CharacterTables {
  std::array<uint8_t, 256> collation;
  std::array<uint8_t, 256> oem_collation;
  std::array<uint8_t, 256> case_partner;  // the other-case letter; 0 for a non-letter
  std::array<uint8_t, 256> char_class;    // kClassUpper, kClassLower or kClassDigit
  std::array<uint8_t, 4 * kMaxDigraphs> digraphs;
  std::array<uint8_t, 4 * kMaxDigraphs> oem_digraphs;  // digraphs in code page 437

  // The plain rules: weight = byte value in both orders; "A"-"Z" and "a"-"z"
  // are letters and each other's partners; "0"-"9" are digits; no digraphs.
  static CharacterTables Plain();

  // Collation from a list of characters. The distinct characters of the list
  // share the weights equal to their own codes, handed out in list order
  // (the first listed character gets the smallest of those codes); every other
  // character keeps its code as weight. A list of exactly 222 distinct
  // characters is a full table instead: its first 95 characters take the
  // weights 32-126, the next 127 the weights 128-254. The OEM order comes from
  // the same list converted to code page 437.
  void SetCollation(std::string_view list);
  // Collation that follows the system's sort order of the codes 2-254.
  void SetSystemCollation();

  // Case map from two lists: the n-th characters of the two are partners.
  // Only pairs of characters of code 128 and above are taken; "A"-"Z" and
  // "a"-"z" always keep their ASCII partners. Lists of different lengths, or
  // an empty first list, give the system's case map. The class table is
  // rebuilt to match (digits keep their class).
  void SetCaseMap(std::string_view upper, std::string_view lower);
  // Case map of the system: every character it calls upper-case, partnered
  // with its lower-case form.
  void SetSystemCaseMap();

  // Replaces the digraph list (and its OEM form). Each item is three
  // characters: the character and the two it sorts as. Items beyond
  // kMaxDigraphs, items of another length and items whose character is 0 are
  // not taken.
  void SetDigraphs(const std::vector<std::string>& items);
};

// The process-wide tables. They start with the plain rules and change only at
// start-up, when the environment file is read; statements run on one thread
// at a time.
CharacterTables& CurrentCharacterTables();
// Puts the plain rules back (for tests and for a reload of the environment).
void ResetCharacterTables();

// The locale block of tables (by default the current ones). The tables
// themselves are not changed.
LocaleBlock SaveLocale(const CharacterTables& tables = CurrentCharacterTables());
// The tables held in a block written by SaveLocale, for a store table that
// keeps the order its keys were built in. The current tables are not changed.
CharacterTables LoadLocale(const LocaleBlock& block);

// Compares two texts character by character after expanding digraphs: the
// first pair of characters whose weights differ decides; a text that ends
// first sorts first. Returns <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b,
                const CharacterTables& tables = CurrentCharacterTables());
// CompareText of the two texts with the shorter one taken as padded with
// blanks to the length of the longer, as text values compare ("abc" equals
// "abc  "). Allocates nothing.
int CompareBlankPadded(std::string_view a, std::string_view b,
                       const CharacterTables& tables = CurrentCharacterTables());
// CompareText with every lower-case letter (the characters of digraph expansions
// included) taken as its upper-case partner.
int CompareTextNoCase(std::string_view a, std::string_view b,
                      const CharacterTables& tables = CurrentCharacterTables());

// Single characters under the case map of tables, for code that works a
// character at a time. UpperLetter gives the upper-case partner of a
// lower-case letter and any other character unchanged; IsLetterChar is true
// for the characters classed upper or lower case.
inline char UpperLetter(char c, const CharacterTables& tables = CurrentCharacterTables()) {
  const auto u = static_cast<uint8_t>(c);
  return (tables.char_class[u] & kClassLower) && tables.case_partner[u] != 0
             ? static_cast<char>(tables.case_partner[u])
             : c;
}
inline bool IsLetterChar(char c, const CharacterTables& tables = CurrentCharacterTables()) {
  return (tables.char_class[static_cast<uint8_t>(c)] & (kClassUpper | kClassLower)) != 0;
}
inline bool SameLetterIgnoringCase(char a, char b) { return UpperLetter(a) == UpperLetter(b); }

// The plain ASCII case rule, whatever the current tables say: the rule for
// identifiers such as field labels, driver names, number suffixes and the
// words of the environment file. AsciiUpper takes "a"-"z" to "A"-"Z" and
// leaves every other character alone.
inline char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The text with every lower-case (ToUpper) or upper-case (ToLower) letter
// replaced by its partner under the case map of tables.
std::string ToUpper(std::string_view text,
                    const CharacterTables& tables = CurrentCharacterTables());
std::string ToLower(std::string_view text,
                    const CharacterTables& tables = CurrentCharacterTables());

// Which character set a text key is built in.
enum class KeyCharset : uint8_t { kWindows, kOem };

// The text with digraphs expanded and every character replaced by its
// collation weight, so that plain unsigned byte comparison of two results
// gives the order of CompareText. With kOem the text (Windows-1252) is first
// converted to code page 437 and the OEM digraphs and OEM order are used. The
// result is cut at limit bytes.
std::string CollationKey(std::string_view text,
                         const CharacterTables& tables = CurrentCharacterTables(),
                         KeyCharset charset = KeyCharset::kWindows,
                         size_t limit = std::string::npos);

// Advances a fixed-length text to the next value in collation order (for the
// upper end of a range). A text ending in blanks gets the character of weight
// 1 in place of its first trailing blank (an all-blank text in its first
// position). Otherwise the characters of the highest weight at its end become
// blanks and the character before them is replaced by the character of the
// next higher weight. A text made only of highest-weight characters (or an
// empty one) cannot be advanced: it is filled with that character and false
// is returned.
bool NextInCollation(char* text, size_t length,
                     const CharacterTables& tables = CurrentCharacterTables());

}  // namespace vaultara::data
