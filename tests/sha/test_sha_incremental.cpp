// SPDX-License-Identifier: GPL-3.0-or-later
// Feeding a message in pieces must not change its digest.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "NettleSha1.h"
#include "tests/support/TestSeed.h"
#include "sha/SHA.h"

namespace {

std::string PatternMessage(std::size_t length) {
  std::string message(length, '\0');
  for (std::size_t i = 0; i < length; ++i) message[i] = static_cast<char>((i * 131 + 17) >> 2);
  return message;
}

// Every pair of split points i <= j, so that empty pieces, pieces ending on a
// block boundary and pieces longer than a block all occur.
TEST(ShaIncremental, EveryThreeWaySplitEqualsOneShot) {
  const std::string message = PatternMessage(200);
  const std::string expected = NettleSha1Text(message);
  const char* data = message.data();
  const auto n = static_cast<std::uint32_t>(message.size());
  TSHA sha;
  for (std::uint32_t i = 0; i <= n; ++i) {
    for (std::uint32_t j = i; j <= n; ++j) {
      sha.Init();
      sha.Update(data, i);
      sha.Update(data + i, j - i);
      sha.Update(data + j, n - j);
      sha.Final();
      ASSERT_EQ(sha.DigestText(), expected) << "split at " << i << " and " << j;
    }
  }
}

TEST(ShaIncremental, UpdateStringPiecesEqualOneShot) {
  const std::string message = PatternMessage(5000);
  TSHA sha;
  sha.Init();
  sha.UpdateString(message.substr(0, 2049));
  sha.UpdateString("");
  sha.UpdateString(message.substr(2049));
  sha.Final();
  EXPECT_EQ(sha.DigestText(), NettleSha1Text(message));
}

TEST(ShaIncremental, RandomMessagesInRandomPiecesMatchNettle) {
  const std::uint64_t seed = TestSeed();
  RecordProperty("TOLVANE_SEED", std::to_string(seed));
  std::mt19937_64 random = SeededRandom(1);

  for (int round = 0; round < 300; ++round) {
    const std::size_t length = random() % 10000;
    std::vector<std::uint8_t> message(length);
    for (auto& byte : message) byte = static_cast<std::uint8_t>(random());

    TSHA sha;
    sha.SetHashType(THashType::htSHA1);
    sha.Init();
    TNettleSha1 oracle;
    std::size_t fed = 0;
    while (fed < length) {
      // Mostly short pieces, now and then a long one.
      const std::size_t limit = random() % 4 == 0 ? 3000 : 70;
      const std::size_t piece = std::min<std::size_t>(random() % (limit + 1), length - fed);
      sha.Update(message.data() + fed, static_cast<std::uint32_t>(piece));
      oracle.Update(message.data() + fed, piece);
      fed += piece;
    }
    sha.Final();
    ASSERT_EQ(sha.DigestText(), oracle.DigestText())
        << "length " << length << ", TOLVANE_SEED=" << seed;
  }
}

}  // namespace
