// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers of the block-level tests: hex, random blocks, and the
// Twofish key the published cipher sees for one of our key texts.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/TestSeed.h"
#include "twofish/Twofish.h"

namespace block_test {

using TBytes = std::vector<std::uint8_t>;

inline TBytes FromHex(std::string_view hex) {
  if (hex.size() % 2) throw std::invalid_argument("odd hex length");
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::invalid_argument("not a hex digit");
  };
  TBytes out(hex.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<std::uint8_t>(nibble(hex[2 * i]) * 16 + nibble(hex[2 * i + 1]));
  return out;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < size; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 15];
  }
  return s;
}
inline std::string ToHex(const TBytes& data) { return ToHex(data.data(), data.size()); }

inline TBytes RandomByteVector(std::mt19937_64& rng, std::size_t n) {
  TBytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

inline constexpr TKeySize kKeySizes[] = {TKeySize::Small128, TKeySize::Med192, TKeySize::Large256};

inline std::size_t KeyBytes(TKeySize size) {
  return size == TKeySize::Small128 ? 16 : size == TKeySize::Med192 ? 24 : 32;
}

inline TKeySize KeySizeForBytes(std::size_t bytes) {
  if (bytes == 16) return TKeySize::Small128;
  if (bytes == 24) return TKeySize::Med192;
  if (bytes == 32) return TKeySize::Large256;
  throw std::invalid_argument("not a Twofish key length");
}

// A TTwofish keyed through ExpandKey alone (SetKey belongs to the component).
struct TBlockCipher {
  TTwofish Cipher;
  TBlockCipher(TKeySize size, const std::uint8_t* key, int length) {
    Cipher.SetKeySize(size);
    Cipher.ExpandKey(key, length);
  }
  TBlockCipher(TKeySize size, const TBytes& key)
      : TBlockCipher(size, key.data(), static_cast<int>(key.size())) {}
};

}  // namespace block_test
