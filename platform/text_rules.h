#pragma once

#include <string_view>

namespace vaultara::platform {

// The system's case rules and string comparison for Windows-1252 text.

// Letters are a-z, A-Z and the accented letters of Windows-1252 (with
// š/Š, œ/Œ, ž/Ž, ÿ/Ÿ); ß and ƒ are lower-case letters without a partner.
bool IsUpper(char c);
bool IsLower(char c);
bool IsAlpha(char c);
char ToUpper(char c);
char ToLower(char c);

// The system's sort order ("word sort"): compares letters by their base
// letter first, then accents, then case (lower before upper), so that "a" <
// "B" < "b" and "e" < "é" < "f". Signs come before digits, digits before
// letters; æ, œ and ß sort as "ae", "oe" and "ss"; hyphens and apostrophes
// count only when all else is equal ("co-op" sorts beside "coop"). Texts
// that differ in any byte never compare equal. Returns <0, 0 or >0.
int CompareStrings(std::string_view a, std::string_view b);
// The same without regard to case: 0 exactly when the texts agree after
// ToLower.
int CompareStringsNoCase(std::string_view a, std::string_view b);

}  // namespace vaultara::platform
