// SPDX-License-Identifier: GPL-3.0-or-later
// The two fills of the g tables and S-boxes from the S vector. The tables
// themselves are checked against nettle through the key schedule; the
// S-boxes only reach the AVX-512 path, so they are checked here.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "BlockTestSupport.h"
#include "twofish/BlockPath.h"
#include "twofish/KeyTables.h"
#include "twofish/KeyTablesAvx2.h"

using namespace block_test;

namespace {

// An S vector of `words` random words, the rest zero as the schedule leaves
// them.
void RandomSVector(std::mt19937_64& rng, int words, TTwofishKeyState& state) {
  for (int i = 0; i < 4; ++i) state.SBoxKeys[i] = i < words ? static_cast<std::uint32_t>(rng()) : 0;
}

}  // namespace

// s_c[x] is the byte of T_c[x] where column c of the MDS matrix has its 1.
TEST(TwofishKeyTables, SBoxesAreTheTableBytesBeforeTheMdsMultiply) {
  constexpr int kRowOfOne[4] = {0, 3, 2, 1};
  std::mt19937_64 rng = SeededRandom(31);
  for (int words = 2; words <= 4; ++words) {
    SCOPED_TRACE("key words " + std::to_string(words));
    auto state = std::make_unique<TTwofishKeyState>();
    RandomSVector(rng, words, *state);
    FillKeyTables(*state, words, true);
    for (int x = 0; x < 256; ++x) {
      const std::uint32_t t[4] = {state->KeyTables01[x][0], state->KeyTables01[x][1],
                                  state->KeyTables23[x][0], state->KeyTables23[x][1]};
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(state->SBoxes[c][x], static_cast<std::uint8_t>(t[c] >> (8 * kRowOfOne[c])))
            << "column " << c << ", x " << x;
    }
  }
}

// Where the CPU has AVX2, the shuffle fill gives the lookup fill's key
// state byte for byte, with the S-boxes and without.
TEST(TwofishKeyTables, ShuffleFillMatchesLookupFill) {
#ifndef TOLVANE_HAVE_AVX2_KEY_TABLES
  GTEST_SKIP() << "this build has no AVX2 fill";
#else
  if (!BlockPathAvailable(TBlockPath::Avx2)) GTEST_SKIP() << "this CPU has no AVX2";
  std::mt19937_64 rng = SeededRandom(32);
  for (int words = 2; words <= 4; ++words) {
    for (bool boxes : {false, true}) {
      for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("key words " + std::to_string(words) + (boxes ? ", S-boxes" : ""));
        auto lookup = std::make_unique<TTwofishKeyState>(),
             shuffle = std::make_unique<TTwofishKeyState>();
        RandomSVector(rng, words, *lookup);
        std::memcpy(shuffle->SBoxKeys, lookup->SBoxKeys, sizeof lookup->SBoxKeys);
        FillKeyTables(*lookup, words, boxes);
        twofish_avx2::FillKeyTables(*shuffle, words, boxes);
        ASSERT_EQ(
            std::memcmp(lookup->KeyTables01, shuffle->KeyTables01, sizeof lookup->KeyTables01), 0);
        ASSERT_EQ(
            std::memcmp(lookup->KeyTables23, shuffle->KeyTables23, sizeof lookup->KeyTables23), 0);
        ASSERT_EQ(std::memcmp(lookup->SBoxes, shuffle->SBoxes, sizeof lookup->SBoxes), 0);
      }
    }
  }
#endif
}
