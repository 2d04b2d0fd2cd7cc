// SPDX-License-Identifier: GPL-3.0-or-later
// The key schedule and block transform against nettle over random keys of
// every length and every key size.

#include <gtest/gtest.h>

#include <cstring>

#include "NettleBlock.h"

using namespace block_test;

namespace {

constexpr int kMaxKeyText = 156;

// The key-dependent fields (the struct's padding is not compared).
bool SameKeyState(const TTwofishKeyState& a, const TTwofishKeyState& b) {
  return std::memcmp(a.SubKeys, b.SubKeys, sizeof a.SubKeys) == 0 &&
         std::memcmp(a.SBoxKeys, b.SBoxKeys, sizeof a.SBoxKeys) == 0 &&
         std::memcmp(a.KeyTables01, b.KeyTables01, sizeof a.KeyTables01) == 0 &&
         std::memcmp(a.KeyTables23, b.KeyTables23, sizeof a.KeyTables23) == 0;
}

void ExpectStateEqualsNettle(const TTwofishKeyState& k, const TNettleBlock& ref) {
  for (int i = 0; i < 40; ++i) ASSERT_EQ(k.SubKeys[i], ref.Context.keys[i]) << "subkey " << i;
  for (int x = 0; x < 256; ++x) {
    ASSERT_EQ(k.KeyTables01[x][0], ref.Context.s_box[0][x]) << "T0[" << x << "]";
    ASSERT_EQ(k.KeyTables01[x][1], ref.Context.s_box[1][x]) << "T1[" << x << "]";
    ASSERT_EQ(k.KeyTables23[x][0], ref.Context.s_box[2][x]) << "T2[" << x << "]";
    ASSERT_EQ(k.KeyTables23[x][1], ref.Context.s_box[3][x]) << "T3[" << x << "]";
  }
}

}  // namespace

// The key text's first N/8 bytes, zero-padded, are the Twofish key. Bytes
// past the given length hold junk here, so reading beyond it shows up too.
TEST(TwofishAgainstNettle, EveryKeyLengthUnderEveryKeySize) {
  std::mt19937_64 rng = SeededRandom(2);
  for (TKeySize size : kKeySizes) {
    for (int length = 1; length <= kMaxKeyText; ++length) {
      SCOPED_TRACE("key size " + std::to_string(KeyBytes(size)) + ", length " + std::to_string(length));
      const TBytes key = RandomByteVector(rng, kMaxKeyText);
      TBlockCipher ours(size, key.data(), length);
      const TNettleBlock ref(size, key.data(), static_cast<std::size_t>(length));
      ExpectStateEqualsNettle(ours.Cipher.KeyState(), ref);

      const TBytes plain = RandomByteVector(rng, 16);
      std::uint8_t a[16], b[16];
      ours.Cipher.EncryptBlock(plain.data(), a);
      ref.Encrypt(plain.data(), b);
      ASSERT_EQ(ToHex(a, 16), ToHex(b, 16));
      ours.Cipher.DecryptBlock(plain.data(), a);
      ref.Decrypt(plain.data(), b);
      ASSERT_EQ(ToHex(a, 16), ToHex(b, 16));
    }
  }
}

TEST(TwofishAgainstNettle, ManyRandomBlocks) {
  std::mt19937_64 rng = SeededRandom(3);
  for (TKeySize size : kKeySizes) {
    const TBytes key = RandomByteVector(rng, KeyBytes(size));
    TBlockCipher ours(size, key);
    const TNettleBlock ref(size, key.data(), key.size());
    const std::size_t blocks = 1000;
    const TBytes plain = RandomByteVector(rng, 16 * blocks);
    TBytes a(plain.size()), b(plain.size());
    ours.Cipher.EncryptBlocks(plain.data(), a.data(), blocks);
    ref.Encrypt(plain.data(), b.data(), blocks);
    ASSERT_EQ(a, b);
    ours.Cipher.DecryptBlocks(b.data(), a.data(), blocks);
    ASSERT_EQ(a, plain);
  }
}

TEST(TwofishKeyLength, BytesPastTheKeySizeHaveNoEffect) {
  std::mt19937_64 rng = SeededRandom(4);
  for (TKeySize size : kKeySizes) {
    TBytes key = RandomByteVector(rng, kMaxKeyText);
    const TBlockCipher base(size, key);
    for (std::size_t i = KeyBytes(size); i < key.size(); ++i) {
      key[i] ^= 0x5A;
      const TBlockCipher changed(size, key);
      ASSERT_TRUE(SameKeyState(base.Cipher.KeyState(), changed.Cipher.KeyState()))
          << "byte " << i << " under key size " << KeyBytes(size);
    }
    // ...while the last byte inside the key size does change the key.
    key[KeyBytes(size) - 1] ^= 1;
    const TBlockCipher changed(size, key);
    EXPECT_NE(std::memcmp(base.Cipher.KeyState().SubKeys, changed.Cipher.KeyState().SubKeys,
                          sizeof base.Cipher.KeyState().SubKeys),
              0);
  }
}

// A short key text is zero-padded to the key size, never taken as a shorter
// Twofish key.
TEST(TwofishKeyLength, OneByteUnderLarge256IsA256BitKey) {
  const std::uint8_t text[1] = {'A'};
  std::uint8_t key256[32] = {'A'}, key128[16] = {'A'};
  twofish_ctx ref256{}, ref128{};
  twofish_set_key(&ref256, 32, key256);
  twofish_set_key(&ref128, 16, key128);

  TBlockCipher ours(TKeySize::Large256, text, 1);
  const std::uint8_t plain[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::uint8_t a[16], b[16], c[16];
  ours.Cipher.EncryptBlock(plain, a);
  twofish_encrypt(&ref256, 16, b, plain);
  twofish_encrypt(&ref128, 16, c, plain);
  EXPECT_EQ(ToHex(a, 16), ToHex(b, 16));
  EXPECT_NE(ToHex(a, 16), ToHex(c, 16));
}

TEST(TwofishKeyLength, SameSixteenBytesDifferBySize) {
  std::mt19937_64 rng = SeededRandom(5);
  const TBytes key = RandomByteVector(rng, 16);
  const TBlockCipher small(TKeySize::Small128, key), large(TKeySize::Large256, key);
  const std::uint8_t plain[16] = {};
  std::uint8_t a[16], b[16];
  small.Cipher.EncryptBlock(plain, a);
  large.Cipher.EncryptBlock(plain, b);
  EXPECT_NE(ToHex(a, 16), ToHex(b, 16));
}

// Re-keying rewrites all key-dependent state: an object re-keyed over an
// earlier, longer key ends up exactly like a fresh one.
TEST(TwofishKeySchedule, RekeyLeavesNoTraceOfTheEarlierKey) {
  std::mt19937_64 rng = SeededRandom(6);
  for (TKeySize first : kKeySizes) {
    for (TKeySize second : kKeySizes) {
      const TBytes k1 = RandomByteVector(rng, 32), k2 = RandomByteVector(rng, 32);
      TTwofish reused;
      reused.SetKeySize(first);
      reused.ExpandKey(k1.data(), 32);
      reused.SetKeySize(second);
      reused.ExpandKey(k2.data(), 32);
      const TBlockCipher fresh(second, k2);
      EXPECT_TRUE(SameKeyState(reused.KeyState(), fresh.Cipher.KeyState()));
    }
  }
}

// The S vector in its published order: the RS code of the last eight key
// bytes comes first.
TEST(TwofishKeySchedule, SBoxKeysStartWithTheLastKeyBytes) {
  // RS of eight zero bytes is zero, so a key whose only nonzero byte is its
  // last sets position 0 alone.
  std::uint8_t key[32] = {};
  key[31] = 1;
  const TBlockCipher t(TKeySize::Large256, key, 32);
  const auto& s = t.Cipher.KeyState().SBoxKeys;
  EXPECT_NE(s[0], 0u);
  EXPECT_EQ(s[1], 0u);
  EXPECT_EQ(s[2], 0u);
  EXPECT_EQ(s[3], 0u);
}
