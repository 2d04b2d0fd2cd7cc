// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShaReference.h"

namespace {

std::uint32_t Rol(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

void TShaReference::Update(const std::uint8_t* data, std::size_t size, bool sha1) {
  for (std::size_t i = 0; i < size; ++i) {
    Block[Filled++] = data[i];
    if (Filled == 64) {
      Compress(sha1);
      Filled = 0;
    }
  }
  Bytes += size;
}

std::string TShaReference::Final(bool sha1) {
  const std::uint64_t bits = Bytes * 8;
  const std::uint8_t one = 0x80;
  const std::uint8_t zero = 0;
  Update(&one, 1, sha1);
  while (Filled != 56) Update(&zero, 1, sha1);
  for (int shift = 56; shift >= 0; shift -= 8) {
    const auto byte = static_cast<std::uint8_t>(bits >> shift);
    Update(&byte, 1, sha1);
  }
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint32_t h : H) {
    for (int shift = 28; shift >= 0; shift -= 4) text.push_back(Digits[(h >> shift) & 0xF]);
  }
  return text;
}

void TShaReference::Compress(bool sha1) {
  std::uint32_t w[80];
  for (int t = 0; t < 16; ++t) {
    w[t] = std::uint32_t{Block[4 * t]} << 24 | std::uint32_t{Block[4 * t + 1]} << 16 |
           std::uint32_t{Block[4 * t + 2]} << 8 | std::uint32_t{Block[4 * t + 3]};
  }
  for (int t = 16; t < 80; ++t) {
    const std::uint32_t x = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
    w[t] = sha1 ? Rol(x, 1) : x;
  }
  std::uint32_t a = H[0], b = H[1], c = H[2], d = H[3], e = H[4];
  for (int t = 0; t < 80; ++t) {
    std::uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d), k = 0x5A827999u;
    } else if (t < 40) {
      f = b ^ c ^ d, k = 0x6ED9EBA1u;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDCu;
    } else {
      f = b ^ c ^ d, k = 0xCA62C1D6u;
    }
    const std::uint32_t temp = Rol(a, 5) + f + e + w[t] + k;
    e = d, d = c, c = Rol(b, 30), b = a, a = temp;
  }
  H[0] += a, H[1] += b, H[2] += c, H[3] += d, H[4] += e;
}
