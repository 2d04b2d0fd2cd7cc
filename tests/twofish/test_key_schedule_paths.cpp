// SPDX-License-Identifier: GPL-3.0-or-later
// The two table-path key schedules below ExpandKey. Their subkeys and g
// tables are checked against nettle through ExpandKey on the one this CPU
// takes; the S-boxes only reach the AVX-512 path, so they are checked here.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "BlockTestSupport.h"
#include "twofish/KeyScheduleAvx2.h"
#include "twofish/KeyScheduleLookups.h"

using namespace block_test;

namespace {

// A random key of `words` 64-bit words, zero-padded to 32 bytes, and a
// random S vector of as many words, the rest zero as the schedule leaves
// them (the two need not belong together here).
struct TRandomKey {
  std::uint8_t Area[32] = {};
  std::uint32_t S[4] = {};
  TRandomKey(std::mt19937_64& rng, int words) {
    for (int i = 0; i < 8 * words; ++i) Area[i] = static_cast<std::uint8_t>(rng());
    for (int i = 0; i < words; ++i) S[i] = static_cast<std::uint32_t>(rng());
  }
};

std::unique_ptr<TTwofishKeyState> StateFor(const TRandomKey& key) {
  auto state = std::make_unique<TTwofishKeyState>();
  std::memcpy(state->SBoxKeys, key.S, sizeof key.S);
  return state;
}

}  // namespace

// s_c[x] is the byte of T_c[x] where column c of the MDS matrix has its 1.
TEST(TwofishKeySchedulePaths, SBoxesAreTheTableBytesBeforeTheMdsMultiply) {
  constexpr int kRowOfOne[4] = {0, 3, 2, 1};
  std::mt19937_64 rng = SeededRandom(31);
  for (int words = 2; words <= 4; ++words) {
    SCOPED_TRACE("key words " + std::to_string(words));
    const TRandomKey key(rng, words);
    auto state = StateFor(key);
    ExpandKeyByLookups(key.Area, words, true, *state);
    for (int x = 0; x < 256; ++x) {
      const std::uint32_t t[4] = {state->KeyTables01[x][0], state->KeyTables01[x][1],
                                  state->KeyTables23[x][0], state->KeyTables23[x][1]};
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(state->SBoxes[c][x], static_cast<std::uint8_t>(t[c] >> (8 * kRowOfOne[c])))
            << "column " << c << ", x " << x;
    }
  }
}

// Where the CPU has AVX2, the shuffle schedule gives the lookup schedule's
// key state byte for byte, with the S-boxes and without.
TEST(TwofishKeySchedulePaths, ShufflesMatchLookups) {
#ifndef TOLVANE_HAVE_AVX2_KEY_SCHEDULE
  GTEST_SKIP() << "this build has no AVX2 key schedule";
#else
  if (!twofish_avx2::Available()) GTEST_SKIP() << "this CPU has no AVX2";
  std::mt19937_64 rng = SeededRandom(32);
  for (int words = 2; words <= 4; ++words) {
    for (bool boxes : {false, true}) {
      for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("key words " + std::to_string(words) + (boxes ? ", S-boxes" : ""));
        const TRandomKey key(rng, words);
        auto lookups = StateFor(key), shuffles = StateFor(key);
        ExpandKeyByLookups(key.Area, words, boxes, *lookups);
        twofish_avx2::ExpandKey(key.Area, words, boxes, *shuffles);
        ASSERT_EQ(std::memcmp(lookups->SubKeys, shuffles->SubKeys, sizeof lookups->SubKeys), 0);
        ASSERT_EQ(
            std::memcmp(lookups->KeyTables01, shuffles->KeyTables01, sizeof lookups->KeyTables01),
            0);
        ASSERT_EQ(
            std::memcmp(lookups->KeyTables23, shuffles->KeyTables23, sizeof lookups->KeyTables23),
            0);
        ASSERT_EQ(std::memcmp(lookups->SBoxes, shuffles->SBoxes, sizeof lookups->SBoxes), 0);
      }
    }
  }
#endif
}
