// SPDX-License-Identifier: GPL-3.0-or-later
// Known answers: the all-zero vectors and the designers' published tables,
// read from data/twofish_known_answers.txt, each tried several ways.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "BlockTestSupport.h"

using namespace block_test;

namespace {

struct TVector {
  std::string Label;
  TBytes Key, Plain, Cipher;
};

// Expands the file's "chain" sections into their individual vectors.
std::vector<TVector> LoadVectors(const std::string& path) {
  std::ifstream file(path);
  if (!file) throw std::runtime_error("cannot open " + path);
  std::vector<TVector> vectors;
  std::string line;
  int lineNo = 0;
  std::size_t chainBytes = 0;
  TBytes chainKey, chainPlain;
  int iteration = 0;
  while (std::getline(file, line)) {
    ++lineNo;
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word[0] == '#') continue;
    const std::string label = "line " + std::to_string(lineNo);
    if (word == "vector") {
      std::string key, plain, cipher;
      in >> key >> plain >> cipher;
      vectors.push_back({label, FromHex(key), FromHex(plain), FromHex(cipher)});
    } else if (word == "chain") {
      int bits = 0;
      in >> bits;
      chainBytes = static_cast<std::size_t>(bits / 8);
      chainKey.assign(chainBytes, 0);
      chainPlain.assign(16, 0);
      iteration = 0;
    } else {
      if (chainBytes == 0) throw std::runtime_error(label + ": ciphertext outside a chain");
      ++iteration;
      const TBytes cipher = FromHex(word);
      vectors.push_back({label + " (I=" + std::to_string(iteration) + ")", chainKey, chainPlain, cipher});
      TBytes next(chainPlain);
      next.insert(next.end(), chainKey.begin(), chainKey.end());
      next.resize(chainBytes);
      chainKey = next;
      chainPlain = cipher;
    }
  }
  return vectors;
}

const std::vector<TVector>& Vectors() {
  static const std::vector<TVector> vectors =
      LoadVectors(std::string(TOLVANE_TWOFISH_TEST_DATA) + "/twofish_known_answers.txt");
  return vectors;
}

}  // namespace

TEST(TwofishKnownAnswers, AllZeroKeyAndBlock) {
  struct {
    TKeySize Size;
    const char* Cipher;
  } const cases[] = {{TKeySize::Small128, "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
                     {TKeySize::Med192, "EFA71F788965BD4453F860178FC19101"},
                     {TKeySize::Large256, "57FF739D4DC92C1BD7FC01700CC8216F"}};
  for (const auto& c : cases) {
    const std::uint8_t zeros[32] = {};
    TBlockCipher t(c.Size, zeros, static_cast<int>(KeyBytes(c.Size)));
    std::uint8_t block[16] = {};
    t.Cipher.EncryptBlock(block, block);
    EXPECT_EQ(ToHex(block, 16), c.Cipher);
    t.Cipher.DecryptBlock(block, block);
    EXPECT_EQ(ToHex(block, 16), std::string(32, '0'));
  }
}

TEST(TwofishKnownAnswers, PublishedTables) {
  const auto& vectors = Vectors();
  ASSERT_EQ(vectors.size(), 3u + 8u + 4u + 3u * 49u);
  for (const TVector& v : vectors) {
    SCOPED_TRACE(v.Label + " key " + ToHex(v.Key));
    TBlockCipher t(KeySizeForBytes(v.Key.size()), v.Key);
    std::uint8_t out[16];

    t.Cipher.EncryptBlock(v.Plain.data(), out);
    EXPECT_EQ(ToHex(out, 16), ToHex(v.Cipher));
    t.Cipher.DecryptBlock(v.Cipher.data(), out);
    EXPECT_EQ(ToHex(out, 16), ToHex(v.Plain));

    // In place, and through the batch entry points.
    std::copy(v.Plain.begin(), v.Plain.end(), out);
    t.Cipher.EncryptBlocks(out, out, 1);
    EXPECT_EQ(ToHex(out, 16), ToHex(v.Cipher));
    t.Cipher.DecryptBlocks(out, out, 1);
    EXPECT_EQ(ToHex(out, 16), ToHex(v.Plain));
  }
}

// Every vector again on one object, re-keyed from vector to vector across
// key sizes: nothing of an earlier key may take part in the next.
TEST(TwofishKnownAnswers, PublishedTablesOnOneRekeyedObject) {
  TTwofish cipher;
  auto order = Vectors();
  std::mt19937_64 rng = SeededRandom(1);
  std::shuffle(order.begin(), order.end(), rng);
  for (const TVector& v : order) {
    SCOPED_TRACE(v.Label);
    cipher.SetKeySize(KeySizeForBytes(v.Key.size()));
    cipher.ExpandKey(v.Key.data(), static_cast<int>(v.Key.size()));
    std::uint8_t out[16];
    cipher.EncryptBlock(v.Plain.data(), out);
    EXPECT_EQ(ToHex(out, 16), ToHex(v.Cipher));
  }
}
