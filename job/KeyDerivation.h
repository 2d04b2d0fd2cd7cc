// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class TSHA;
class TTwofish;

// The texts the cipher takes its IV and key from.
struct TKeyTexts {
  std::string IVText;
  std::string KeyText;
  TKeyTexts() = default;
  TKeyTexts(std::string iv, std::string key) : IVText(std::move(iv)), KeyText(std::move(key)) {}
  TKeyTexts(const TKeyTexts&) = default;
  TKeyTexts(TKeyTexts&&) = default;
  TKeyTexts& operator=(const TKeyTexts&) = default;
  TKeyTexts& operator=(TKeyTexts&&) = default;
  ~TKeyTexts();  // wipes both texts
};

// Used when the user confirms working without a password.
inline constexpr const char* DefaultIVText = "Gate Ribbon";
inline constexpr const char* DefaultKeyText = "Lamp Harbor";

// The 40-digit SHA-1 digest text of a text: Init, UpdateString, Final,
// DigestText, Reset on the given digest component, which is then wiped
// (its hash type kept): the digest is key material.
std::string HashText(TSHA& sha, const std::string& text);

// password: Windows-1252 bytes. Empty: the two default texts; otherwise both
// texts are the password itself, or its digest text when useHashes is set.
TKeyTexts DeriveKeyTexts(const std::string& password, bool useHashes, TSHA& sha);

// The component settings both front ends share, so that either one decrypts
// what the other encrypted: 256-bit key, smEncode, SHA-1. The chaining mode
// is the user's choice and is left as it is.
void ApplySharedSettings(TTwofish& cipher, TSHA& sha);
