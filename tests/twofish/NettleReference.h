// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <nettle/twofish.h>

#include "twofish/Twofish.h"

// Twofish with the chaining modes, computed by nettle: the independent
// reference for the cipher component. The Twofish key is the first 16, 24 or
// 32 bytes of the key text, zero-padded; the IV is the IV text folded into 16
// bytes by XOR.
class TNettleReference {
 public:
  using TBlock = std::array<std::uint8_t, 16>;

  TNettleReference(TKeySize size, const std::string& keyText);

  static TBlock FoldIV(const std::string& ivText);

  // Transforms data (a multiple of 16 bytes) in mode, continuing the chain
  // from iv and leaving iv as the chain register afterwards.
  std::string Encrypt(TCipherMode mode, TBlock& iv, const std::string& data) const;
  std::string Decrypt(TCipherMode mode, TBlock& iv, const std::string& data) const;

  // PKCS #7 padding to 16 bytes.
  static std::string Pad(const std::string& data);

 private:
  twofish_ctx FContext{};
};
