// SPDX-License-Identifier: GPL-3.0-or-later
#include "job/KeyDerivation.h"

#include "sha/SHA.h"
#include "util/SecureWipe.h"

TSecret HashText(TSHA& sha, const std::string& text) {
  sha.Init();
  sha.UpdateString(text);
  sha.Final();
  std::string digestText = sha.DigestText();
  sha.Reset();
  // Reset keeps the digest, which is the key text here.
  const THashType hashType = sha.HashType();
  SecureWipeObject(sha);
  sha.SetHashType(hashType);
  return TSecret::Take(digestText);
}

TKeyTexts DeriveKeyTexts(const TSecret& password, bool useHashes, TSHA& sha) {
  if (password.empty()) return {TSecret(DefaultIVText), TSecret(DefaultKeyText)};
  if (!useHashes) return {password.Copy(), password.Copy()};
  TSecret digestText = HashText(sha, password.str());
  return {digestText.Copy(), std::move(digestText)};
}
