// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The subkeys and key-dependent g tables of the key schedule (paper section
// 4.3) by lookups in q, which the key bytes index. KeyScheduleAvx2.h does
// the same without.

#include <cstdint>

#include "twofish/Twofish.h"

// Fills state.SubKeys from the key bytes (32, zero-padded) of a key of
// `words` 64-bit words (2, 3 or 4), and state.KeyTables01 and KeyTables23
// from state.SBoxKeys, which must already hold the S vector; with boxes
// also state.SBoxes, which only the AVX-512 path reads.
void ExpandKeyByLookups(const std::uint8_t* keyArea, int words, bool boxes,
                        TTwofishKeyState& state);
