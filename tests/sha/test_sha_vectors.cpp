// SPDX-License-Identifier: GPL-3.0-or-later
// Known answers of FIPS 180 / 180-1 and the length boundaries of padding.
#include <gtest/gtest.h>

#include <string>

#include "NettleSha1.h"
#include "sha/SHA.h"

namespace {

const std::string Abc = "abc";
const std::string Fips448Bits = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";

std::string Digest(const std::string& message, THashType type = THashType::htSHA1) {
  TSHA sha;
  sha.SetHashType(type);
  sha.Init();
  sha.UpdateString(message);
  sha.Final();
  return sha.DigestText();
}

struct TVector {
  THashType Type;
  std::string Message;
  const char* Expected;
};

TEST(ShaVectors, FipsKnownAnswers) {
  const TVector vectors[] = {
      {THashType::htSHA1, "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {THashType::htSHA1, Abc, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {THashType::htSHA1, Fips448Bits, "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {THashType::htSHA1, std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
      {THashType::htSHA, Abc, "0164B8A914CD2A5E74C4F7FF082C4D97F1EDF880"},
      {THashType::htSHA, Fips448Bits, "D2516EE1ACFA5BAF33DFC1C471E438449EF134C8"},
      {THashType::htSHA, std::string(1000000, 'a'), "3232AFFA48628A26653B5AAA44541FD90D690603"},
  };
  for (const TVector& v : vectors) {
    SCOPED_TRACE("type " + std::to_string(static_cast<int>(v.Type)) + ", length " +
                 std::to_string(v.Message.size()));
    EXPECT_EQ(Digest(v.Message, v.Type), v.Expected);
  }
}

TEST(ShaVectors, MillionAFedThroughUpdateInOddPieces) {
  const std::string piece(997, 'a');
  TSHA sha;
  sha.Init();
  std::uint32_t fed = 0;
  while (fed < 1000000) {
    const std::uint32_t n = std::min<std::uint32_t>(997, 1000000 - fed);
    sha.Update(piece.data(), n);
    fed += n;
  }
  sha.Final();
  EXPECT_EQ(sha.DigestText(), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

// 55 bytes fit one block with the padding, 56 need a second, 64 fill one
// exactly; around the 2048-byte pieces of UpdateString as well. The longer
// messages hold every byte value, so bytes above 0x7F are fed as they are.
TEST(ShaVectors, LengthsAroundBlockAndPieceBoundaries) {
  for (std::size_t length : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 2047u, 2048u,
                             2049u, 4096u, 4097u, 5000u}) {
    std::string message(length, '\0');
    for (std::size_t i = 0; i < length; ++i) message[i] = static_cast<char>(i * 7 + length);
    SCOPED_TRACE("length " + std::to_string(length));
    EXPECT_EQ(Digest(message), NettleSha1Text(message));
  }
}

TEST(ShaState, FreshComponentGivesFortyZeros) {
  const TSHA sha;
  EXPECT_EQ(sha.DigestText(), std::string(40, '0'));
  EXPECT_EQ(sha.HashType(), THashType::htSHA1);
}

TEST(ShaState, DigestSurvivesInitAndReset) {
  TSHA sha;
  sha.Init();
  sha.UpdateString(Abc);
  sha.Final();
  sha.Reset();
  EXPECT_EQ(sha.DigestText(), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  sha.Init();
  EXPECT_EQ(sha.DigestText(), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

TEST(ShaState, OneComponentHashesMessagesAfterEachOther) {
  TSHA sha;
  for (int round = 0; round < 3; ++round) {
    sha.Init();
    sha.UpdateString("secret password");
    sha.Final();
    EXPECT_EQ(sha.DigestText(), NettleSha1Text("secret password"));
    sha.Reset();
    sha.Init();
    sha.UpdateString(Abc);
    sha.Final();
    EXPECT_EQ(sha.DigestText(), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  }
}

TEST(ShaState, HashTypeChangeAppliesFromTheNextBlock) {
  // The first block is compressed as SHA-1 while it is fed; the padding block
  // after the switch is compressed as SHA.
  const std::string block(64, 'x');
  TSHA mixed;
  mixed.Init();
  mixed.Update(block.data(), 64);
  mixed.SetHashType(THashType::htSHA);
  mixed.Final();

  TSHA sha1;
  sha1.Init();
  sha1.Update(block.data(), 64);
  sha1.Final();
  TSHA sha0;
  sha0.SetHashType(THashType::htSHA);
  sha0.Init();
  sha0.Update(block.data(), 64);
  sha0.Final();

  EXPECT_NE(mixed.DigestText(), sha1.DigestText());
  EXPECT_NE(mixed.DigestText(), sha0.DigestText());
}

}  // namespace
