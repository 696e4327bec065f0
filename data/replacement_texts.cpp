#include "data/replacement_texts.h"

#include <map>
#include <utility>

namespace vaultara::data {
namespace {

std::map<int32_t, std::string>& Texts() {
  static std::map<int32_t, std::string> texts;
  return texts;
}

}  // namespace

void SetReplacementText(int32_t number, std::string text) { Texts()[number] = std::move(text); }

const std::string* FindReplacementText(int32_t number) {
  auto it = Texts().find(number);
  return it == Texts().end() ? nullptr : &it->second;
}

void ClearReplacementTexts() { Texts().clear(); }

}  // namespace vaultara::data
