// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "util/Secret.h"

class TSHA;

// The texts the cipher takes its IV and key from.
struct TKeyTexts {
  TSecret IVText;
  TSecret KeyText;
};

// Used when the user confirms working without a password.
inline constexpr const char* DefaultIVText = "Gate Ribbon";
inline constexpr const char* DefaultKeyText = "Lamp Harbor";

// The 40-digit upper-case SHA-1 digest text of a text. The digest component
// is wiped afterwards (its hash type kept): the digest is key material.
TSecret HashText(TSHA& sha, const std::string& text);

// password: Windows-1252 bytes. Empty: the two default texts; otherwise both
// texts are the password itself, or its digest text when useHashes is set.
TKeyTexts DeriveKeyTexts(const TSecret& password, bool useHashes, TSHA& sha);
