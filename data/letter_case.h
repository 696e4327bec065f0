#pragma once

namespace vaultara::data {

// Upper case of a Windows-1252 letter (a-z, the accented small letters,
// š, œ, ž and ÿ); other characters are returned unchanged.
inline char UpperLetter(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);
  if (u == 0xFF) return static_cast<char>(0x9F);
  return c;
}

inline bool SameLetterIgnoringCase(char a, char b) { return UpperLetter(a) == UpperLetter(b); }

}  // namespace vaultara::data
