// SPDX-License-Identifier: GPL-3.0-or-later
// The batch transforms on every block path this CPU has: GCC cannot align
// the Windows stack to the 64 bytes the vector path spills its registers
// with, which the build works around.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "BlockTestSupport.h"
#include "twofish/BlockPath.h"

using namespace block_test;

namespace {

TEST(Win32BlockPaths, BatchesOnEveryPathMatchTheKnownAnswerAndSingleBlocks) {
  const TBytes zeroCipher = FromHex("57FF739D4DC92C1BD7FC01700CC8216F");
  const std::uint8_t zeroKey[32] = {};
  const TBlockCipher known(TKeySize::Large256, zeroKey, 32);
  auto random = SeededRandom(50);
  const TBytes key = RandomByteVector(random, 32);
  const TBlockCipher keyed(TKeySize::Large256, key);

  for (const TBlockPath path : {TBlockPath::Portable, TBlockPath::Avx2, TBlockPath::Avx512}) {
    if (!SelectBlockPath(path)) {
      std::printf("block path %d not available on this CPU\n", static_cast<int>(path));
      continue;
    }
    SCOPED_TRACE(path == TBlockPath::Avx512 ? "AVX-512"
                 : path == TBlockPath::Avx2 ? "AVX2"
                                            : "portable");
    // Counts around the vector paths' groups of 32 and 16, and a long run.
    for (const std::size_t blocks : {std::size_t{1}, std::size_t{31}, std::size_t{32},
                                     std::size_t{33}, std::size_t{97}, std::size_t{1000}}) {
      std::vector<std::uint8_t> data(16 * blocks, 0);
      known.Cipher.EncryptBlocks(data.data(), data.data(), blocks);
      for (std::size_t b = 0; b < blocks; ++b) {
        ASSERT_EQ(ToHex(data.data() + 16 * b, 16), ToHex(zeroCipher)) << "block " << b;
      }

      const TBytes plain = RandomByteVector(random, 16 * blocks);
      std::vector<std::uint8_t> batch(plain.size());
      keyed.Cipher.EncryptBlocks(plain.data(), batch.data(), blocks);
      for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t single[16];
        keyed.Cipher.EncryptBlock(plain.data() + 16 * b, single);
        ASSERT_EQ(std::memcmp(single, batch.data() + 16 * b, 16), 0) << "block " << b;
      }
      keyed.Cipher.DecryptBlocks(batch.data(), batch.data(), blocks);
      EXPECT_EQ(std::memcmp(batch.data(), plain.data(), plain.size()), 0) << blocks << " blocks";
    }
  }
  SelectBlockPath(DefaultBlockPath());
}

}  // namespace
