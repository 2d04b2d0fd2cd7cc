// SPDX-License-Identifier: GPL-3.0-or-later
// Which texts the cipher is keyed with: this decides whether files written
// by earlier versions still decrypt.
#include <gtest/gtest.h>

#include <string>

#include "job/KeyDerivation.h"
#include "sha/SHA.h"

namespace {

// FIPS 180 vectors, and one digest of Windows-1252 bytes from Python's
// hashlib.
constexpr const char* AbcDigestText = "A9993E364706816ABA3E25717850C26C9CD0D89D";
constexpr const char* TwoBlockDigestText = "84983E441C3BD26EBAAE4AA1F95129E5E54670F1";
constexpr const char* GruesseDigestText = "1F3EA6CE55AC8C52EA8DF83B95506FED6998C0DF";

TEST(KeyDerivation, TextsFollowFromThePasswordAndTheHashChoice) {
  struct TCase {
    const char* Name;
    std::string Password;  // Windows-1252 bytes
    bool UseHashes;
    std::string IVText;
    std::string KeyText;
  };
  const std::string longPassword(200, 'p');
  const TCase cases[] = {
      {"hashed", "abc", true, AbcDigestText, AbcDigestText},
      {"hashed, two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", true,
       TwoBlockDigestText, TwoBlockDigestText},
      {"hashed, Windows-1252 bytes", "Gr\xFC\xDF" "e", true, GruesseDigestText,
       GruesseDigestText},
      {"plain, Windows-1252 bytes", "Gr\xFC\xDF" "e", false, "Gr\xFC\xDF" "e", "Gr\xFC\xDF" "e"},
      // Passed on unchanged: the cipher is what refuses a key this long.
      {"plain, 200 bytes", longPassword, false, longPassword, longPassword},
      {"empty, hashing on", "", true, "Gate Ribbon", "Lamp Harbor"},
      {"empty, hashing off", "", false, "Gate Ribbon", "Lamp Harbor"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TSHA sha;
    sha.SetHashType(THashType::htSHA1);
    const TKeyTexts texts = DeriveKeyTexts(TSecret(c.Password), c.UseHashes, sha);
    EXPECT_EQ(texts.IVText.view(), c.IVText);
    EXPECT_EQ(texts.KeyText.view(), c.KeyText);
  }
}

TEST(KeyDerivation, HashTextIsRepeatableOnOneComponentAndLeavesNoDigestBehind) {
  TSHA sha;
  sha.SetHashType(THashType::htSHA1);
  const TSecret first = HashText(sha, "correct horse");
  EXPECT_EQ(HashText(sha, "abc").view(), AbcDigestText);
  EXPECT_EQ(HashText(sha, "correct horse"), first);
  // The digest is the key text.
  EXPECT_EQ(sha.DigestText(), std::string(40, '0'));
  EXPECT_EQ(sha.HashType(), THashType::htSHA1);
  sha.SetHashType(THashType::htSHA);
  HashText(sha, "abc");
  EXPECT_EQ(sha.HashType(), THashType::htSHA);
}

}  // namespace
