#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vaultara::data {

inline constexpr size_t kMaxEnvironmentValue = 1024;

// How the value of an environment line is cut into items.
enum class ValueShape {
  kList,  // items separated by commas
  kText,  // one text in which commas are ordinary characters
};

// The items of the value of one environment line (the text after "=", with
// its trailing blanks and tabs already dropped).
//
// "<" followed by decimal digits stands for the character with that code; the
// character that ends the digits (normally ">") is dropped. "<<" stands for
// "<", and "<" followed by anything else stays as written. A character written
// as a code is always an ordinary character, never a separator or a quote.
//
// A value whose first non-blank character is a double quote is a list of
// quoted items separated by blanks or commas, in which two double quotes stand
// for one (for kText as well). Any other value is one item (kText) or is split
// at commas, blanks belonging to the items (kList).
//
// nullopt for a malformed value: a code above 255, more than
// kMaxEnvironmentValue characters, an unterminated quote or text between
// quoted items.
std::optional<std::vector<std::string>> ParseEnvironmentValue(std::string_view value,
                                                              ValueShape shape);

}  // namespace vaultara::data
