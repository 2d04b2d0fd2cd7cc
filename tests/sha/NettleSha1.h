// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nettle/sha1.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Independent SHA-1 for differential checks: nettle's, as a digest text.
inline std::string ToHexText(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(Digits[bytes[i] >> 4]);
    text.push_back(Digits[bytes[i] & 0x0F]);
  }
  return text;
}

class TNettleSha1 {
 public:
  TNettleSha1() { sha1_init(&Context); }
  void Update(const void* data, std::size_t size) {
    sha1_update(&Context, size, static_cast<const std::uint8_t*>(data));
  }
  std::string DigestText() {
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&Context, sizeof digest, digest);
    return ToHexText(digest, sizeof digest);
  }

 private:
  sha1_ctx Context;
};

inline std::string NettleSha1Text(const std::string& message) {
  TNettleSha1 sha;
  sha.Update(message.data(), message.size());
  return sha.DigestText();
}
