// SPDX-License-Identifier: GPL-3.0-or-later
// The compile-time tables against a plain recomputation from the Twofish
// definitions.

#include <gtest/gtest.h>

#include <set>

#include "twofish/Twofish.h"
#include "twofish/TwofishTables.h"

namespace {

// Schoolbook multiplication in GF(2^8) modulo x^8+x^6+x^5+x^3+1 (0x169).
std::uint8_t GfMul(std::uint8_t a, std::uint8_t b) {
  unsigned product = 0, x = a;
  for (int bit = 0; bit < 8; ++bit) {
    if (b & (1u << bit)) product ^= x;
    x <<= 1;
    if (x & 0x100) x ^= 0x169;
  }
  return static_cast<std::uint8_t>(product);
}

// The MDS matrix of the paper, section 4.2 (row, column).
constexpr std::uint8_t kMds[4][4] = {{0x01, 0xEF, 0x5B, 0x5B},
                                     {0x5B, 0xEF, 0xEF, 0x01},
                                     {0xEF, 0x5B, 0x01, 0xEF},
                                     {0xEF, 0x01, 0xEF, 0x5B}};

}  // namespace

TEST(TwofishTables, QIsTwoPermutations) {
  for (int half = 0; half < 2; ++half) {
    std::set<int> seen;
    for (int x = 0; x < 256; ++x) seen.insert(QTable[static_cast<std::size_t>(256 * half + x)]);
    EXPECT_EQ(seen.size(), 256u) << "q" << half;
  }
}

TEST(TwofishTables, MdsTablesEqualMatrixTimesQ) {
  BuildMdsTables();  // a no-op for constant tables, and harmless twice
  BuildMdsTables();
  EXPECT_EQ(MdsTables[0][0], 0xBCBC3275u);
  for (int column = 0; column < 4; ++column) {
    // Columns 0 and 2 follow q1, columns 1 and 3 follow q0.
    const int q = (column % 2 == 0) ? 256 : 0;
    for (int x = 0; x < 256; ++x) {
      const std::uint8_t v = QTable[static_cast<std::size_t>(q + x)];
      std::uint32_t expected = 0;
      for (int row = 0; row < 4; ++row) expected |= std::uint32_t{GfMul(kMds[row][column], v)} << (8 * row);
      ASSERT_EQ(MdsTables[static_cast<std::size_t>(column)][static_cast<std::size_t>(x)], expected)
          << "MT" << column << "[" << x << "]";
    }
  }
}
