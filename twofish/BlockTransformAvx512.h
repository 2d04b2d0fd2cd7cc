// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch transforms without key tables: 32 blocks per group, one block
// per 32-bit lane of two AVX-512 registers per word, the S-boxes looked up
// in registers (VBMI) and the MDS multiply done by GFNI. Only for CPUs with
// AVX-512 F/BW/VL/VBMI and GFNI (see BlockPath.h); the build defines
// TOLVANE_HAVE_AVX512_PATH where the compiler can produce them.

#include <cstddef>
#include <cstdint>

#include "twofish/Twofish.h"

#ifdef TOLVANE_HAVE_AVX512_PATH

namespace twofish_avx512 {

// Every block of in, the last partial group included; in and out may be the
// same memory. Nothing of the key or the data is left in vector or mask
// registers, nor on the stack below the caller's frame.
void EncryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks);
void DecryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks);
// CBC decryption in place: iv enters as the ciphertext block before data and
// leaves as the last ciphertext block.
void DecryptBlocksCbc(const TTwofishKeyState& key, std::uint8_t* data, std::size_t blocks,
                      std::uint8_t iv[16]);

}  // namespace twofish_avx512

#endif
