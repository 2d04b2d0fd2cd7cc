// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The subkeys, g tables and S-boxes of the key schedule without a secret
// index, 32 inputs per AVX2 register. Only for CPUs with AVX2 (see
// BlockPath.h); the function exists on x86-64 only.

#include <cstdint>

#include "twofish/Twofish.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define TOLVANE_HAVE_AVX2_KEY_SCHEDULE 1

namespace twofish_avx2 {

// Whether this CPU has AVX2 and the OS saves the YMM registers.
bool Available() noexcept;

// As ExpandKeyByLookups (KeyScheduleLookups.h), with the same result.
// Leaves nothing of the key in vector registers or on the stack.
void ExpandKey(const std::uint8_t* keyArea, int words, bool boxes, TTwofishKeyState& state);

}  // namespace twofish_avx2

#endif
