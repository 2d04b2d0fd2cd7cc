// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The only place that knows the host's byte order. Twofish reads blocks and
// keys as little-endian 32-bit words (paper section 3.1): byte 4i of a block
// is the least significant byte of word i.

#include <bit>
#include <cstdint>
#include <cstring>

#include "twofish/ForceInline.h"

TOLVANE_ALWAYS_INLINE std::uint32_t LoadLE32(const std::uint8_t* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}

TOLVANE_ALWAYS_INLINE void StoreLE32(std::uint8_t* p, std::uint32_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  std::memcpy(p, &w, 4);
}
