// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "job/CryptRequest.h"

// Requests as the job tests use them: the password keys the cipher as it is
// (no digest), so a test can key a reference cipher with the same text.
inline constexpr TReplacePolicy Ask = TReplacePolicy::Ask;
inline constexpr TReplacePolicy Replace = TReplacePolicy::Replace;

inline TCryptRequest MakeRequest(TDirection direction, const std::string& source,
                                 const std::string& target, TReplacePolicy replace,
                                 const std::string& password, TChainMode mode) {
  TCryptRequest request;
  request.Direction = direction;
  request.Replace = replace;
  request.Mode = mode;
  request.Hashing = TPasswordHashing::Plain;
  request.SourceName = source;
  request.TargetName = target;
  request.Password = TSecret(password);
  return request;
}

inline TCryptRequest Encrypting(const std::string& source, const std::string& target,
                                TReplacePolicy replace = Ask,
                                const std::string& password = "Geheimnis",
                                TChainMode mode = TChainMode::CBC) {
  return MakeRequest(TDirection::Encrypt, source, target, replace, password, mode);
}

inline TCryptRequest Decrypting(const std::string& source, const std::string& target,
                                TReplacePolicy replace = Ask,
                                const std::string& password = "Geheimnis",
                                TChainMode mode = TChainMode::CBC) {
  return MakeRequest(TDirection::Decrypt, source, target, replace, password, mode);
}
