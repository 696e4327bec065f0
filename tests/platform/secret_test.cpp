#include "platform/secret.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vaultara::platform {
namespace {

bool AllZero(const std::string& s) {
  return std::all_of(s.data(), s.data() + s.capacity(), [](char c) { return c == 0; });
}

TEST(Secret, WipingClearsTheWholeBufferAndAssignWipesItsSource) {
  for (size_t length : {3u, 40u}) {  // held inside the object and on the heap
    std::string text(length, 'p');
    WipeString(text);
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(AllZero(text)) << length;

    std::string password(length, 's');
    SecretString secret;
    secret.Assign(std::move(password));
    EXPECT_EQ(secret.str(), std::string(length, 's'));
    EXPECT_TRUE(AllZero(password)) << length;  // NOLINT(bugprone-use-after-move)

    SecretString copy = secret;
    SecretString moved = std::move(copy);
    EXPECT_EQ(moved.str(), secret.str());
    moved.Clear();
    EXPECT_TRUE(moved.empty());
  }
}

}  // namespace
}  // namespace vaultara::platform
