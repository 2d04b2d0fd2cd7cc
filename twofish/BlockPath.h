// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which implementation runs the batches of independent blocks (EncryptBlocks,
// DecryptBlocks, DecryptBlocksCbc): the portable one, or a table-free one
// where the CPU has AVX-512 (VBMI and GFNI) or AVX2. Chosen once per
// process; tests and benchmarks may switch.

#include <cstdint>

enum class TBlockPath : std::uint8_t { Portable, Avx2, Avx512 };

// Whether this build and this CPU can run the path (Portable always can),
// fast or not.
bool BlockPathAvailable(TBlockPath path) noexcept;

// The path in use. Initially the one the environment variable TOLVANE_CIPHER
// names when this CPU runs it (twofish/CipherChoice.h; the front ends refuse
// to start on any other value); else AVX-512 where the CPU and the OS
// support AVX-512 F/BW/VL/VBMI and GFNI, else AVX2 where they support that,
// else Portable.
TBlockPath ActiveBlockPath() noexcept;

// Runs the batches on path from now on, in every thread. Returns false and
// changes nothing when the path is not available. Not for use while another
// thread is inside a batch transform of a test that checks which path ran.
bool SelectBlockPath(TBlockPath path) noexcept;

// The path a fresh process would choose: for restoring after SelectBlockPath.
TBlockPath DefaultBlockPath() noexcept;
