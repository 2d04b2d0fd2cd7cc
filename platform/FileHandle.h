// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// An open file as the file layer hands it out: a descriptor on POSIX, the
// value of a HANDLE on Windows. Either way negative means none, so callers
// test it alike on both.
#ifdef _WIN32
using TFileHandle = std::intptr_t;
#else
using TFileHandle = int;
#endif

inline constexpr TFileHandle NoFileHandle = -1;
