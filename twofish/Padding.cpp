// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/Padding.h"

#include <cstring>

namespace {
constexpr int BlockBytes = 16;
// The older versions read and unpadded a file in chunks of this size.
constexpr int LegacyChunkBytes = 4096;
}  // namespace

int AppendPadding(std::uint8_t* chunk, int n) {
  const int p = BlockBytes - n % BlockBytes;
  std::memset(chunk + n, p, static_cast<std::size_t>(p));
  return n + p;
}

int UnpaddedLength(const std::uint8_t* chunk, int n) {
  if (n <= 0) return -1;
  const int v = chunk[n - 1];
  if (v == 0 || v > BlockBytes || v > n) return -1;
  for (int i = n - v; i < n - 1; ++i) {
    if (chunk[i] != v) return -1;
  }
  return n - v;
}

int LegacyUnpaddedLength(const std::uint8_t* chunk, int n) {
  const int finalChunk = (n - 1) % LegacyChunkBytes + 1;
  const int v = chunk[n - 1];
  return n - (v < finalChunk ? v : finalChunk);
}
