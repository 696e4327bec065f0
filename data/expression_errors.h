#pragma once

#include <cstdint>
#include <string_view>

namespace vaultara::data {

// Posts code to the error state (see PostError) with text in place of the
// code's own message; the text is kept as far as the error state keeps a
// message. With an empty text the code's own message stays.
void PostExpressionError(int32_t code, std::string_view text = {});

// Posts error 801 for a name that is neither bound nor built in: the code's
// message followed by " (" + name + ")".
void PostNoBind(std::string_view name);

}  // namespace vaultara::data
