// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

// SHA-1 and the original SHA (SHA-0) written straight from FIPS 180-1 and
// FIPS 180: the 80-word schedule in full, one block at a time, each block
// compressed by the variant in force when it fills. nettle has no SHA-0,
// so this is the reference for it, and for a variant switched mid-message.
class TShaReference {
 public:
  // Without Init the digest component works from all-zero chaining values,
  // which fromZero stands for.
  explicit TShaReference(bool fromZero = false) {
    if (fromZero) std::fill(std::begin(H), std::end(H), 0u);
  }
  void Update(const std::uint8_t* data, std::size_t size, bool sha1);
  // The digest of everything fed, as 40 upper-case hexadecimal digits.
  std::string Final(bool sha1);

 private:
  void Compress(bool sha1);

  std::uint32_t H[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
  std::uint8_t Block[64] = {};
  std::size_t Filled = 0;
  std::uint64_t Bytes = 0;
};
