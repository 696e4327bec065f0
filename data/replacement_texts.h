#pragma once

#include <cstdint>
#include <string>

namespace vaultara::data {

// Replacement texts for numbered runtime messages (error texts, button
// captions stored under 32512 + n). They are looked up before the built-in
// texts; the environment file fills them at start-up.
void SetReplacementText(int32_t number, std::string text);
// The replacement for number, or nullptr when there is none.
const std::string* FindReplacementText(int32_t number);
void ClearReplacementTexts();

}  // namespace vaultara::data
