#pragma once

#include "data/character_tables.h"

namespace vaultara::data {

// Single-character case rules of the current character tables, for code that
// works a character at a time (pictures reading month names, AM and PM).
inline char UpperLetter(char c) {
  const CharacterTables& t = CurrentCharacterTables();
  const auto u = static_cast<unsigned char>(c);
  return (t.char_class[u] & kClassLower) && t.case_partner[u] != 0
             ? static_cast<char>(t.case_partner[u])
             : c;
}

inline bool IsLetterChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (CurrentCharacterTables().char_class[u] & (kClassUpper | kClassLower)) != 0;
}

inline bool SameLetterIgnoringCase(char a, char b) { return UpperLetter(a) == UpperLetter(b); }

}  // namespace vaultara::data
