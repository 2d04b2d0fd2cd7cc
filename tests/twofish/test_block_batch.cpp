// The batch entry points against the single-block transform at every count
// around the interleaving width, in place and out of place, and the CBC
// chain against one built from single blocks.

#include <gtest/gtest.h>

#include <cstring>

#include "BlockTestSupport.h"

using namespace block_test;

namespace {

constexpr std::size_t kMaxBlocks = 33;
constexpr std::uint8_t kGuard = 0xA5;

// Output buffers carry guard bytes on both sides to catch stray writes.
struct TGuarded {
  TBytes Storage;
  explicit TGuarded(const TBytes& content) : Storage(content.size() + 32, kGuard) {
    if (!content.empty()) std::memcpy(Data(), content.data(), content.size());
  }
  std::uint8_t* Data() { return Storage.data() + 16; }
  TBytes Content() const { return TBytes(Storage.begin() + 16, Storage.end() - 16); }
  bool GuardsIntact() const {
    for (std::size_t i = 0; i < 16; ++i)
      if (Storage[i] != kGuard || Storage[Storage.size() - 1 - i] != kGuard) return false;
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

}  // namespace

TEST(TwofishBatch, EncryptAndDecryptBlocksMatchSingleBlocksAtEveryCount) {
  std::mt19937_64 rng = Rng(7);
  for (TKeySize size : kKeySizes) {
    const TBlockCipher t(size, RandomBytes(rng, 32));
    for (std::size_t n = 0; n <= kMaxBlocks; ++n) {
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", blocks " + std::to_string(n));
      const TBytes plain = RandomBytes(rng, 16 * n);
      const TBytes cipher = BlockByBlock(t.Cipher, plain, true);
      ASSERT_EQ(BlockByBlock(t.Cipher, cipher, false), plain);

      TGuarded out(TBytes(plain.size(), 0));
      t.Cipher.EncryptBlocks(plain.data(), out.Data(), n);
      EXPECT_EQ(out.Content(), cipher);
      EXPECT_TRUE(out.GuardsIntact());

      TGuarded inPlace(plain);
      t.Cipher.EncryptBlocks(inPlace.Data(), inPlace.Data(), n);
      EXPECT_EQ(inPlace.Content(), cipher);
      EXPECT_TRUE(inPlace.GuardsIntact());

      TGuarded back(TBytes(plain.size(), 0));
      t.Cipher.DecryptBlocks(cipher.data(), back.Data(), n);
      EXPECT_EQ(back.Content(), plain);
      EXPECT_TRUE(back.GuardsIntact());

      t.Cipher.DecryptBlocks(inPlace.Data(), inPlace.Data(), n);
      EXPECT_EQ(inPlace.Content(), plain);
      EXPECT_TRUE(inPlace.GuardsIntact());
    }
  }
}

TEST(TwofishBatch, SingleBlockInPlace) {
  std::mt19937_64 rng = Rng(8);
  const TBlockCipher t(TKeySize::Large256, RandomBytes(rng, 32));
  const TBytes plain = RandomBytes(rng, 16);
  std::uint8_t separate[16], block[16];
  std::memcpy(block, plain.data(), 16);
  t.Cipher.EncryptBlock(plain.data(), separate);
  t.Cipher.EncryptBlock(block, block);
  EXPECT_EQ(ToHex(block, 16), ToHex(separate, 16));
  t.Cipher.DecryptBlock(block, block);
  EXPECT_EQ(ToHex(block, 16), ToHex(plain));
}

TEST(TwofishBatch, CbcChainMatchesSingleBlocksAndCarriesOver) {
  std::mt19937_64 rng = Rng(9);
  for (TKeySize size : kKeySizes) {
    const TBlockCipher t(size, RandomBytes(rng, 32));
    for (std::size_t n = 0; n <= kMaxBlocks; ++n) {
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", blocks " + std::to_string(n));
      const TBytes plain = RandomBytes(rng, 16 * n);
      const TBytes iv0 = RandomBytes(rng, 16);

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
