// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The cipher's block path as the front ends show it, and their check at
// start of the path the environment variable TOLVANE_CIPHER asks for.

#include <optional>
#include <string>

// "portable" or "avx512-gfni": the path this process runs.
std::string CipherPathInUse();

// Why TOLVANE_CIPHER cannot be followed (a name that is no path or no
// longer one, or a path this CPU or build cannot run), one line without the program's name; nothing
// when it is unset or names a path that runs here.
std::optional<std::string> CipherChoiceProblem();
