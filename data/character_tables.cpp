#include "data/character_tables.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"
#include "platform/text_rules.h"

namespace vaultara::data {
namespace {

inline uint8_t Byte(char c) { return static_cast<uint8_t>(c); }

void SetIdentity(std::array<uint8_t, 256>* order) {
  for (int c = 0; c < 256; ++c) (*order)[c] = static_cast<uint8_t>(c);
}

// The plain ASCII case map and classes.
void SetPlainCase(CharacterTables* t) {
  t->case_partner.fill(0);
  t->char_class.fill(0);
  for (int c = 'A'; c <= 'Z'; ++c) {
    t->case_partner[c] = static_cast<uint8_t>(c - 'A' + 'a');
    t->case_partner[c - 'A' + 'a'] = static_cast<uint8_t>(c);
    t->char_class[c] = kClassUpper;
    t->char_class[c - 'A' + 'a'] = kClassLower;
  }
  for (int c = '0'; c <= '9'; ++c) t->char_class[c] = kClassDigit;
}

// See CharacterTables::SetCollation.
std::array<uint8_t, 256> OrderFromList(std::string_view list) {
  std::array<uint8_t, 256> order;
  SetIdentity(&order);
  std::array<bool, 256> seen{};
  std::vector<uint8_t> distinct;
  for (char ch : list) {
    uint8_t c = Byte(ch);
    if (!seen[c]) {
      seen[c] = true;
      distinct.push_back(c);
    }
  }
  constexpr size_t kFullTable = 222;
  constexpr size_t kPrintable = 95;  // codes 32-126; the rest are 128-254
  if (distinct.size() == kFullTable) {
    for (size_t i = 0; i < kFullTable; ++i) {
      order[distinct[i]] = static_cast<uint8_t>(i < kPrintable ? 32 + i : 128 + (i - kPrintable));
    }
    return order;
  }
  std::vector<uint8_t> codes = distinct;
  std::sort(codes.begin(), codes.end());
  for (size_t i = 0; i < distinct.size(); ++i) order[distinct[i]] = codes[i];
  return order;
}

// Partners the n-th characters of two lists of equal length, on top of the
// plain ASCII rules. A character keeps the first partner it is given.
void ApplyCasePairs(CharacterTables* t, std::string_view upper, std::string_view lower) {
  SetPlainCase(t);
  for (size_t i = 0; i < upper.size() && i < lower.size(); ++i) {
    uint8_t u = Byte(upper[i]);
    uint8_t l = Byte(lower[i]);
    if (u < 128 || l < 128 || u == l || t->case_partner[u] != 0 || t->case_partner[l] != 0) {
      continue;
    }
    t->case_partner[u] = l;
    t->case_partner[l] = u;
    t->char_class[u] = kClassUpper;
    t->char_class[l] = kClassLower;
  }
}

// The expansion of c in a digraph list, or nullptr.
const uint8_t* FindDigraph(const std::array<uint8_t, 4 * kMaxDigraphs>& list, uint8_t c) {
  for (size_t i = 0; i < kMaxDigraphs && list[4 * i] != 0; ++i) {
    if (list[4 * i] == c) return &list[4 * i + 1];
  }
  return nullptr;
}

// Produces the collation weights of a text one at a time: each character that
// has a digraph entry gives its first expansion character, and its second is
// taken as the next character of the text (so it may expand in turn). A chain
// of expansions stops after kMaxDigraphs steps, which no list without a cycle
// can exceed, so a list such as "x" -> "ax" cannot run forever.
class WeightStream {
 public:
  // The text is read as if padded with blanks to padded_length characters
  // (no padding when that is not longer than the text).
  WeightStream(std::string_view text, const std::array<uint8_t, 256>& order,
               const std::array<uint8_t, 4 * kMaxDigraphs>& digraphs,
               const CharacterTables* fold_to_upper, size_t padded_length = 0)
      : text_(text),
        length_(std::max(text.size(), padded_length)),
        order_(order),
        digraphs_(digraphs),
        fold_(fold_to_upper) {}

  bool Next(uint8_t* weight) {
    uint8_t c;
    size_t depth = 0;
    if (pending_) {
      c = pending_char_;
      depth = pending_depth_;
      pending_ = false;
    } else {
      if (pos_ == length_) return false;
      c = pos_ < text_.size() ? Byte(text_[pos_]) : Byte(' ');
      ++pos_;
    }
    c = Fold(c);
    if (depth < kMaxDigraphs) {
      if (const uint8_t* expansion = FindDigraph(digraphs_, c)) {
        pending_ = true;
        pending_char_ = expansion[1];
        pending_depth_ = depth + 1;
        c = Fold(expansion[0]);
      }
    }
    *weight = order_[c];
    return true;
  }

 private:
  uint8_t Fold(uint8_t c) const {
    return fold_ == nullptr ? c : Byte(UpperLetter(static_cast<char>(c), *fold_));
  }

  std::string_view text_;
  size_t length_;
  size_t pos_ = 0;
  const std::array<uint8_t, 256>& order_;
  const std::array<uint8_t, 4 * kMaxDigraphs>& digraphs_;
  const CharacterTables* fold_;
  bool pending_ = false;
  uint8_t pending_char_ = 0;
  size_t pending_depth_ = 0;
};

int Compare(WeightStream a, WeightStream b) {
  for (;;) {
    uint8_t wa = 0;
    uint8_t wb = 0;
    bool has_a = a.Next(&wa);
    bool has_b = b.Next(&wb);
    if (!has_a || !has_b) return has_a == has_b ? 0 : (has_a ? 1 : -1);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
}

// Replaces every character of class `from` by its partner.
std::string SwapCase(std::string_view text, const CharacterTables& tables, uint8_t from) {
  std::string out(text);
  for (char& ch : out) {
    uint8_t c = Byte(ch);
    if ((tables.char_class[c] & from) != 0 && tables.case_partner[c] != 0) {
      ch = static_cast<char>(tables.case_partner[c]);
    }
  }
  return out;
}

// The character with the smallest weight above `weight` (the lowest code
// among equals), or -1 when there is none.
int CharAbove(const CharacterTables& tables, int weight) {
  int best = -1;
  for (int c = 0; c < 256; ++c) {
    int w = tables.collation[c];
    if (w > weight && (best < 0 || w < tables.collation[best])) best = c;
  }
  return best;
}

// The six tables of a locale block in their order.
template <typename Tables, typename Element>
std::array<std::pair<Element*, size_t>, 6> BlockParts(Tables& t) {
  return {{{t.collation.data(), t.collation.size()},
           {t.oem_collation.data(), t.oem_collation.size()},
           {t.case_partner.data(), t.case_partner.size()},
           {t.char_class.data(), t.char_class.size()},
           {t.digraphs.data(), t.digraphs.size()},
           {t.oem_digraphs.data(), t.oem_digraphs.size()}}};
}

}  // namespace

CharacterTables CharacterTables::Plain() {
  CharacterTables t;
  SetIdentity(&t.collation);
  SetIdentity(&t.oem_collation);
  SetPlainCase(&t);
  t.digraphs.fill(0);
  t.oem_digraphs.fill(0);
  return t;
}

void CharacterTables::SetCollation(std::string_view list) {
  collation = OrderFromList(list);
  oem_collation = OrderFromList(platform::Windows1252ToOem(list));
}

void CharacterTables::SetSystemCollation() {
  std::string list;
  for (int c = 2; c <= 254; ++c) list.push_back(static_cast<char>(c));
  std::stable_sort(list.begin(), list.end(), [](char a, char b) {
    return platform::CompareStrings(std::string_view(&a, 1), std::string_view(&b, 1)) < 0;
  });
  SetCollation(list);
}

void CharacterTables::SetCaseMap(std::string_view upper, std::string_view lower) {
  if (upper.empty() || upper.size() != lower.size()) {
    SetSystemCaseMap();
    return;
  }
  ApplyCasePairs(this, upper, lower);
}

void CharacterTables::SetSystemCaseMap() {
  std::string upper;
  std::string lower;
  for (int c = 0; c < 256; ++c) {
    char ch = static_cast<char>(c);
    if (platform::IsUpper(ch)) {
      upper.push_back(ch);
      lower.push_back(platform::ToLower(ch));
    }
  }
  ApplyCasePairs(this, upper, lower);
}

void CharacterTables::SetDigraphs(const std::vector<std::string>& items) {
  digraphs.fill(0);
  oem_digraphs.fill(0);
  size_t n = 0;
  for (const std::string& item : items) {
    if (n == kMaxDigraphs) break;
    if (item.size() != 3 || item[0] == '\0') continue;
    std::string oem = platform::Windows1252ToOem(item);
    for (size_t i = 0; i < 3; ++i) {
      digraphs[4 * n + i] = Byte(item[i]);
      oem_digraphs[4 * n + i] = Byte(oem[i]);
    }
    ++n;
  }
}

CharacterTables& CurrentCharacterTables() {
  static CharacterTables tables = CharacterTables::Plain();
  return tables;
}

void ResetCharacterTables() { CurrentCharacterTables() = CharacterTables::Plain(); }

LocaleBlock SaveLocale(const CharacterTables& tables) {
  LocaleBlock block;
  size_t at = 0;
  for (auto [part, size] : BlockParts<const CharacterTables, const uint8_t>(tables)) {
    std::memcpy(block.data() + at, part, size);
    at += size;
  }
  return block;
}

CharacterTables LoadLocale(const LocaleBlock& block) {
  CharacterTables tables;
  size_t at = 0;
  for (auto [part, size] : BlockParts<CharacterTables, uint8_t>(tables)) {
    std::memcpy(part, block.data() + at, size);
    at += size;
  }
  return tables;
}

int CompareText(std::string_view a, std::string_view b, const CharacterTables& tables) {
  return Compare(WeightStream(a, tables.collation, tables.digraphs, nullptr),
                 WeightStream(b, tables.collation, tables.digraphs, nullptr));
}

int CompareBlankPadded(std::string_view a, std::string_view b, const CharacterTables& tables) {
  if (a == b) return 0;
  const size_t length = std::max(a.size(), b.size());
  return Compare(WeightStream(a, tables.collation, tables.digraphs, nullptr, length),
                 WeightStream(b, tables.collation, tables.digraphs, nullptr, length));
}

int CompareTextNoCase(std::string_view a, std::string_view b, const CharacterTables& tables) {
  return Compare(WeightStream(a, tables.collation, tables.digraphs, &tables),
                 WeightStream(b, tables.collation, tables.digraphs, &tables));
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

std::string ToUpper(std::string_view text, const CharacterTables& tables) {
  return SwapCase(text, tables, kClassLower);
}

std::string ToLower(std::string_view text, const CharacterTables& tables) {
  return SwapCase(text, tables, kClassUpper);
}

std::string CollationKey(std::string_view text, const CharacterTables& tables, KeyCharset charset,
                         size_t limit) {
  std::string oem_text;
  bool oem = charset == KeyCharset::kOem;
  if (oem) {
    oem_text = platform::Windows1252ToOem(text);
    text = oem_text;
  }
  WeightStream weights(text, oem ? tables.oem_collation : tables.collation,
                       oem ? tables.oem_digraphs : tables.digraphs, nullptr);
  std::string key;
  key.reserve(std::min(limit, text.size() + 8));
  uint8_t w = 0;
  while (key.size() < limit && weights.Next(&w)) key.push_back(static_cast<char>(w));
  return key;
}

bool NextInCollation(char* text, size_t length, const CharacterTables& tables) {
  if (length == 0) return false;
  if (text[length - 1] == ' ') {
    size_t first_blank = length;
    while (first_blank > 0 && text[first_blank - 1] == ' ') --first_blank;
    int lowest = CharAbove(tables, 0);
    if (lowest < 0) return false;
    text[first_blank] = static_cast<char>(lowest);
    return true;
  }
  uint8_t top = *std::max_element(tables.collation.begin(), tables.collation.end());
  size_t end = length;
  while (end > 0 && tables.collation[Byte(text[end - 1])] == top) --end;
  if (end == 0) {
    // Only highest-weight characters: there is no next value.
    std::memset(text, text[length - 1], length);
    return false;
  }
  std::memset(text + end, ' ', length - end);
  text[end - 1] = static_cast<char>(CharAbove(tables, tables.collation[Byte(text[end - 1])]));
  return true;
}

}  // namespace vaultara::data
