// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The g tables and S-boxes of the key schedule without a secret index, 32
// inputs per AVX2 register. Only for CPUs with AVX2 (see BlockPath.h); the
// function exists on x86-64 only.

#include "twofish/Twofish.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define TOLVANE_HAVE_AVX2_KEY_TABLES 1

namespace twofish_avx2 {

// As FillKeyTables (KeyTables.h), with the same result. Leaves nothing of
// the key in vector registers or on the stack.
void FillKeyTables(TTwofishKeyState& state, int words, bool boxes);

}  // namespace twofish_avx2

#endif
