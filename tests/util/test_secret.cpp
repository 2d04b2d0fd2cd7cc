// SPDX-License-Identifier: GPL-3.0-or-later
// A secret leaves no readable copy behind in memory it gives up.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "util/Secret.h"

namespace {

bool AllZero(const char* bytes, std::size_t size) {
  return std::all_of(bytes, bytes + size, [](char c) { return c == 0; });
}

// Short texts live inside the object itself, where a move copies them and
// would leave them behind in the object moved from.
TEST(Secret, MovingLeavesNothingInTheObjectMovedFrom) {
  for (const std::string& text : {std::string("kurz"), std::string(100, 'l')}) {
    SCOPED_TRACE(text.size());
    TSecret from(text);
    const char* old = from.data();
    const bool inside = old >= reinterpret_cast<const char*>(&from) &&
                        old < reinterpret_cast<const char*>(&from + 1);
    TSecret to = std::move(from);
    EXPECT_EQ(to.view(), text);
    EXPECT_TRUE(from.empty());
    if (inside) {
      EXPECT_TRUE(AllZero(old, text.size()));
    }

    TSecret assigned(std::string(text.size(), 'x'));
    assigned = std::move(to);
    EXPECT_EQ(assigned.view(), text);
    EXPECT_TRUE(to.empty());
  }
}

TEST(Secret, TakeWipesTheStringItCameFrom) {
  std::string text = "Passwort";
  const char* old = text.data();
  const TSecret secret = TSecret::Take(text);
  EXPECT_EQ(secret.view(), "Passwort");
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(AllZero(old, 8));
}

TEST(Secret, GrowingAndShrinkingKeepTheBytes) {
  TSecret secret;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    secret.push_back(static_cast<char>('a' + i % 26));
    expected.push_back(static_cast<char>('a' + i % 26));
  }
  secret.append("\r");
  secret.pop_back();
  EXPECT_EQ(secret.view(), expected);
  const TSecret copy = secret.Copy();
  EXPECT_EQ(copy, secret);
  secret.clear();
  EXPECT_TRUE(secret.empty());
  EXPECT_EQ(copy.size(), 1000u);
}

}  // namespace
