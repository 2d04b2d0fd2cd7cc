// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The published Twofish of nettle beside ours, for the block-level tests
// that compare the two.

#include <cstring>

#include <nettle/twofish.h>

#include "BlockTestSupport.h"

namespace block_test {

// nettle under the key that a key text should give: its first N/8 bytes,
// zero-padded to N/8.
struct TNettleBlock {
  twofish_ctx Context{};
  TNettleBlock(TKeySize size, const std::uint8_t* keyText, std::size_t length) {
    std::uint8_t key[32] = {};
    const std::size_t n = KeyBytes(size);
    std::memcpy(key, keyText, length < n ? length : n);
    twofish_set_key(&Context, n, key);
  }
  void Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks = 1) const {
    twofish_encrypt(&Context, 16 * blocks, out, in);
  }
  void Decrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks = 1) const {
    twofish_decrypt(&Context, 16 * blocks, out, in);
  }
};

}  // namespace block_test
