// SPDX-License-Identifier: GPL-3.0-or-later
// The bit count outgrows 32 bits at 2^29 bytes. The message is zeros from an
// anonymous mapping, so half a GiB costs no memory.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdint>

#include "NettleSha1.h"
#include "sha/SHA.h"

namespace {

constexpr std::uint32_t Length = (1u << 29) + 3;

class ShaLarge : public ::testing::Test {
 protected:
  void SetUp() override {
    void* mapping = mmap(nullptr, Length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    Zeros = static_cast<const std::uint8_t*>(mapping);
    TNettleSha1 oracle;
    oracle.Update(Zeros, Length);
    Expected = oracle.DigestText();
  }
  void TearDown() override {
    if (Zeros != nullptr) munmap(const_cast<std::uint8_t*>(Zeros), Length);
  }

  const std::uint8_t* Zeros = nullptr;
  std::string Expected;
};

// One Update of more than 2^29 bytes: the high half takes count / 2^29.
TEST_F(ShaLarge, SingleUpdateBeyondThirtyTwoBitsOfLength) {
  TSHA sha;
  sha.Init();
  sha.Update(Zeros, Length);
  sha.Final();
  EXPECT_EQ(sha.DigestText(), Expected);
}

// Many smaller Updates: the low half wraps and carries.
TEST_F(ShaLarge, LowHalfOfTheCountWrapsAndCarries) {
  constexpr std::uint32_t Piece = (1u << 24) + 5;
  TSHA sha;
  sha.Init();
  std::uint32_t fed = 0;
  while (fed < Length) {
    const std::uint32_t n = std::min(Piece, Length - fed);
    sha.Update(Zeros + fed, n);
    fed += n;
  }
  sha.Final();
  EXPECT_EQ(sha.DigestText(), Expected);
}

}  // namespace
