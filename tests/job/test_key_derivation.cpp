// SPDX-License-Identifier: GPL-3.0-or-later
// Which texts the cipher is keyed with: this decides whether files written
// by earlier versions still decrypt.
#include <gtest/gtest.h>

#include <string>

#include "job/KeyDerivation.h"
#include "sha/SHA.h"

namespace {

constexpr const char* AbcDigestText = "A9993E364706816ABA3E25717850C26C9CD0D89D";

TEST(KeyDerivation, HashedPasswordKeysBothTextsWithItsDigestText) {
  TSHA sha;
  const TKeyTexts texts = DeriveKeyTexts("abc", true, sha);
  EXPECT_EQ(texts.IVText, AbcDigestText);
  EXPECT_EQ(texts.KeyText, AbcDigestText);
}

TEST(KeyDerivation, UnhashedPasswordIsUsedAsItsBytes) {
  TSHA sha;
  const std::string password = "Gr\xFC\xDF" "e";  // Windows-1252 bytes
  const TKeyTexts texts = DeriveKeyTexts(password, false, sha);
  EXPECT_EQ(texts.IVText, password);
  EXPECT_EQ(texts.KeyText, password);
  // A 200-byte password passes unchanged; the cipher is what refuses it.
  const std::string longPassword(200, 'p');
  EXPECT_EQ(DeriveKeyTexts(longPassword, false, sha).KeyText, longPassword);
  EXPECT_EQ(DeriveKeyTexts(longPassword, true, sha).KeyText.size(), 40u);
}

TEST(KeyDerivation, EmptyPasswordGivesTheDefaultsWhateverTheHashFlag) {
  TSHA sha;
  for (const bool useHashes : {true, false}) {
    const TKeyTexts texts = DeriveKeyTexts("", useHashes, sha);
    EXPECT_EQ(texts.IVText, "Gate Ribbon");
    EXPECT_EQ(texts.KeyText, "Lamp Harbor");
  }
}

TEST(KeyDerivation, HashTextIsRepeatableOnOneComponentAndLeavesNoDigestBehind) {
  TSHA sha;
  const std::string first = HashText(sha, "correct horse");
  EXPECT_EQ(HashText(sha, "abc"), AbcDigestText);
  EXPECT_EQ(HashText(sha, "correct horse"), first);
  EXPECT_EQ(first.size(), 40u);
  EXPECT_EQ(first.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  // The digest is the key text; the window's component outlives the job.
  EXPECT_EQ(sha.DigestText(), std::string(40, '0'));
  EXPECT_EQ(sha.HashType(), THashType::htSHA1);
  sha.SetHashType(THashType::htSHA);
  HashText(sha, "abc");
  EXPECT_EQ(sha.HashType(), THashType::htSHA);
}

TEST(KeyDerivation, KeyTextsSurviveCopyAndMove) {
  TSHA sha;
  TKeyTexts texts = DeriveKeyTexts("abc", true, sha);
  const TKeyTexts copy = texts;
  const TKeyTexts moved = std::move(texts);
  EXPECT_EQ(copy.KeyText, AbcDigestText);
  EXPECT_EQ(moved.IVText, AbcDigestText);
}

}  // namespace
