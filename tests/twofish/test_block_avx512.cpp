// SPDX-License-Identifier: GPL-3.0-or-later
// The table-free AVX-512 path against the portable one: random keys, every
// count around the group borders, ECB both ways and CBC decryption, in
// place and out of place; the designers' 256-bit vectors in every lane; and
// nothing of the key or the data left in vector or mask registers or on the
// stack. On a CPU without AVX-512 VBMI and GFNI the whole program reports
// itself skipped.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include "BlockTestSupport.h"
#include "twofish/BlockPath.h"

using namespace block_test;

namespace {

constexpr int kSkipped = 77;  // SKIP_RETURN_CODE in CMakeLists.txt
constexpr std::uint8_t kGuard = 0x5A;

// Groups of 32, up to three in flight: every count from empty to three
// groups, a block either side of each border, more than one run of three,
// and a long run.
constexpr std::size_t kCounts[] = {0,  1,  2,   31,  32,  33,  63,  64,  65,  95,
                                   96, 97, 127, 128, 129, 191, 192, 193, 1000};

// The path runs only inside the scope; the process's choice comes back after.
struct TOnPath {
  explicit TOnPath(TBlockPath path) { EXPECT_TRUE(SelectBlockPath(path)); }
  ~TOnPath() { SelectBlockPath(DefaultBlockPath()); }
};

enum class TWork { EncryptEcb, DecryptEcb, DecryptCbc };

// data in place, or into a fresh buffer with guards either side; returns the
// result and the CBC chain afterwards.
struct TResult {
  TBytes Data;
  TBytes Chain;
  bool GuardsIntact = true;
};

TResult Transform(const TTwofish& cipher, TBlockPath path, TWork work, const TBytes& in,
                  const TBytes& iv, bool inPlace) {
  const TOnPath on(path);
  const std::size_t blocks = in.size() / 16;
  TBytes storage(in.size() + 64, kGuard);
  std::uint8_t* out = storage.data() + 32;
  if (inPlace || work == TWork::DecryptCbc) std::copy(in.begin(), in.end(), out);
  TBytes chain(iv);
  switch (work) {
    case TWork::EncryptEcb: cipher.EncryptBlocks(inPlace ? out : in.data(), out, blocks); break;
    case TWork::DecryptEcb: cipher.DecryptBlocks(inPlace ? out : in.data(), out, blocks); break;
    case TWork::DecryptCbc: cipher.DecryptBlocksCbc(out, blocks, chain.data()); break;
  }
  TResult result{TBytes(out, out + in.size()), chain};
  for (std::size_t i = 0; i < 32; ++i)
    result.GuardsIntact &= storage[i] == kGuard && storage[storage.size() - 1 - i] == kGuard;
  return result;
}

TEST(TwofishAvx512, MatchesThePortablePathAroundEveryGroupBorder) {
  std::mt19937_64 rng = SeededRandom(22);
  for (TKeySize size : kKeySizes) {
    const TBlockCipher t(size, RandomByteVector(rng, 32));
    for (std::size_t blocks : kCounts) {
      for (TWork work : {TWork::EncryptEcb, TWork::DecryptEcb, TWork::DecryptCbc}) {
        for (bool inPlace : {false, true}) {
          SCOPED_TRACE("key bytes " + std::to_string(KeyBytes(size)) + ", blocks " +
                       std::to_string(blocks) + ", work " + std::to_string(static_cast<int>(work)) +
                       (inPlace ? ", in place" : ""));
          const TBytes in = RandomByteVector(rng, 16 * blocks);
          const TBytes iv = RandomByteVector(rng, 16);
          const TResult expected = Transform(t.Cipher, TBlockPath::Portable, work, in, iv, inPlace);
          const TResult actual = Transform(t.Cipher, TBlockPath::Avx512, work, in, iv, inPlace);
          ASSERT_EQ(ToHex(actual.Data), ToHex(expected.Data));
          ASSERT_EQ(ToHex(actual.Chain), ToHex(expected.Chain));
          ASSERT_TRUE(actual.GuardsIntact);
        }
      }
    }
  }
}

// The table-free key schedule runs while the AVX-512 path is selected; it
// must give the key state of the table schedule, byte for byte, for every
// key size and any key length up to it.
TEST(TwofishAvx512, KeyScheduleMatchesTheTableSchedule) {
  std::mt19937_64 rng = SeededRandom(25);
  for (TKeySize size : kKeySizes) {
    for (int round = 0; round < 20; ++round) {
      const TBytes key = RandomByteVector(rng, rng() % (KeyBytes(size) + 1));
      SCOPED_TRACE("key " + ToHex(key) + ", key bytes " + std::to_string(KeyBytes(size)));
      auto table = std::make_unique<TTwofish>(), vector = std::make_unique<TTwofish>();
      for (const auto& [cipher, path] : {std::pair{table.get(), TBlockPath::Portable},
                                         std::pair{vector.get(), TBlockPath::Avx512}}) {
        const TOnPath on(path);
        cipher->SetKeySize(size);
        cipher->ExpandKey(key.data(), static_cast<int>(key.size()));
      }
      const TTwofishKeyState &a = table->KeyState(), &b = vector->KeyState();
      ASSERT_EQ(ToHex(reinterpret_cast<const std::uint8_t*>(a.SubKeys), sizeof a.SubKeys),
                ToHex(reinterpret_cast<const std::uint8_t*>(b.SubKeys), sizeof b.SubKeys));
      ASSERT_EQ(std::memcmp(a.SBoxKeys, b.SBoxKeys, sizeof a.SBoxKeys), 0);
      ASSERT_EQ(std::memcmp(a.SBoxes, b.SBoxes, sizeof a.SBoxes), 0);
      ASSERT_EQ(std::memcmp(a.KeyTables01, b.KeyTables01, sizeof a.KeyTables01), 0);
      ASSERT_EQ(std::memcmp(a.KeyTables23, b.KeyTables23, sizeof a.KeyTables23), 0);
    }
  }
}

// The "vector" lines with 256-bit keys and the 256-bit "chain" section of
// the designers' tables (see the data file's header).
std::vector<std::array<TBytes, 3>> Vectors256() {
  std::ifstream file(std::string(TOLVANE_TWOFISH_TEST_DATA) + "/twofish_known_answers.txt");
  std::vector<std::array<TBytes, 3>> vectors;
  std::string line;
  bool inChain = false;
  TBytes key(32, 0), plain(16, 0);
  while (std::getline(file, line)) {
    std::istringstream words(line);
    std::string word, k, p, c;
    if (!(words >> word) || word[0] == '#') continue;
    if (word == "vector") {
      words >> k >> p >> c;
      if (k.size() == 64) vectors.push_back({FromHex(k), FromHex(p), FromHex(c)});
    } else if (word == "chain") {
      int bits = 0;
      words >> bits;
      inChain = bits == 256;
    } else if (inChain) {
      const TBytes cipher = FromHex(word);
      vectors.push_back({key, plain, cipher});
      TBytes next(plain);
      next.insert(next.end(), key.begin(), key.end());
      key.assign(next.begin(), next.begin() + 32);
      plain = cipher;
    }
  }
  return vectors;
}

TEST(TwofishAvx512, PublishedVectorsIn256BitKeysInEveryLane) {
  const auto vectors = Vectors256();
  ASSERT_EQ(vectors.size(), 1u + 4u + 49u);
  const TOnPath on(TBlockPath::Avx512);
  constexpr std::size_t kBlocks = 65;  // both groups and a partial one
  for (const auto& [key, plain, cipher] : vectors) {
    SCOPED_TRACE("key " + ToHex(key));
    const TBlockCipher t(TKeySize::Large256, key);
    TBytes data;
    for (std::size_t b = 0; b < kBlocks; ++b) data.insert(data.end(), plain.begin(), plain.end());
    t.Cipher.EncryptBlocks(data.data(), data.data(), kBlocks);
    for (std::size_t b = 0; b < kBlocks; ++b)
      ASSERT_EQ(ToHex(data.data() + 16 * b, 16), ToHex(cipher)) << "block " << b;
    t.Cipher.DecryptBlocks(data.data(), data.data(), kBlocks);
    for (std::size_t b = 0; b < kBlocks; ++b)
      ASSERT_EQ(ToHex(data.data() + 16 * b, 16), ToHex(plain)) << "block " << b;
  }
}

// zmm16..31 and the mask registers: code built for the baseline CPU never
// touches them, so whatever they hold right after the call, the call left.
bool VectorAndMaskRegistersClear() {
  alignas(64) std::uint8_t high[16][64];
  std::uint64_t masks[8];
#define TOLVANE_SAVE_ZMM(n) "vmovdqu64 %%zmm" #n ", " #n "*64-16*64(%0)\n\t"
  __asm__ volatile(TOLVANE_SAVE_ZMM(16) TOLVANE_SAVE_ZMM(17) TOLVANE_SAVE_ZMM(18) TOLVANE_SAVE_ZMM(19)
                       TOLVANE_SAVE_ZMM(20) TOLVANE_SAVE_ZMM(21) TOLVANE_SAVE_ZMM(22)
                           TOLVANE_SAVE_ZMM(23) TOLVANE_SAVE_ZMM(24) TOLVANE_SAVE_ZMM(25)
                               TOLVANE_SAVE_ZMM(26) TOLVANE_SAVE_ZMM(27) TOLVANE_SAVE_ZMM(28)
                                   TOLVANE_SAVE_ZMM(29) TOLVANE_SAVE_ZMM(30) TOLVANE_SAVE_ZMM(31)
                   "kmovq %%k0, 0(%1)\n\tkmovq %%k1, 8(%1)\n\tkmovq %%k2, 16(%1)\n\t"
                   "kmovq %%k3, 24(%1)\n\tkmovq %%k4, 32(%1)\n\tkmovq %%k5, 40(%1)\n\t"
                   "kmovq %%k6, 48(%1)\n\tkmovq %%k7, 56(%1)"
                   :
                   : "r"(&high[0][0]), "r"(masks)
                   : "memory");
#undef TOLVANE_SAVE_ZMM
  bool clear = true;
  for (const auto& reg : high)
    for (std::uint8_t b : reg) clear &= b == 0;
  for (std::uint64_t m : masks) clear &= m == 0;
  return clear;
}

TEST(TwofishAvx512, LeavesNoVectorOrMaskStateBehind) {
  std::mt19937_64 rng = SeededRandom(23);
  const TBlockCipher t(TKeySize::Large256, RandomByteVector(rng, 32));
  TBytes data = RandomByteVector(rng, 16 * 97);
  std::uint8_t iv[16] = {};
  const TOnPath on(TBlockPath::Avx512);
  TTwofish keyed;
  keyed.SetKeySize(TKeySize::Large256);
  keyed.ExpandKey(data.data(), 32);
  EXPECT_TRUE(VectorAndMaskRegistersClear()) << "after ExpandKey";
  t.Cipher.EncryptBlocks(data.data(), data.data(), 97);
  EXPECT_TRUE(VectorAndMaskRegistersClear()) << "after EncryptBlocks";
  t.Cipher.DecryptBlocks(data.data(), data.data(), 97);
  EXPECT_TRUE(VectorAndMaskRegistersClear()) << "after DecryptBlocks";
  t.Cipher.DecryptBlocksCbc(data.data(), 97, iv);
  EXPECT_TRUE(VectorAndMaskRegistersClear()) << "after DecryptBlocksCbc";
}

// The stack below a caller's frame: filled with a mark before the call,
// copied right after it returns (rep stosb and rep movsb make no frame).
constexpr std::uint8_t kMark = 0xA5;
alignas(64) std::uint8_t gBelow[4096];

[[gnu::noinline]] void EncryptAndCopyStackBelow(const TTwofish& cipher, std::uint8_t* data,
                                                std::size_t blocks) {
  std::size_t count = sizeof gBelow;
  __asm__ volatile("lea -4096(%%rsp), %%rdi\n\trep stosb"
                   : "+c"(count)
                   : "a"(kMark)
                   : "rdi", "memory");
  cipher.EncryptBlocks(data, data, blocks);
  void* target = gBelow;
  count = sizeof gBelow;
  __asm__ volatile("lea -4096(%%rsp), %%rsi\n\trep movsb"
                   : "+D"(target), "+c"(count)
                   :
                   : "rsi", "memory");
}

// What the kernel spilled (key-dependent state) is zeroed before it returns:
// below the caller only the mark, zeros and the few frames on the way down
// (return addresses, saved registers) may remain.
TEST(TwofishAvx512, LeavesNothingOnTheStack) {
  std::mt19937_64 rng = SeededRandom(24);
  const TBlockCipher t(TKeySize::Large256, RandomByteVector(rng, 32));
  TBytes data = RandomByteVector(rng, 16 * 97);
  {
    const TOnPath on(TBlockPath::Avx512);
    EncryptAndCopyStackBelow(t.Cipher, data.data(), 97);
  }
  std::size_t left = 0;
  for (std::uint8_t b : gBelow) left += b != 0 && b != kMark;
  EXPECT_LE(left, 512u) << "bytes of the 4 KiB below the caller neither wiped nor untouched";
}

}  // namespace

int main(int argc, char** argv) {
  if (!BlockPathAvailable(TBlockPath::Avx512)) {
    std::printf("block path avx512: not available on this CPU or build, skipped\n");
    return kSkipped;
  }
  std::printf("block path tested: avx512 against portable\n");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
