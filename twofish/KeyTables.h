// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The key-dependent g tables of the key schedule (paper section 4.3.2, with
// the MDS matrix folded in) from the S vector, by lookups in q. The key
// bytes index the lookups; KeyTablesAvx2.h does the same without.

#include "twofish/Twofish.h"

// Fills state.KeyTables01 and KeyTables23 from state.SBoxKeys for a key of
// `words` 64-bit words (2, 3 or 4), and with boxes also state.SBoxes, which
// only the AVX-512 path reads.
void FillKeyTables(TTwofishKeyState& state, int words, bool boxes);
