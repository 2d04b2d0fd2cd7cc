// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Inlining the block and key-schedule helpers is what lets the compiler keep
// a block's words in registers across rounds; don't leave it to heuristics.
#if defined(__GNUC__)
#define TOLVANE_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define TOLVANE_ALWAYS_INLINE inline
#endif
