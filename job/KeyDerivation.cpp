// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/KeyDerivation.h"

#include "sha/SHA.h"
#include "twofish/Twofish.h"
#include "util/SecureWipe.h"

TKeyTexts::~TKeyTexts() {
  SecureWipeString(IVText);
  SecureWipeString(KeyText);
}

std::string HashText(TSHA& sha, const std::string& text) {
  sha.Init();
  sha.UpdateString(text);
  sha.Final();
  std::string digestText = sha.DigestText();
  sha.Reset();
  // Reset keeps the digest, which is the key text here; the component lives
  // as long as the window does.
  const THashType hashType = sha.HashType();
  SecureWipeObject(sha);
  sha.SetHashType(hashType);
  return digestText;
}

TKeyTexts DeriveKeyTexts(const std::string& password, bool useHashes, TSHA& sha) {
  if (password.empty()) return TKeyTexts(DefaultIVText, DefaultKeyText);
  if (!useHashes) return TKeyTexts(password, password);
  std::string digestText = HashText(sha, password);
  TKeyTexts texts(digestText, digestText);
  SecureWipeString(digestText);
  return texts;
}

void ApplySharedSettings(TTwofish& cipher, TSHA& sha) {
  cipher.SetKeySize(TKeySize::Large256);
  cipher.SetStringMode(TStringMode::smEncode);
  sha.SetHashType(THashType::htSHA1);
}
