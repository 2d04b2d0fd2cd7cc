// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The key schedule without secret indexes, for CPUs with AVX-512 F/BW/VL/
// VBMI and GFNI (see BlockPath.h).

#include <cstdint>

#include "twofish/Twofish.h"

#ifdef TOLVANE_HAVE_AVX512_PATH

namespace twofish_avx512 {

// Fills the subkeys, the S-boxes and the g tables of state from the key
// bytes (32, zero-padded) of a key of `words` 64-bit words (2, 3 or 4);
// state.SBoxKeys must already hold the S vector. qTable is q0 then q1.
// Leaves nothing of the key in vector or mask registers or on the stack.
void ExpandKey(const std::uint8_t* keyArea, int words, const std::uint8_t* qTable,
               TTwofishKeyState& state);

}  // namespace twofish_avx512

#endif
