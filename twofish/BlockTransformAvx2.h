// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The batch transforms with one block per 32-bit lane of an AVX2 register.
// Only for CPUs with AVX2 (see BlockPath.h); the functions exist on x86 only.

#include <cstddef>
#include <cstdint>

#include "twofish/Twofish.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define TOLVANE_HAVE_AVX2_PATH 1

namespace twofish_avx2 {

// The whole groups of eight blocks at the front of in; returns how many
// blocks were done (blocks rounded down to a multiple of 8). in and out may
// be the same memory.
std::size_t EncryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                          std::size_t blocks);
std::size_t DecryptBlocks(const TTwofishKeyState& key, const std::uint8_t* in, std::uint8_t* out,
                          std::size_t blocks);

}  // namespace twofish_avx2

#endif
