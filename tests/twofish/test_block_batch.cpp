// SPDX-License-Identifier: GPL-3.0-or-later
// The batch entry points against the single-block transform at every count
// across the vector width and the tails, in place and out of place, on every
// block path this CPU can run; against nettle over long runs and through the
// buffer transforms; and the CBC chain against one built from single blocks.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "NettleBlock.h"
#include "twofish/BlockPath.h"

using namespace block_test;

static const char* PathName(TBlockPath path) {
  switch (path) {
    case TBlockPath::Avx2: return "Avx2";
    case TBlockPath::Avx512: return "Avx512";
    case TBlockPath::Portable: break;
  }
  return "Portable";
}

// Names the path in gtest's messages instead of its bytes.
static void PrintTo(TBlockPath path, std::ostream* out) { *out << PathName(path); }

namespace {

// Past one AVX-512 group of 32 blocks and three AVX2 groups of 16, and
// every tail of three in flight.
constexpr std::size_t kMaxBlocks = 49;
constexpr std::uint8_t kGuard = 0xA5;

// Output buffers carry guard bytes on both sides to catch stray writes. The
// data starts skew bytes past a 16-byte boundary, so no path may assume
// aligned blocks.
struct TGuarded {
  TBytes Storage;
  std::size_t Skew;
  explicit TGuarded(const TBytes& content, std::size_t skew = 0)
      : Storage(content.size() + 32 + skew, kGuard), Skew(skew) {
    if (!content.empty()) std::memcpy(Data(), content.data(), content.size());
  }
  std::uint8_t* Data() { return Storage.data() + 16 + Skew; }
  TBytes Content() const {
    return TBytes(Storage.begin() + 16 + static_cast<std::ptrdiff_t>(Skew), Storage.end() - 16);
  }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < 16 + Skew; ++i)
      if (Storage[i] != kGuard) return false;
    for (std::size_t i = 0; i < 16; ++i)
      if (Storage[Storage.size() - 1 - i] != kGuard) return false;
    return true;
  }
};

TBytes BlockByBlock(const TTwofish& t, const TBytes& in, bool encrypt) {
  TBytes out(in.size());
  for (std::size_t i = 0; i < in.size(); i += 16) {
    if (encrypt)
      t.EncryptBlock(in.data() + i, out.data() + i);
    else
      t.DecryptBlock(in.data() + i, out.data() + i);
  }
  return out;
}

// Every test of the suite runs once per path; a path the CPU lacks is
// skipped, and the process's own choice is restored afterwards.
class TwofishBatch : public ::testing::TestWithParam<TBlockPath> {
 protected:
  void SetUp() override {
    if (!SelectBlockPath(GetParam()))
      GTEST_SKIP() << PathName(GetParam()) << " not available on this CPU";
    ASSERT_EQ(ActiveBlockPath(), GetParam());
  }
  void TearDown() override { SelectBlockPath(DefaultBlockPath()); }
};

INSTANTIATE_TEST_SUITE_P(Paths, TwofishBatch,
                         ::testing::Values(TBlockPath::Portable, TBlockPath::Avx2,
                                           TBlockPath::Avx512),
                         [](const ::testing::TestParamInfo<TBlockPath>& path) {
                           return std::string(PathName(path.param));
                         });

}  // namespace

TEST_P(TwofishBatch, EncryptAndDecryptBlocksMatchSingleBlocksAtEveryCount) {
  std::mt19937_64 rng = SeededRandom(7);
  for (TKeySize size : kKeySizes) {
    const TBlockCipher t(size, RandomByteVector(rng, 32));
    for (std::size_t n = 0; n <= kMaxBlocks; ++n) {
      const std::size_t skew = n % 5;
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", blocks " + std::to_string(n));
      const TBytes plain = RandomByteVector(rng, 16 * n);
      const TBytes cipher = BlockByBlock(t.Cipher, plain, true);
      ASSERT_EQ(BlockByBlock(t.Cipher, cipher, false), plain);

      TGuarded out(TBytes(plain.size(), 0), skew);
      t.Cipher.EncryptBlocks(plain.data(), out.Data(), n);
      EXPECT_EQ(out.Content(), cipher);
      EXPECT_TRUE(out.GuardsIntact());

      TGuarded inPlace(plain, skew);
      t.Cipher.EncryptBlocks(inPlace.Data(), inPlace.Data(), n);
      EXPECT_EQ(inPlace.Content(), cipher);
      EXPECT_TRUE(inPlace.GuardsIntact());

      TGuarded back(TBytes(plain.size(), 0), skew);
      t.Cipher.DecryptBlocks(cipher.data(), back.Data(), n);
      EXPECT_EQ(back.Content(), plain);
      EXPECT_TRUE(back.GuardsIntact());

      t.Cipher.DecryptBlocks(inPlace.Data(), inPlace.Data(), n);
      EXPECT_EQ(inPlace.Content(), plain);
      EXPECT_TRUE(inPlace.GuardsIntact());
    }
  }
}

// Long runs under random keys: an independent implementation, so a fault
// shared by the single-block and the batch code shows up too.
TEST_P(TwofishBatch, LongRunsMatchNettle) {
  std::mt19937_64 rng = SeededRandom(10);
  for (TKeySize size : kKeySizes) {
    for (int round = 0; round < 4; ++round) {
      const TBytes key = RandomByteVector(rng, KeyBytes(size));
      const TBlockCipher ours(size, key);
      const TNettleBlock ref(size, key.data(), key.size());
      const std::size_t blocks = 200 + rng() % 200;
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", blocks " +
                   std::to_string(blocks));
      const TBytes plain = RandomByteVector(rng, 16 * blocks);
      TBytes expected(plain.size()), data(plain);
      ref.Encrypt(plain.data(), expected.data(), blocks);
      ours.Cipher.EncryptBlocks(data.data(), data.data(), blocks);
      ASSERT_EQ(data, expected);
      ours.Cipher.DecryptBlocks(data.data(), data.data(), blocks);
      ASSERT_EQ(data, plain);
    }
  }
}

// The buffer transforms hand ECB and CBC decryption to the batches in
// groups of their own; a full padded chunk and short calls, the CBC chain
// carried from call to call, against nettle with the chain done by hand.
TEST_P(TwofishBatch, BufferTransformsMatchNettle) {
  std::mt19937_64 rng = SeededRandom(11);
  auto cipher = std::make_unique<TTwofish>();
  const TBytes key = RandomByteVector(rng, 32);
  const TBytes ivBytes = RandomByteVector(rng, 16);
  const TNettleBlock ref(TKeySize::Large256, key.data(), key.size());
  cipher->SetKeySize(TKeySize::Large256);
  cipher->SetKey(std::string(key.begin(), key.end()));

  const int sizes[] = {TTwofish::MaxBufferCount, 16, 112, 128, 144, 4096, 272, 512 + 16 * 7};
  for (TCipherMode mode : {TCipherMode::ECB, TCipherMode::CBC}) {
    cipher->SetCipherMode(mode);
    cipher->SetIV(std::string(ivBytes.begin(), ivBytes.end()));
    TBytes chain(ivBytes);
    for (int n : sizes) {
      SCOPED_TRACE(std::string(mode == TCipherMode::ECB ? "ECB" : "CBC") + ", bytes " +
                   std::to_string(n));
      const auto count = static_cast<std::size_t>(n);
      const TBytes plain = RandomByteVector(rng, count);

      TBytes expected(count);
      ref.Encrypt(plain.data(), expected.data(), count / 16);
      std::memcpy(cipher->Buffer(), plain.data(), count);
      if (mode == TCipherMode::ECB) {
        cipher->EncryptBuffer(n);
        ASSERT_EQ(TBytes(cipher->Buffer(), cipher->Buffer() + count), expected);
        std::memcpy(cipher->Buffer(), expected.data(), count);
        cipher->DecryptBuffer(n);
        ASSERT_EQ(TBytes(cipher->Buffer(), cipher->Buffer() + count), plain);
        continue;
      }
      // CBC decryption: plain is taken as ciphertext, its blocks decrypted
      // by nettle and joined to the previous ciphertext block.
      ref.Decrypt(plain.data(), expected.data(), count / 16);
      for (std::size_t i = 0; i < count; ++i) expected[i] ^= i < 16 ? chain[i] : plain[i - 16];
      chain.assign(plain.end() - 16, plain.end());
      cipher->DecryptBuffer(n);
      ASSERT_EQ(TBytes(cipher->Buffer(), cipher->Buffer() + count), expected);
      ASSERT_EQ(ToHex(cipher->KeyState().FIV, 16), ToHex(chain))
          << "the chain holds the last ciphertext block";
    }
  }
}

TEST(TwofishBatchSingle, SingleBlockInPlace) {
  std::mt19937_64 rng = SeededRandom(8);
  const TBlockCipher t(TKeySize::Large256, RandomByteVector(rng, 32));
  const TBytes plain = RandomByteVector(rng, 16);
  std::uint8_t separate[16], block[16];
  std::memcpy(block, plain.data(), 16);
  t.Cipher.EncryptBlock(plain.data(), separate);
  t.Cipher.EncryptBlock(block, block);
  EXPECT_EQ(ToHex(block, 16), ToHex(separate, 16));
  t.Cipher.DecryptBlock(block, block);
  EXPECT_EQ(ToHex(block, 16), ToHex(plain));
}

TEST(TwofishBatchSingle, CbcChainMatchesSingleBlocksAndCarriesOver) {
  std::mt19937_64 rng = SeededRandom(9);
  for (TKeySize size : kKeySizes) {
    const TBlockCipher t(size, RandomByteVector(rng, 32));
    for (std::size_t n = 0; n <= kMaxBlocks; ++n) {
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", blocks " + std::to_string(n));
      const TBytes plain = RandomByteVector(rng, 16 * n);
      const TBytes iv0 = RandomByteVector(rng, 16);

      TBytes expected(plain);
      TBytes chain(iv0);
      for (std::size_t i = 0; i < n; ++i) {
        for (int j = 0; j < 16; ++j) expected[16 * i + j] ^= chain[j];
        t.Cipher.EncryptBlock(&expected[16 * i], &expected[16 * i]);
        chain.assign(expected.begin() + 16 * i, expected.begin() + 16 * i + 16);
      }

      TGuarded data(plain);
      std::uint8_t iv[16];
      std::memcpy(iv, iv0.data(), 16);
      t.Cipher.EncryptBlocksCbc(data.Data(), n, iv);
      EXPECT_EQ(data.Content(), expected);
      EXPECT_TRUE(data.GuardsIntact());
      EXPECT_EQ(ToHex(iv, 16), ToHex(chain)) << "iv must hold the last ciphertext block";

      // The same data in two calls, the chain carried through iv.
      if (n >= 2) {
        TBytes split(plain);
        std::memcpy(iv, iv0.data(), 16);
        const std::size_t first = n / 2;
        t.Cipher.EncryptBlocksCbc(split.data(), first, iv);
        t.Cipher.EncryptBlocksCbc(split.data() + 16 * first, n - first, iv);
        EXPECT_EQ(split, expected);
      }
    }
  }
}
