// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch transforms without key tables on CPUs with AVX2 alone: eight
// blocks per group, one block per 32-bit lane, the S-boxes read whole from
// the key state and looked up by byte shuffles. Only for CPUs where
// twofish_avx2::Available() (KeyScheduleAvx2.h) holds; the functions exist
// on x86-64 only.

#include <cstddef>
#include <cstdint>

#include "twofish/KeyScheduleAvx2.h"
#include "twofish/Twofish.h"

#ifdef TOLVANE_HAVE_AVX2_KEY_SCHEDULE
#define TOLVANE_HAVE_AVX2_PATH 1

namespace twofish_avx2 {

// Lays the S-boxes (state.SBoxes, filled by the key schedule) out as the
// shuffles read them (state.BoxRows). Baseline code: runs on any CPU.
void SpreadBoxes(TTwofishKeyState& state) noexcept;

// Every block of in, the last partial group included; in and out may be the
// same memory. Nothing of the key or the data is left in vector registers,
// nor on the stack below the caller's frame.
void EncryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks);
void DecryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks);
// CBC decryption in place: iv enters as the ciphertext block before data and
// leaves as the last ciphertext block.
void DecryptBlocksCbc(const TTwofishKeyState& key, std::uint8_t* data, std::size_t blocks,
                      std::uint8_t iv[16]);

}  // namespace twofish_avx2

#endif
