#include "data/environment_value.h"

namespace vaultara::data {
namespace {

// One character of a decoded value; `coded` when it was written as "<n>" or
// "<<" and so never acts as a separator or quote.
struct ValueChar {
  char c;
  bool coded;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<std::vector<ValueChar>> Decode(std::string_view raw) {
  std::vector<ValueChar> out;
  size_t i = 0;
  while (i < raw.size()) {
    char c = raw[i];
    if (c == '<' && i + 1 < raw.size() && raw[i + 1] == '<') {
      out.push_back({'<', true});
      i += 2;
    } else if (c == '<' && i + 1 < raw.size() && IsDigit(raw[i + 1])) {
      int code = 0;
      for (++i; i < raw.size() && IsDigit(raw[i]); ++i) {
        code = code * 10 + (raw[i] - '0');
        if (code > 255) return std::nullopt;
      }
      out.push_back({static_cast<char>(code), true});
      if (i < raw.size()) ++i;  // the character that ends the digits
    } else {
      out.push_back({c, false});
      ++i;
    }
    if (out.size() > kMaxEnvironmentValue) return std::nullopt;
  }
  return out;
}

bool Is(const ValueChar& v, char c) { return !v.coded && v.c == c; }
bool IsBlank(const ValueChar& v) { return Is(v, ' ') || Is(v, '\t'); }

std::optional<std::vector<std::string>> QuotedItems(const std::vector<ValueChar>& value, size_t i) {
  std::vector<std::string> items;
  for (;;) {
    while (i < value.size() && (IsBlank(value[i]) || Is(value[i], ','))) ++i;
    if (i == value.size()) return items;
    if (!Is(value[i], '"')) return std::nullopt;
    std::string item;
    for (++i;; ++i) {
      if (i == value.size()) return std::nullopt;
      if (Is(value[i], '"')) {
        if (i + 1 < value.size() && Is(value[i + 1], '"')) {
          item.push_back('"');
          ++i;
          continue;
        }
        ++i;
        break;
      }
      item.push_back(value[i].c);
    }
    items.push_back(std::move(item));
  }
}

}  // namespace

std::optional<std::vector<std::string>> ParseEnvironmentValue(std::string_view raw,
                                                              ValueShape shape) {
  std::optional<std::vector<ValueChar>> value = Decode(raw);
  if (!value) return std::nullopt;
  size_t first = 0;
  while (first < value->size() && IsBlank((*value)[first])) ++first;
  if (first < value->size() && Is((*value)[first], '"')) return QuotedItems(*value, first);

  std::vector<std::string> items(1);
  for (const ValueChar& v : *value) {
    if (shape == ValueShape::kList && Is(v, ',')) {
      items.emplace_back();
    } else {
      items.back().push_back(v.c);
    }
  }
  return items;
}

}  // namespace vaultara::data
